#!/usr/bin/env bash
# Builds the Debian packages libvocalith-core0, libvocalith-core-dev and
# vocalith in a clean build folder (default build-package, or the first
# argument) and prints their paths.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-package}
jobs=$(nproc 2>/dev/null || echo 2)
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null
build=$(cd "$build" && pwd)
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
ls "$build"/*.deb
