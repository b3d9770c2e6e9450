#!/usr/bin/env bash
# The export table of the Windows library (vocalith_core.dll) against
# abi/vocalith_core.symbols, the list made from the ELF library: the DLL must
# export exactly what the list names, but for the differences below.
#   abi/dll_symbols.sh [--objdump PROGRAM] DLL LIST
# Status 1 and the difference if they disagree.
#
# Both sides are compared demangled. The spellings that differ by platform
# are made alike: 64-bit integers are long long on Windows and long on Linux,
# va_list is char* on Windows and __va_list_tag* on x86-64 Linux, and the
# platform layer's namespace is sysport::win_impl instead of
# sysport::posix_impl.
set -euo pipefail

objdump=x86_64-w64-mingw32-objdump
if [ "${1:-}" = "--objdump" ] && [ $# -ge 2 ]; then
  objdump=$2
  shift 2
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 [--objdump PROGRAM] DLL LIST" >&2
  exit 2
fi
dll=$1
list=$2

# What the ELF library exports and the DLL does not, each with the reason.
# Every pattern must take away at least one name: one that matches nothing
# any more is stale and fails the check.
absent=(
  # Windows' C++ runtime compares type names by their text; each module keeps
  # its own copy.
  '^typeinfo name for '
  # dllexport does not reach a nested class; this one is private to the engine.
  '^app::command_processor::byte_buffer::'
  # Members defined in the header: callers compile their own copies, and the
  # DLL does not export the inline members of a template instance.
  '^sigtools::dtmf_detector<float>::(block_size|coefficient|position|receiver|sample_rate)\(.*\) const$'
)

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }')
if [ -z "$exports" ]; then
  echo "dll_symbols.sh: no export table in $dll" >&2
  exit 1
fi
have=$(c++filt <<<"$exports" | sed 's/long long/long/g; s/sysport::win_impl::/sysport::posix_impl::/g' | LC_ALL=C sort)
want=$(grep -v '^#' "$list" | c++filt | sed 's/__va_list_tag\*/char*/g' | LC_ALL=C sort)
stale=0
for pattern in "${absent[@]}"; do
  if ! grep -qE "$pattern" <<<"$want"; then
    echo "dll_symbols.sh: nothing in $list matches the exception '$pattern'" >&2
    stale=1
  fi
  want=$(grep -vE "$pattern" <<<"$want" || true)
done
if diff -u --label "$list" --label "$dll" <(echo "$want") <(echo "$have"); then
  [ "$stale" = 0 ] || exit 1
  echo "DLL exports match the list: $(wc -l <<<"$have") symbols"
  exit 0
fi
echo
echo "The DLL's exports differ from $list ('-' lines are in the list only, '+' in the DLL only):"
echo "a name the list lacks is exported where it should not be, a name the DLL lacks misses the"
echo "export macro, unless the list itself is to change (abi/symbols.sh, from the Linux build)."
exit 1
