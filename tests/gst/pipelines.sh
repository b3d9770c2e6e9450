#!/usr/bin/env bash
# The element in whole pipelines, as users run it:
#   inspect  gst-inspect-1.0 lists it;
#   wav      filesrc ! wavparse ! vocalith ! wavenc gives the command's bytes;
#   relay    a voice-changing RTP relay on the loopback interface passes every
#            sample, as the command converts it, with no added delay;
#   python   the README's PyGObject example switches presets while playing.
# Usage: pipelines.sh CASE VOCALITH_COMMAND SOURCE_DIR WORK_DIR
set -euo pipefail
what=$1 tool=$2 src=$3
work=$(mktemp -d "$4/$what.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
presets=$src/presets
speech=$src/samples/speech.wav
fail() { echo "FAIL: $*" >&2; exit 1; }

# The bytes of a WAV file's data chunk, by the size its header gives.
wav_data() {
  local offset size
  offset=$(grep -obUaP 'data' "$1" | head -1 | cut -d: -f1)
  size=$(od -An -tu4 -j $((offset + 4)) -N4 "$1" | tr -d ' ')
  tail -c +$((offset + 9)) "$1" | head -c "$size"
}

case $what in
inspect)
  gst-inspect-1.0 vocalith >"$work/inspect.txt" || fail "gst-inspect-1.0 does not know the element"
  for word in preset preset-xml preset-dir ladspa-path block-size log-level dtmf set-control audio/x-gsm; do
    grep -q -- "$word" "$work/inspect.txt" || fail "gst-inspect-1.0 vocalith does not show $word"
  done
  ;;
wav)
  for preset in telephone deep; do
    gst-launch-1.0 -q filesrc location="$speech" ! wavparse ! vocalith preset=$preset preset-dir="$presets" \
      ladspa-path=/usr/lib/ladspa block-size=256 ! wavenc ! filesink location="$work/gst.wav"
    "$tool" convert -p $preset --preset-dir "$presets" --ladspa-path /usr/lib/ladspa "$speech" "$work/cmd.wav"
    cmp <(wav_data "$work/gst.wav") <(wav_data "$work/cmd.wav") || fail "$preset: element and command differ"
  done
  ;;
relay)
  # Raw µ-law in 20 ms packets; the relay takes its block from the packets.
  "$tool" convert -p "$presets/telephone.xml" --ladspa-path /usr/lib/ladspa --out-codec ulaw "$speech" "$work/in.ul"
  "$tool" convert -p deep --preset-dir "$presets" --ladspa-path /usr/lib/ladspa --block 160 "$work/in.ul" \
    "$work/want.ul"
  base=$((20000 + ($$ % 20000)))
  rtp="application/x-rtp,media=audio,clock-rate=8000,encoding-name=PCMU,payload=0"
  timeout 60 gst-launch-1.0 -q -e udpsrc address=127.0.0.1 port=$((base + 1)) caps="$rtp" ! rtppcmudepay \
    ! wavenc ! filesink location="$work/got.wav" buffer-mode=unbuffered &
  receiver=$!
  timeout 60 gst-launch-1.0 -q -e udpsrc address=127.0.0.1 port=$base caps="$rtp" ! rtppcmudepay \
    ! vocalith preset=deep preset-dir="$presets" ladspa-path=/usr/lib/ladspa \
    ! rtppcmupay min-ptime=20000000 max-ptime=20000000 ! udpsink host=127.0.0.1 port=$((base + 1)) sync=false &
  relay=$!
  # Send only once both sockets are bound: a busy machine starts GStreamer slowly.
  for port in $base $((base + 1)); do
    for _ in $(seq 300); do
      grep -q ":$(printf %04X $port) " /proc/net/udp && break
      sleep 0.1
    done
  done
  timeout 60 gst-launch-1.0 -q filesrc location="$work/in.ul" \
    ! rawaudioparse use-sink-caps=false format=mulaw sample-rate=8000 num-channels=1 ! rtppcmupay min-ptime=20000000 max-ptime=20000000 \
    ! udpsink host=127.0.0.1 port=$base sync=true
  # Packets still on their way: wait until the received file has not grown for
  # 2 s. The file sink writes each packet as it comes (a buffered sink grows
  # the file only every few seconds, which ended the wait too early).
  settle() {
    local last=-1 size still=0
    for _ in $(seq 300); do
      size=$(stat -c %s "$work/got.wav" 2>/dev/null || echo 0)
      if [ "$size" = "$last" ]; then
        still=$((still + 1))
        [ "$still" -ge 4 ] && return
      else
        still=0
      fi
      last=$size
      sleep 0.5
    done
  }
  settle
  kill -INT $relay; wait $relay || true   # its end of stream hands on the last part packet
  settle
  kill -INT $receiver; wait $receiver || true
  cmp <(wav_data "$work/got.wav") "$work/want.ul" || fail "the relay's output is not the command's"
  ;;
python)
  cd "$work"
  PRESET_DIR=$presets timeout 60 /usr/bin/python3 "$src/tests/gst/switch_presets.py" "$speech" "$work/out.wav"
  [ "$(stat -c %s "$work/out.wav")" -gt 90000 ] || fail "the example wrote too little"
  ;;
*)
  fail "unknown case $what"
  ;;
esac
echo "$what: ok"
