#!/usr/bin/env bash
# Checks the shipped executable: a GUI program whose imports are Windows' own DLLs only,
# built with ASLR and DEP.
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
info=$("$objdump" -p "$exe")
allowed='^(kernel32|user32|gdi32|comctl32|advapi32|shell32|ole32|msvcrt)\.dll$'
fail=0
while read -r dll; do
  if ! grep -qiE "$allowed" <<<"$dll"; then
    echo "unexpected import: $dll"; fail=1
  fi
done < <(echo "$info" | sed -n 's/^\s*DLL Name: //p')
for flag in DYNAMIC_BASE NX_COMPAT; do
  grep -q "$flag" <<<"$info" || { echo "missing $flag"; fail=1; }
done
grep -qE '^Subsystem\s+00000002' <<<"$info" || { echo "not a GUI program"; fail=1; }
grep -qE '^Magic\s+010b' <<<"$info" || { echo "not a 32-bit program"; fail=1; }
[ $fail -eq 0 ] && echo "imports: $(echo "$info" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
exit $fail
