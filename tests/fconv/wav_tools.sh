#!/usr/bin/env bash
# The build machine's sox and ffmpeg on the WAV files the fconv test wrote
# into DIR (NAME-CHANNELS.wav, NAME being ffmpeg's codec name): each tool must
# read the format, channel count, rate and length we wrote, and then writes
# its own file of the same samples (NAME-CHANNELS.sox.wav and .ffmpeg.wav),
# which the test reads next.
#   wav_tools.sh DIR
set -uo pipefail
dir=${1:?usage: wav_tools.sh DIR}
declare -A soxi_names=([pcm_s16le]="Signed Integer PCM" [pcm_f32le]="Floating Point PCM" [pcm_alaw]="A-law"
                       [pcm_mulaw]="u-law")
failed=0
fail() {
  echo "$1"
  failed=1
}
for name in pcm_s16le pcm_f32le pcm_alaw pcm_mulaw; do
  for channels in 1 2; do
    wav=$dir/$name-$channels.wav
    if [ ! -f "$wav" ]; then
      fail "$wav is missing"
      continue
    fi
    seen=$(for o in r c e s; do soxi -"$o" "$wav"; done)
    [ "$seen" = $'8000\n'"$channels"$'\n'"${soxi_names[$name]}"$'\n1000' ] ||
      fail "soxi reads $wav as: $(tr '\n' ' ' <<<"$seen")"
    seen=$(ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts -of csv=p=0 "$wav")
    [ "$seen" = "$name,8000,$channels,1000" ] || fail "ffprobe reads $wav as: $seen"
    # -D: without dither, so that the samples stay what they were.
    sox -D "$wav" "$dir/$name-$channels.sox.wav" || fail "sox cannot convert $wav"
    ffmpeg -nostdin -y -v error -i "$wav" -c:a "$name" "$dir/$name-$channels.ffmpeg.wav" ||
      fail "ffmpeg cannot convert $wav"
  done
done
exit "$failed"
