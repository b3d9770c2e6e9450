#!/usr/bin/env bash
# Builds vocalith for another platform and runs its test suite there through
# an emulator: Windows x86-64 under wine, Linux AArch64 under qemu.
#
#   bash scripts/cross.sh windows|aarch64 [--no-test] [--package]
#
# --package (windows) then makes vocalith-VERSION-win64.zip beside the
# sources: the DLL, its import library, the headers, vocalith.exe, the
# bundled presets and the README, and runs the zipped command once.
#
# The dependencies that Debian does not package for the target (libxml2,
# libgsm, libsndfile, libsoxr, GoogleTest, the LADSPA SDK's example plugins)
# are built from their Debian sources once and kept under $VOCALITH_CROSS_CACHE (default
# /var/cache/vocalith-cross), in a folder named after their versions.
# The build goes to build-<target>/ beside the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

target=${1:-}
shift || true
run_tests=1
package=0
for arg in "$@"; do
  case "$arg" in
    --no-test) run_tests=0 ;;
    --package) package=1 ;;
    *) echo "cross.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

case "$target" in
  windows)
    triple=x86_64-w64-mingw32
    cc=x86_64-w64-mingw32-gcc-posix
    cxx=x86_64-w64-mingw32-g++-posix
    ar=x86_64-w64-mingw32-ar
    toolchain=$root/cmake/toolchains/windows-x86_64.cmake
    plugin_suffix=.dll
    extra=(-DVOCALITH_BUILD_TOOLS=ON)
    ;;
  aarch64)
    triple=aarch64-linux-gnu
    cc=aarch64-linux-gnu-gcc
    cxx=aarch64-linux-gnu-g++
    ar=aarch64-linux-gnu-ar
    toolchain=$root/cmake/toolchains/linux-aarch64.cmake
    plugin_suffix=.so
    extra=(-DVOCALITH_BUILD_TOOLS=ON)
    ;;
  *)
    echo "usage: cross.sh windows|aarch64 [--no-test] [--package]" >&2
    exit 2
    ;;
esac

bash scripts/bootstrap.sh --cross

export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache}
jobs=${VOCALITH_JOBS:-2}
cache=${VOCALITH_CROSS_CACHE:-/var/cache/vocalith-cross}
mkdir -p "$cache/src"

src_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ { print $2; exit }'; }
v_xml=$(src_version libxml2)
v_gsm=$(src_version libgsm)
v_sndfile=$(src_version libsndfile)
v_soxr=$(src_version libsoxr)
v_ladspa=$(src_version ladspa-sdk)
v_gtest=$(dpkg-query -W -f='${Version}' googletest)
v_cc=$($cc -dumpfullversion)
# Bumped whenever build_dependencies changes what it makes of the same sources.
recipe=2
key="$target-r$recipe-xml2_$v_xml-gsm_$v_gsm-sndfile_$v_sndfile-soxr_$v_soxr-ladspa_$v_ladspa-gtest_$v_gtest-gcc_$v_cc"
if [ "$target" = aarch64 ]; then
  v_zlib=$(src_version zlib)
  key="$key-zlib_$v_zlib"
fi
prefix=$cache/${key//[^A-Za-z0-9._+-]/_}
export VOCALITH_CROSS_PREFIX=$prefix

# Unpacks a Debian source package into $1 (a fresh folder) and prints its
# top folder. The download is kept; dpkg-source applies Debian's patches.
unpack() {
  local pkg=$1 dir=$2
  # The newest version first; where the archive lacks its files (an update's
  # sources can be missing), the version the cache key names.
  (cd "$cache/src" && ls "${pkg}"_*.dsc >/dev/null 2>&1 || apt-get source --download-only -qq "$pkg" >/dev/null 2>&1 ||
    apt-get source --download-only -qq "$pkg=$(src_version "$pkg")" >/dev/null)
  local dsc
  dsc=$(ls "$cache/src/${pkg}"_*.dsc | head -n 1)
  if ! (cd "$dir" && dpkg-source -x -q "$dsc" >/dev/null 2>&1); then
    # A source package whose Debian part is missing from the archive: its
    # upstream tarball alone.
    tar -C "$dir" -xf "$(ls "$cache/src/${pkg}"_*.orig.tar.* | head -n 1)"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# Configures, builds and installs the CMake project in $1 (build folder $2,
# further options after) into build_dependencies' stage: static archives of
# position-independent code for the target.
cmake_static() {
  local src=$1 dir=$2
  shift 2
  cmake -S "$src" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage" -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" >/dev/null
  cmake --install "$dir" >/dev/null
}

build_dependencies() {
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  local stage=$prefix.partial
  rm -rf "$stage"
  mkdir -p "$stage/include" "$stage/lib" "$stage/ladspa"

  # Debian packages no zlib for AArch64 beside the cross compiler: libxml2
  # needs it for compressed presets.
  local zlib_args=()
  if [ "$target" = aarch64 ]; then
    echo "cross.sh: building zlib $v_zlib for $target"
    mkdir "$work/zlib"
    local zlib
    zlib=$(unpack zlib "$work/zlib")
    (cd "$zlib" && CHOST=$triple ./configure --static --prefix="$stage" >/dev/null && make -j"$jobs" libz.a >/dev/null &&
      make install >/dev/null)
    zlib_args=(-DZLIB_INCLUDE_DIR="$stage/include" -DZLIB_LIBRARY="$stage/lib/libz.a")
  fi

  echo "cross.sh: building libxml2 $v_xml for $target"
  mkdir "$work/xml2"
  local xml
  xml=$(unpack libxml2 "$work/xml2")
  cmake_static "$xml" "$work/xml2/build" \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ZLIB=ON \
    -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF \
    -DLIBXML2_WITH_ICU=OFF "-DCMAKE_C_FLAGS=-D_USE_MATH_DEFINES -DLIBXML_STATIC" "${zlib_args[@]}"
  # Only the static archive is there: its private libraries (zlib, winsock)
  # go to every link.
  local pc=$stage/lib/pkgconfig/libxml-2.0.pc
  sed -i "s|^Libs: \(.*\)|Libs: \1 $(sed -n 's/^Libs.private://p' "$pc" | xargs)|" "$pc"
  # zlib's archive, not its DLL, which nothing here ships.
  sed -i 's/ -lz\b/ -l:libz.a/g' "$pc"

  echo "cross.sh: building libgsm $v_gsm for $target"
  mkdir "$work/gsm"
  local gsm
  gsm=$(unpack libgsm "$work/gsm")
  local objects=()
  for name in add code decode long_term lpc preprocess rpe gsm_destroy gsm_decode gsm_encode gsm_explode \
              gsm_implode gsm_create gsm_print gsm_option short_term table; do
    # The flags of Debian's own build, so that the coder computes the same.
    $cc -c -O2 -fPIC -DNeedFunctionPrototypes=1 -DSASR -DWAV49 -I"$gsm/inc" "$gsm/src/$name.c" \
      -o "$work/gsm/$name.o"
    objects+=("$work/gsm/$name.o")
  done
  $ar rcs "$stage/lib/libgsm.a" "${objects[@]}"
  mkdir -p "$stage/include/gsm"
  cp "$gsm/inc/gsm.h" "$stage/include/gsm/"

  # The command's sound files on Windows. No external codec libraries: WAV,
  # AIFF, AU and raw are what the command's tests read and write there. The
  # AArch64 build links Debian's own arm64 libsndfile (fetch_arm64_packages).
  if [ "$target" = windows ]; then
    echo "cross.sh: building libsndfile $v_sndfile for $target"
    mkdir "$work/sndfile"
    local sndfile
    sndfile=$(unpack libsndfile "$work/sndfile")
    cmake_static "$sndfile" "$work/sndfile/build" \
      -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
      -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Sqlite3=ON
    # libsndfile carries its own copy of the GSM coder under libgsm's names,
    # which two static archives in one link (the command's tests) cannot both
    # define: its copy gets names of its own.
    "$triple-nm" -g --defined-only "$stage/lib/libgsm.a" | awk 'NF == 3 { print $3, "sndfile_" $3 }' | sort -u \
      >"$work/sndfile/gsm.syms"
    "$triple-objcopy" --redefine-syms="$work/sndfile/gsm.syms" "$stage/lib/libsndfile.a"
    sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$stage/lib/pkgconfig/sndfile.pc"
  fi

  echo "cross.sh: building libsoxr $v_soxr for $target"
  mkdir "$work/soxr"
  local soxr
  soxr=$(unpack libsoxr "$work/soxr")
  cmake_static "$soxr" "$work/soxr/build" \
    -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF
  # Its CMake files install no pkg-config file, which the command looks for;
  # it names the prefix relative to itself (as libsndfile's), as it is moved after.
  printf '%s\n' 'prefix=${pcfiledir}/../..' 'libdir=${prefix}/lib' 'includedir=${prefix}/include' '' 'Name: soxr' \
    'Description: resampler' "Version: ${v_soxr%%-*}" 'Libs: -L${libdir} -lsoxr -lm' 'Cflags: -I${includedir}' \
    >"$stage/lib/pkgconfig/soxr.pc"

  echo "cross.sh: building GoogleTest $v_gtest for $target"
  cmake -S /usr/src/googletest -B "$work/gtest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$work/gtest" -j"$jobs" >/dev/null
  cmake --install "$work/gtest" >/dev/null

  echo "cross.sh: building the LADSPA SDK $v_ladspa plugins for $target"
  mkdir "$work/ladspa"
  local sdk
  sdk=$(unpack ladspa-sdk "$work/ladspa")
  cp "$sdk/src/ladspa.h" "$stage/include/"
  for plugin in amp delay filter; do
    $cc -O2 -ffp-contract=off -shared -fPIC -I"$sdk/src" "$sdk/src/plugins/$plugin.c" -o "$stage/ladspa/$plugin$plugin_suffix" -lm
  done

  # Header-only libraries of the command and the tests, as the host has them.
  cp -r /usr/include/nlohmann /usr/include/CLI "$stage/include/"
  # The kernel tests compare with spandsp's inline G.711 coders: headers only.
  mkdir -p "$stage/include/spandsp"
  cp /usr/include/spandsp/{telephony,bit_operations,g711}.h "$stage/include/spandsp/"
  mkdir -p "$stage/share/cmake"
  cp -r /usr/share/cmake/nlohmann_json "$stage/share/cmake/"

  mv "$stage" "$prefix"
}

if [ ! -f "$prefix/ladspa/amp$plugin_suffix" ]; then
  build_dependencies
fi

# Linux AArch64: Debian's own arm64 builds of the plugin collections the
# tests load (the sweep, the bundled presets) and of libsndfile with its codec
# libraries (FLAC, Ogg, Opus, MP3), unpacked, never installed (their plugin
# folder would take the place of the build machine's), into a folder of their
# own named after their versions. The C and C++ runtimes are the cross
# compiler's.
arm64_packages=(ladspa-sdk caps cmt tap-plugins swh-plugins autotalent
  libsndfile1 libsndfile1-dev libflac12 libogg0 libvorbis0a libvorbisenc2 libopus0 libmpg123-0 libmp3lame0
  libfftw3-single3 libgsm1)
fetch_arm64_packages() {
  local versions=() pkg version
  for pkg in "${arm64_packages[@]}"; do
    version=$(apt-cache show --no-all-versions "$pkg:arm64" 2>/dev/null | awk '/^Version:/ { print $2; exit }')
    if [ -z "$version" ]; then
      echo "cross.sh: no arm64 $pkg in apt's lists (bootstrap.sh --cross adds the architecture)" >&2
      exit 1
    fi
    versions+=("$pkg=$version")
  done
  runtime=$cache/aarch64-debs-$(printf '%s\n' "${versions[@]}" | sha256sum | cut -c1-16)
  [ -f "$runtime/versions.txt" ] && return
  echo "cross.sh: unpacking Debian's arm64 ${arm64_packages[*]}"
  local stage=$runtime.partial
  rm -rf "$stage"
  mkdir -p "$stage/debs"
  # apt's unprivileged download user cannot write into the cache folder: the
  # caller downloads. A failed download stops the script with apt's message.
  (cd "$stage/debs" &&
    flock /var/lock/vocalith-apt.lock apt-get download -qq -o APT::Sandbox::User=root "${versions[@]/=/:arm64=}")
  local deb
  for deb in "$stage"/debs/*.deb; do dpkg-deb -x "$deb" "$stage"; done
  rm -rf "$stage/debs"
  # Every library these need is among them or the cross compiler's.
  local lib needed missing=0
  while read -r lib; do
    for needed in $("$triple-readelf" -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      if [ ! -e "$stage/usr/lib/$triple/$needed" ] && [ ! -e "$stage/lib/$triple/$needed" ] &&
         [ ! -e "/usr/$triple/lib/$needed" ]; then
        echo "cross.sh: $lib needs $needed, which no unpacked package has" >&2
        missing=1
      fi
    done
  done < <(find "$stage" -name '*.so*' -type f)
  [ "$missing" = 0 ] || exit 1
  # The pkg-config files name their prefix relative to themselves; only the
  # shared library links, so its codec libraries' own files are not needed.
  sed -i -e 's|^prefix=.*|prefix=${pcfiledir}/../../..|' -e '/^Requires.private:/d' \
    "$stage/usr/lib/$triple/pkgconfig/sndfile.pc"
  printf '%s\n' "${versions[@]}" >"$stage/versions.txt"
  mv "$stage" "$runtime"
}
if [ "$target" = aarch64 ]; then
  fetch_arm64_packages
  extra+=(-DVOCALITH_CROSS_RUNTIME="$runtime" -DVOCALITH_SYSTEM_PLUGIN_DIR="$runtime/usr/lib/ladspa"
    -DVOCALITH_TOOL_CODEC_LIBRARIES=ON)
fi

build=$root/build-$target
if [ "$target" = windows ]; then
  # A prefix of the run's own, so that wine's first start leaves nothing in
  # the user's home; the tests' plugin folders are the only state it keeps.
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
  wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  export WINEDEBUG=-all
  # Programs that link the DLL find it there.
  export WINEPATH=$build/src
  # wineserver keeps its socket folder under TMPDIR: inside the build, so that
  # the run leaves nothing in the system's temporary folder.
  export TMPDIR=$build/tmp
  mkdir -p "$build" "$TMPDIR"
fi

# A build folder configured against another dependency folder keeps that
# folder's libraries in its cache: it starts afresh.
if [ -f "$build/CMakeCache.txt" ] &&
   { [ "$(sed -n 's/^VOCALITH_CROSS_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")" != "$prefix" ] ||
     [ "$(sed -n 's/^VOCALITH_CROSS_RUNTIME:[A-Z]*=//p' "$build/CMakeCache.txt")" != "${runtime:-}" ]; }; then
  rm -f "$build/CMakeCache.txt"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOCALITH_CROSS_PREFIX="$prefix" -DVOCALITH_BUILD_BENCH=OFF "${launcher[@]}" \
  -DVOCALITH_SDK_PLUGIN_DIR="$prefix/ladspa" "${extra[@]}" >/dev/null
cmake --build "$build" -j"$jobs"

if [ "$run_tests" = 1 ]; then
  # The whole suite: the build machine's programs (sox, ffmpeg, espeak-ng)
  # run as CTest steps of their own or from a test under qemu, the AArch64
  # run has Debian's arm64 plugins and codec libraries unpacked, and the
  # Windows build disables the tests that mean nothing there, each by name.
  ctest --test-dir "$build" -j"$jobs" --output-on-failure
fi

if [ "$target" = windows ] && [ "$run_tests" = 1 ]; then
  # The command's own tests drive it through a shell and read its files with
  # sox: they are a program of this machine that runs vocalith.exe under wine
  # on the Windows plugins. Wine keeps the server folder of the run above.
  tool_build=$build/tool-tests
  start=$SECONDS
  cmake -S . -B "$tool_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOCALITH_BUILD_BENCH=OFF \
    -DVOCALITH_BUILD_GST=OFF "${launcher[@]}" -DVOCALITH_SDK_PLUGIN_DIR="$prefix/ladspa" \
    -DVOCALITH_TOOL_UNDER_TEST="$build/tools/vocalith.exe" -DVOCALITH_TOOL_BUILD_DIR="$build" \
    "-DVOCALITH_TOOL_LAUNCHER=env;TMPDIR=$TMPDIR;$wine" >/dev/null
  cmake --build "$tool_build" -j"$jobs" --target test_tool
  # One server for the whole run: between commands (while sox works) a server
  # that is shutting down resets the next command's connection.
  wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
  "$wineserver" -w
  "$wineserver" -p
  status=0
  ctest --test-dir "$tool_build" -j"$jobs" --output-on-failure -L '^test_tool$' || status=$?
  "$wineserver" -k || true
  [ "$status" = 0 ] || exit "$status"
  echo "cross.sh: the command's tests under wine: $((SECONDS - start)) s"
fi

if [ "$package" = 1 ]; then
  if [ "$target" != windows ]; then
    echo "cross.sh: --package makes the Windows zip only" >&2
    exit 2
  fi
  version=$(sed -n 's/^project(vocalith_core VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  name=vocalith-$version-win64
  zip=$root/$name.zip
  staging=$build/package
  rm -rf "$staging" "$zip"
  cmake --install "$build" --prefix "$staging/$name" --strip >/dev/null
  # Shell completion means nothing on Windows.
  rm -rf "$staging/$name/share/bash-completion"
  cp README.md "$staging/$name/"
  (cd "$staging" && zip -qr "$zip" "$name")
  unzip -l "$zip"

  # The zip on its own: unpacked elsewhere, its command finds its DLL beside
  # it (no WINEPATH) and runs the speech sample through the SDK's amp DLL at
  # half gain.
  mkdir "$staging/check"
  unzip -q "$zip" -d "$staging/check"
  exe=$staging/check/$name/bin/vocalith.exe
  for file in bin/vocalith_core.dll lib/vocalith_core.lib include/vocalith/vocalith.h include/vocalith/export.h \
              share/vocalith/presets/robot.xml README.md; do
    [ -f "$staging/check/$name/$file" ] || { echo "cross.sh: $file is missing from $zip" >&2; exit 1; }
  done
  shown=$(env -u WINEPATH "$wine" "$exe" --version | tr -d '\r')
  [ "$shown" = "$version" ] || [ "$shown" = "vocalith $version" ] \
    || { echo "cross.sh: the zipped command says '$shown', not $version" >&2; exit 1; }
  env -u WINEPATH "$wine" "$exe" convert --log-level 2 --ladspa-path "$prefix/ladspa" -e amp_mono:Gain=0.5 \
      samples/speech.wav "$staging/half.wav" \
    || { echo "cross.sh: the zipped command did not convert through the SDK's amp" >&2; exit 1; }
  # The same bytes as the command's on Linux x86-64 (the identity test's list).
  [ "$(sha256sum <"$staging/half.wav" | cut -d' ' -f1)" = "$(awk '$1 == "command.wav" { print $2 }' \
      tests/identity/digests.txt)" ] \
    || { echo "cross.sh: the zipped command's output differs from Linux x86-64's" >&2; exit 1; }
  rm -rf "$staging"
  echo "cross.sh: $zip"
fi
