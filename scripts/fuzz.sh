#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each target for a while, starting from
# its saved corpus in tests/fuzz/corpus/<target>/. New inputs go to a working
# copy under the build directory, findings to build-fuzz/findings/<target>/.
#
# Usage: scripts/fuzz.sh [-t SECONDS] [-m] [TARGET ...]
#   -t SECONDS  run time per target (default 60)
#   -m          afterwards rewrite the saved corpus as the smallest set of
#               saved and new inputs that covers the same edges; inputs
#               named finding-* (fixed findings) are always kept
#   TARGET      codec_decode, codec_encode, ... (default: every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
merge=0
while getopts "t:m" opt; do
  case "$opt" in
    t) seconds=$OPTARG ;;
    m) merge=1 ;;
    *) echo "usage: $0 [-t SECONDS] [-m] [TARGET ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

bash scripts/bootstrap.sh

build=${VOCALITH_FUZZ_BUILD_DIR:-build-fuzz}
corpus_src=tests/fuzz/corpus
jobs=$(nproc 2>/dev/null || echo 2)

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for dir in "$corpus_src"/*/; do targets+=("$(basename "$dir")"); done
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOCALITH_FUZZ=ON -DVOCALITH_SANITIZE=address,undefined \
  -DVOCALITH_BUILD_BENCH=OFF -DVOCALITH_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$work" "$findings"
  # Leaks would be reported per input; they are checked by the sanitizer run.
  dict=()
  if [ -f "tests/fuzz/$target.dict" ]; then dict=(-dict="tests/fuzz/$target.dict"); fi
  if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
      "${dict[@]}" -artifact_prefix="$findings/" "$work" "$corpus_src/$target" >"$log" 2>&1; then
    echo "$target: FINDING, see $log and $findings/" >&2
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -1)
  took=${took:-$seconds}
  [ "$took" -gt 0 ] || took=1
  echo "$target: ${runs:-0} executions in ${took} s, $(( ${runs:-0} / took )) per second"
  if [ "$merge" = 1 ]; then
    merged=$(mktemp -d)
    ASAN_OPTIONS=detect_leaks=0 "$build/tests/fuzz/fuzz_$target" -merge=1 -use_counters=0 \
      "$merged" "$corpus_src/$target" "$work" >>"$log" 2>&1
    find "$corpus_src/$target" -type f ! -name 'finding-*' -delete
    cp "$merged"/* "$corpus_src/$target"/
    rm -rf "$merged"
    echo "$target: saved corpus now $(ls "$corpus_src/$target" | wc -l) inputs"
  fi
done
exit $status
