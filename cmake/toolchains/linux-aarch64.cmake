# Linux AArch64 with Debian's cross compiler; programs run under qemu-aarch64.
# VOCALITH_CROSS_PREFIX names the folder with the cross-built dependencies
# (scripts/cross.sh makes it).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

if(NOT VOCALITH_CROSS_PREFIX)
  set(VOCALITH_CROSS_PREFIX "$ENV{VOCALITH_CROSS_PREFIX}" CACHE PATH "Cross-built dependencies")
endif()
# try_compile projects read this file again and see the environment only.
set(ENV{VOCALITH_CROSS_PREFIX} "${VOCALITH_CROSS_PREFIX}")
# VOCALITH_CROSS_RUNTIME names the folder where scripts/cross.sh unpacked
# Debian's arm64 packages: libsndfile with its codec libraries, and the
# plugin collections under usr/lib/ladspa.
if(NOT VOCALITH_CROSS_RUNTIME)
  set(VOCALITH_CROSS_RUNTIME "$ENV{VOCALITH_CROSS_RUNTIME}" CACHE PATH "Unpacked arm64 Debian packages")
endif()
set(ENV{VOCALITH_CROSS_RUNTIME} "${VOCALITH_CROSS_RUNTIME}")
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu ${VOCALITH_CROSS_PREFIX} ${VOCALITH_CROSS_RUNTIME})
# Libraries named by their file (libxml2's -l:libz.a) are looked for in the
# dependency folder too, where the only zlib for this machine is; the linker
# finds the libraries that the unpacked ones need beside them.
set(vocalith_link_flags "-L${VOCALITH_CROSS_PREFIX}/lib")
if(VOCALITH_CROSS_RUNTIME)
  string(APPEND vocalith_link_flags " -Wl,-rpath-link,${VOCALITH_CROSS_RUNTIME}/usr/lib/aarch64-linux-gnu")
endif()
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "${vocalith_link_flags}")
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(VOCALITH_QEMU qemu-aarch64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VOCALITH_QEMU} -L /usr/aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} "${VOCALITH_CROSS_PREFIX}/lib/pkgconfig")
if(VOCALITH_CROSS_RUNTIME)
  # The emulated loader finds the unpacked libraries there: libsndfile's codec
  # libraries, and those the plugins need (fftw, libgsm).
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -E LD_LIBRARY_PATH=${VOCALITH_CROSS_RUNTIME}/usr/lib/aarch64-linux-gnu)
  set(ENV{PKG_CONFIG_LIBDIR} "${VOCALITH_CROSS_RUNTIME}/usr/lib/aarch64-linux-gnu/pkgconfig:$ENV{PKG_CONFIG_LIBDIR}")
endif()
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
