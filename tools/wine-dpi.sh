#!/usr/bin/env bash
# Runs a Windows program in a private prefix whose display runs at another DPI:
#   wine-dpi.sh PREFIX DPI PROGRAM [ARGS...]
set -euo pipefail
prefix=$1 dpi=$2; shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$prefix/.dpi-$dpi" ]; then
  "$here/wine-run.sh" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  wineserver -w
  touch "$prefix/.dpi-$dpi"
fi
# The server reads the DPI when it starts.
wineserver -k 2>/dev/null || true
rc=0
"$here/wine-run.sh" "$prefix" "$@" || rc=$?
wineserver -k 2>/dev/null || true
exit $rc
