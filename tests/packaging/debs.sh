#!/usr/bin/env bash
# Makes the three Debian packages with scripts/package.sh, extracts them into
# a fresh root and checks what a packager would: each file in its package and
# place, the Depends lines, the installed command running against the
# installed library (its version and the main job on /usr/lib/ladspa), the
# man page rendering and the completion script loading.
#   tests/packaging/debs.sh [BUILD]
# BUILD: a folder where scripts/package.sh already made the packages.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(vocalith_core VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
minor=${version%.*}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ma=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
status=0
fail() { echo "debs: $*" >&2; status=1; }

debs=${1:-$work/build}
[ -n "${1:-}" ] || bash "$src/scripts/package.sh" "$debs" >/dev/null
deb() { echo "$debs/$1_${version}_$(dpkg --print-architecture).deb"; }

# Every package holds its files and not the others'.
expect_files() {
  local package=$1
  shift
  local listing
  listing=$(dpkg-deb -c "$(deb "$package")" | awk '{print $6}' | sed 's|^\./|/|')
  for f in "$@"; do
    grep -qx -- "$f" <<<"$listing" || fail "$package lacks $f"
  done
}
lib=/usr/lib/$ma
expect_files libvocalith-core0 "$lib/libvocalith_core.so.$version" "$lib/libvocalith_core.so.$minor"
expect_files libvocalith-core-dev "$lib/libvocalith_core.so" "$lib/pkgconfig/vocalith_core.pc" \
  "$lib/cmake/vocalith_core/vocalith_coreConfig.cmake" "$lib/cmake/vocalith_core/vocalith_coreConfigVersion.cmake" \
  /usr/include/vocalith/vocalith.h /usr/include/vocalith/version.h
expect_files vocalith /usr/bin/vocalith /usr/share/man/man1/vocalith.1 \
  /usr/share/bash-completion/completions/vocalith /usr/share/vocalith/presets/robot.xml
for package in libvocalith-core0 libvocalith-core-dev vocalith; do
  expect_files "$package" "/usr/share/doc/$package/copyright"
done
for package in libvocalith-core0 libvocalith-core-dev; do
  ! grep -q -E 'bin/vocalith$|share/vocalith/' <<<"$(dpkg-deb -c "$(deb "$package")")" || fail "$package holds the command's files"
done
! grep -q -E '\.so$|include/' <<<"$(dpkg-deb -c "$(deb libvocalith-core0)")" || fail "the library package holds development files"

# Depends: the library's from dpkg-shlibdeps; the others on this very library.
depends() { dpkg-deb -f "$(deb "$1")" Depends; }
# The package names alone, one a line.
depends_names() { depends "$1" | tr ',' '\n' | awk '{print $1}'; }
for d in libc6 libgsm1 libstdc++6 libxml2; do
  grep -qx -F "$d" <<<"$(depends_names libvocalith-core0)" || fail "libvocalith-core0 does not depend on $d: $(depends libvocalith-core0)"
done
for package in libvocalith-core-dev vocalith; do
  grep -q -F "libvocalith-core0 (= $version)" <<<"$(depends "$package")" || fail "$package: Depends: $(depends "$package")"
done
grep -qx libsndfile1 <<<"$(depends_names vocalith)" || fail "vocalith: Depends: $(depends vocalith)"

# Installed into a fresh root, the command runs against the library there.
root=$work/root
for package in libvocalith-core0 libvocalith-core-dev vocalith; do dpkg-deb -x "$(deb "$package")" "$root"; done
[ "$(readlink "$root$lib/libvocalith_core.so.$minor")" = "libvocalith_core.so.$version" ] || fail "SONAME link"
grep -q -F "Library soname: [libvocalith_core.so.$minor]" <<<"$(readelf -d "$root$lib/libvocalith_core.so.$version")" || fail "SONAME"
export LD_LIBRARY_PATH=$root$lib
# The command's plugin index goes to the run's folder, not the user's cache.
export XDG_CACHE_HOME=$work/cache
loaded=$(ldd "$root/usr/bin/vocalith")
grep -q -F "libvocalith_core.so.$minor => $root$lib/" <<<"$loaded" \
  || fail "the command does not load the installed library: $(grep vocalith <<<"$loaded")"
[ "$("$root/usr/bin/vocalith" --version)" = "$version" ] || fail "vocalith --version: $("$root/usr/bin/vocalith" --version)"
# The main job, with the bundled preset and sample found beside the command.
samples=$root/usr/share/vocalith/samples
"$root/usr/bin/vocalith" convert -p robot --ladspa-path /usr/lib/ladspa "$samples/speech.wav" "$work/robot.wav" \
  || fail "the installed command's main job failed"
[ "$(soxi -s "$work/robot.wav")" = "$(soxi -s "$samples/speech.wav")" ] && ! cmp -s "$work/robot.wav" "$samples/speech.wav" \
  || fail "the main job's output is not the speech changed"

# The man page renders, with a section per subcommand.
page=$(MANPAGER=cat MANWIDTH=100 man -l "$root/usr/share/man/man1/vocalith.1" 2>&1)
for word in NAME SYNOPSIS SUBCOMMANDS "vocalith convert" "vocalith dtmf" LADSPA_PATH; do
  grep -q -F -- "$word" <<<"$page" || fail "the man page lacks '$word'"
done
bash -c "source '$root/usr/share/bash-completion/completions/vocalith' && complete -p vocalith" >/dev/null \
  || fail "the completion script does not register"

[ $status = 0 ] && echo "debs: three packages checked ($(cd "$debs" && ls ./*.deb | tr '\n' ' '))"
exit $status
