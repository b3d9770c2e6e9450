#!/usr/bin/env bash
# Regenerates the bundled recordings in samples/: a few seconds of synthetic
# speech and a DTMF key sequence, both 8000 Hz, mono, 16-bit PCM WAV.
# Needs espeak-ng and sox (scripts/bootstrap.sh installs both).
set -euo pipefail
cd "$(dirname "$0")/.."

out=samples
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fmt=(-r 8000 -c 1 -b 16 -e signed-integer)

# Speech: espeak-ng speaks at its own rate; sox resamples to telephone quality.
text="Hello, you have reached the voice lab.\
 Please say your account number after the tone."
espeak-ng -v en-us -s 150 -w "$tmp/speech.wav" "$text"
sox -D "$tmp/speech.wav" "${fmt[@]}" "$out/speech.wav" gain -n -3

# DTMF: the keys below, each 80 ms of its two tones, each followed by 80 ms
# of silence, after a lead-in of 160 ms. The tool tests expect exactly this
# sequence at these start times (0.16, 0.32, 0.48, 0.64 s).
keys="159#"
declare -A low=([1]=697 [2]=697 [3]=697 [4]=770 [5]=770 [6]=770 [7]=852 [8]=852 [9]=852 ['*']=941 [0]=941 ['#']=941)
declare -A high=([1]=1209 [2]=1336 [3]=1477 [4]=1209 [5]=1336 [6]=1477 [7]=1209 [8]=1336 [9]=1477 ['*']=1209 [0]=1336 ['#']=1477)

sox -D -n "${fmt[@]}" "$tmp/gap.wav" trim 0 0.08
parts=("$tmp/gap.wav" "$tmp/gap.wav")
for ((i = 0; i < ${#keys}; i++)); do
  k=${keys:i:1}
  # The low and the high tone, each at about -10 dBFS, mixed.
  sox -D -n "${fmt[@]}" "$tmp/lo$i.wav" synth 0.08 sine "${low[$k]}" vol 0.3
  sox -D -n "${fmt[@]}" "$tmp/hi$i.wav" synth 0.08 sine "${high[$k]}" vol 0.3
  sox -D -m -v 1 "$tmp/lo$i.wav" -v 1 "$tmp/hi$i.wav" "${fmt[@]}" "$tmp/tone$i.wav"
  parts+=("$tmp/tone$i.wav" "$tmp/gap.wav")
done
parts+=("$tmp/gap.wav")
sox -D "${parts[@]}" "${fmt[@]}" "$out/dtmf_159hash.wav"

soxi "$out/speech.wav" "$out/dtmf_159hash.wav" | grep -E 'Input File|Sample Rate|Channels|Precision|Duration'
