#!/usr/bin/env bash
# Every dynamic symbol the library defines is one of the nine C functions or
# belongs to an exported namespace (app, codec, ladspa, fconv, sysport,
# sigtools, exit_code); no internal helper, and none of the kernels, leaks.
set -euo pipefail
lib=$1
shift
# The C functions that must be exported are given after the library.
case "$lib" in
  *.dll)
    # A DLL's exports are the names of its export table.
    symbols=$(x86_64-w64-mingw32-objdump -p "$lib" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
              | awk 'NR > 1 && NF { print $NF }') ;;
  *)
    symbols=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^(_init|_fini|_edata|_end|__bss_start)$') ;;
esac
for fn in "$@"; do
  if ! grep -qx "$fn" <<<"$symbols"; then
    echo "missing export: $fn"
    missing=1
  fi
done
[ -z "${missing:-}" ] || exit 1
bad=$(grep -v -x -E 'vocalith_[a-z_]+' <<<"$symbols" | c++filt \
      | grep -v -E '^((typeinfo|typeinfo name|vtable|VTT|construction vtable|non-virtual thunk|virtual thunk) (for|to) )?(app|codec|ladspa|fconv|sysport|sigtools|exit_code)::' \
      | grep -v -E '^([A-Za-z_][A-Za-z_0-9]* |(typeinfo|typeinfo name|vtable) for )?(std::|__gnu_cxx::)|^operator (new|delete)' || true)
if [ -n "$bad" ]; then
  echo "unexpected exports:"
  echo "$bad"
  exit 1
fi
grep -v -x -E 'vocalith_[a-z_]+' <<<"$symbols" | c++filt | grep -E '^app::exception::' >/dev/null \
  || { echo "app::exception is not exported"; exit 1; }
echo "exports ok: $(wc -l <<<"$symbols") symbols"
