#!/usr/bin/env bash
# The dynamic symbols a build of the shared library defines, in the form of
# abi/vocalith_core.symbols (mangled names, byte order).
#   abi/symbols.sh LIBRARY               prints the list
#   abi/symbols.sh --check LIBRARY LIST  compares the library with a list;
#                                        status 1 and the difference if any
set -euo pipefail

list_symbols() {
  echo "# Dynamic symbols of libvocalith_core.so, mangled. A change here is a change"
  echo "# of the ABI: regenerate with abi/symbols.sh LIBRARY > abi/vocalith_core.symbols"
  # AArch64's va_list is the class std::__va_list, x86-64's a pointer to
  # __va_list_tag: one list serves both, in x86-64's spelling.
  nm -D --defined-only "$1" | awk '{print $NF}' | sed 's/St9__va_list/P13__va_list_tag/g' | LC_ALL=C sort
}

if [ "${1:-}" = "--check" ] && [ $# -eq 3 ]; then
  lib=$2
  list=$3
  if diff -u --label "$list" --label "$lib" <(grep -v '^#' "$list") <(list_symbols "$lib" | grep -v '^#'); then
    echo "ABI unchanged: $(grep -vc '^#' "$list") symbols"
    exit 0
  fi
  echo
  echo "The exported symbols differ from $list ('-' lines are in the list only, '+' in the library only;"
  echo "c++filt demangles them). If the change is intended, regenerate the list from a release build and"
  echo "commit it with the change:"
  echo "  abi/symbols.sh build/src/libvocalith_core.so > abi/vocalith_core.symbols"
  exit 1
elif [ $# -eq 1 ] && [ "${1:0:1}" != "-" ]; then
  list_symbols "$1"
else
  echo "usage: $0 LIBRARY | $0 --check LIBRARY LIST" >&2
  exit 2
fi
