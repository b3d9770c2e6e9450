#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, testing and
# benchmarking need. Does nothing when all of them are present.
#   --cross    also the cross compilers, wine and qemu of scripts/cross.sh, a
#              deb-src entry so that it can fetch dependency sources, and the
#              arm64 architecture, whose packages it unpacks
set -euo pipefail

cross=0
if [ "${1:-}" = "--cross" ]; then cross=1; fi

packages=(
  # build
  build-essential cmake pkg-config
  # man page and Debian packages (dpkg-shlibdeps, file for CPack, man to check the page)
  help2man dpkg-dev file man-db
  # libraries the core links or includes
  libxml2-dev ladspa-sdk libgsm1-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # interoperability references used by the tests
  sox libsox-fmt-all ffmpeg libspandsp-dev espeak-ng locales
  # plugin collections nobody here wrote
  swh-plugins tap-plugins cmt caps autotalent
  # command-line program
  libcli11-dev nlohmann-json3-dev libsndfile1-dev libsoxr-dev
  # the GStreamer element, the elements its tests build pipelines from, and
  # the Python bindings of the README's example
  libgstreamer1.0-dev gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  python3-gi gir1.2-gstreamer-1.0
  # sanitizers and fuzzing
  clang-14 libclang-rt-14-dev libfuzzer-14-dev
  # benchmarks against peers
  hyperfine valgrind
)
if [ "$cross" = 1 ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 zip unzip
    g++-aarch64-linux-gnu qemu-user
    dpkg-dev googletest
  )
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Several builds on one machine may bootstrap at once: one apt run at a time.
lock=/var/lock/vocalith-apt.lock

# Source packages come from the system's own Debian entry, copied into a file
# of its own as deb-src; the existing entries stay as they are.
src_list=/etc/apt/sources.list.d/vocalith-deb-src.sources
if [ "$cross" = 1 ] && [ ! -f "$src_list" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$src_list" >/dev/null
  $SUDO flock "$lock" apt-get update -qq
fi

# The AArch64 run unpacks Debian's arm64 builds of the plugin collections and
# of libsndfile (scripts/cross.sh): apt must know that architecture's lists.
if [ "$cross" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $SUDO flock "$lock" dpkg --add-architecture arm64
  $SUDO flock "$lock" apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
$SUDO flock "$lock" apt-get update -qq
$SUDO flock "$lock" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
