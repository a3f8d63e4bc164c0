#!/usr/bin/env bash
# Checks that every static import of a program is a DLL Windows never searches for, so no copy
# planted beside the program can be loaded in its place: the KnownDLLs present on every Windows
# from 7 to 11 (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs), plus comctl32,
# which the program's manifest binds to the side-by-side common controls v6.
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
known=" $(echo advapi32 clbcatq comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 \
                oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32) "
fail=0
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "no imports found in $exe"; exit 1; }
for dll in $imports; do
  name=${dll%.dll}
  if [ "$name" = comctl32 ]; then
    grep -qa 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$exe" \
      || { echo "comctl32.dll imported without a manifest binding common controls v6"; fail=1; }
  elif [[ "$known" != *" $name "* ]]; then
    echo "not a KnownDLL: $dll"; fail=1
  fi
done
[ $fail -eq 0 ] && echo "imports, all known: $(echo $imports)"
exit $fail
