#!/usr/bin/env bash
# Builds the library shared and static, installs each with
# `cmake --install --prefix` into a fresh folder, moves that folder (the
# installed files must not depend on where they were put), and builds and
# runs the C99 host of tests/packaging/host against it twice: as a CMake
# project (find_package) and with pkg-config.
#   tests/packaging/downstream.sh [SHARED_BUILD]
# SHARED_BUILD: an existing build folder of the shared library to install
# instead of building one (CI passes the test build).
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(vocalith_core VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc=${CC:-cc}

fail() { echo "downstream: $*" >&2; exit 1; }

for kind in shared static; do
  build=$work/$kind/build
  if [ "$kind" = shared ] && [ -n "${1:-}" ]; then
    build=$(cd "$1" && pwd)
  else
    flag=ON
    [ "$kind" = static ] && flag=OFF
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVOCALITH_BUILD_TOOLS=OFF \
      -DBUILD_SHARED_LIBS=$flag >/dev/null
    cmake --build "$build" -j "$jobs" --target vocalith_core >/dev/null
  fi
  cmake --install "$build" --prefix "$work/$kind/installed" --component dev >/dev/null
  cmake --install "$build" --prefix "$work/$kind/installed" --component runtime >/dev/null
  mv "$work/$kind/installed" "$work/$kind/moved"
  prefix=$work/$kind/moved
  libdir=$(dirname "$(find "$prefix" -name vocalith_core.pc)")/..
  if [ "$kind" = static ]; then
    [ -f "$libdir/libvocalith_core.a" ] || fail "static: no libvocalith_core.a in $libdir"
    ! ls "$libdir"/libvocalith_core.so* >/dev/null 2>&1 || fail "static: a shared library was installed"
  fi

  # CMake: find_package through CMAKE_PREFIX_PATH.
  cmake -S "$src/tests/packaging/host" -B "$work/$kind/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/$kind/cmake-host" >/dev/null
  # pkg-config: a static link needs the private dependencies too.
  static=()
  [ "$kind" = static ] && static=(--static)
  flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config "${static[@]}" --cflags --libs vocalith_core)
  case $flags in *"$prefix"*) ;; *) fail "$kind: pkg-config does not point into $prefix: $flags" ;; esac
  # shellcheck disable=SC2086
  "$cc" -std=c99 -Wall -Wextra -o "$work/$kind/pc-host" "$src/tests/packaging/host/host.c" $flags

  for host in "$work/$kind/cmake-host/host" "$work/$kind/pc-host"; do
    if [ "$kind" = shared ]; then
      LD_LIBRARY_PATH=$libdir "$host" "$version" || fail "$kind: $host failed"
      ldd_line=$(LD_LIBRARY_PATH=$libdir ldd "$host" | grep libvocalith_core) || true
      case $ldd_line in *"$prefix"*) ;; *) fail "$kind: $host does not load the installed library: $ldd_line" ;; esac
    else
      "$host" "$version" || fail "$kind: $host failed"
      ! grep -q libvocalith_core <<<"$(ldd "$host")" || fail "$kind: $host loads a shared vocalith_core"
    fi
  done
  echo "downstream $kind: CMake and pkg-config hosts built and ran"
done
