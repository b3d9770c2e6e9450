#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds, and runs
# the bundled speech sample through a few bundled voice presets.
# Results go to out/ (or the directory given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=${VOCALITH_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target vocalith vocalith_core

out=${1:-out}
mkdir -p "$out"
export LADSPA_PATH=${LADSPA_PATH:-/usr/lib/ladspa}
input=samples/speech.wav
for preset in robot deep anonymous; do
  "$build/tools/vocalith" convert -p "$preset" "$input" "$out/speech-$preset.wav"
done

echo
echo "Converted $input ($(soxi -d "$input")) through three presets:"
for preset in robot deep anonymous; do
  echo "  $(cd "$out" && pwd)/speech-$preset.wav"
done
echo "Listen with: play $out/speech-robot.wav   (sox)"
echo "Other presets: $(ls presets | sed 's/\.xml.*//;s/\.rack$//' | tr '\n' ' ')"
