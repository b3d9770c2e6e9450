#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, testing and
# benchmarking need. Does nothing when all of them are present.
set -euo pipefail

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
  # sanitizers and fuzzing
  clang-14 libclang-rt-14-dev libfuzzer-14-dev
  # benchmarks against peers
  hyperfine valgrind
)

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
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Several builds on one machine may bootstrap at once: one apt run at a time.
lock=/var/lock/vocalith-apt.lock
$SUDO flock "$lock" apt-get update -qq
$SUDO flock "$lock" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
