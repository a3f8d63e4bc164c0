#!/usr/bin/env bash
# Checks the shipped executable: a GUI program whose imports are Windows' own DLLs only, built
# with ASLR and DEP, run from swap when started from a disc or a share; and, so that builds in
# other folders give the same bytes, a fixed time stamp and none of the FOLDERs named in it.
#   check-pe.sh PROGRAM [FOLDER...]
set -euo pipefail
exe=$1
shift
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
info=$(TZ=UTC "$objdump" -p "$exe")
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
for media in removable network; do
  grep -q "copy to swap file if on $media media" <<<"$info" || { echo "not run from swap on $media media"; fail=1; }
done
grep -qE '^Time/Date\s+Thu Jan  1 00:00:00 1970' <<<"$info" || { echo "time stamp not fixed at 0"; fail=1; }
# Narrow and UTF-16 text alike.
text=$("${objdump%objdump}strings" -a "$exe"; "${objdump%objdump}strings" -a -e l "$exe")
for folder in "$@"; do
  if grep -qF "$folder" <<<"$text"; then echo "names the folder $folder"; fail=1; fi
done
grep -qE '^Subsystem\s+00000002' <<<"$info" || { echo "not a GUI program"; fail=1; }
grep -qE '^Magic\s+010b' <<<"$info" || { echo "not a 32-bit program"; fail=1; }
[ $fail -eq 0 ] && echo "imports: $(echo "$info" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
exit $fail
