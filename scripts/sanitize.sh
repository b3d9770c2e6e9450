#!/usr/bin/env bash
# Builds the library and its tests with sanitizers and runs them:
#   AddressSanitizer + UndefinedBehaviorSanitizer over the whole suite,
#   ThreadSanitizer over the concurrency tests.
# Usage: scripts/sanitize.sh [asan|tsan|all]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

what=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)

run_asan() {
  local build=build-asan
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVOCALITH_SANITIZE=address,undefined \
        -DVOCALITH_BUILD_BENCH=OFF -DVOCALITH_WERROR=ON >/dev/null
  cmake --build "$build" -j "$jobs"
  # Third-party plugins are loaded into the process: their own leaks are
  # not ours, so the suppressions name their libraries. Debian's caps
  # plugins delete an object through the wrong type in their own unload
  # code at exit, and that check cannot be suppressed by library.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:new_delete_type_mismatch=0 \
  LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE no_asan
}

run_tsan() {
  local build=build-tsan
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVOCALITH_SANITIZE=thread \
        -DVOCALITH_BUILD_BENCH=OFF -DVOCALITH_BUILD_TOOLS=OFF -DVOCALITH_WERROR=ON >/dev/null
  cmake --build "$build" -j "$jobs"
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" -L concurrency
}

case "$what" in
  asan) run_asan ;;
  tsan) run_tsan ;;
  all) run_asan; run_tsan ;;
  *) echo "usage: $0 [asan|tsan|all]" >&2; exit 2 ;;
esac
