#!/usr/bin/env bash
# The recorded and synthetic speech of the DTMF talk-off test, made with the
# build machine's espeak-ng and sox into DIR as 16-bit raw mono files: the
# bundled DTMF and speech samples at 8000 Hz, then clipNN.raw for the NNth
# row of LIST (voice, speed, pitch, rate, volume, text; tab-separated).
#   talk_off_clips.sh SOURCE_DIR LIST DIR
set -euo pipefail
src=${1:?usage: talk_off_clips.sh SOURCE_DIR LIST DIR}
list=${2:?usage: talk_off_clips.sh SOURCE_DIR LIST DIR}
dir=${3:?usage: talk_off_clips.sh SOURCE_DIR LIST DIR}
rm -rf "$dir"
mkdir -p "$dir"
raw=(-t s16 -c 1 -r)
for sample in dtmf_159hash speech; do
  sox "$src/samples/$sample.wav" "${raw[@]}" 8000 "$dir/$sample.raw"
done
n=0
while IFS=$'\t' read -r voice speed pitch rate volume text; do
  espeak-ng -v "$voice" -s "$speed" -p "$pitch" --stdout "$text" |
    sox -V1 -t wav - "${raw[@]}" "$rate" "$dir/clip$(printf %02d "$n").raw" vol "$volume"
  n=$((n + 1))
done <"$list"
echo "talk_off_clips.sh: $n clips in $dir"
