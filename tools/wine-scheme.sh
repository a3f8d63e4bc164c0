#!/usr/bin/env bash
# Runs a Windows program in a private prefix that holds a colour scheme (a .reg file of
# HKCU\Control Panel\Colors, imported once):
#   wine-scheme.sh PREFIX SCHEME.reg PROGRAM [ARGS...]
set -euo pipefail
prefix=$1 scheme=$2; shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all
here=$(cd "$(dirname "$0")" && pwd)
stamp=$prefix/.scheme-$(md5sum <"$scheme" | cut -c1-12)
if [ ! -f "$stamp" ]; then
  scheme=$(cd "$(dirname "$scheme")" && pwd)/$(basename "$scheme")
  "$here/wine-run.sh" "$prefix" regedit /S "Z:${scheme//\//\\}" >/dev/null
  wineserver -w
  touch "$stamp"
fi
# The server reads the colours when it starts.
wineserver -k 2>/dev/null || true
rc=0
"$here/wine-run.sh" "$prefix" "$@" || rc=$?
wineserver -k 2>/dev/null || true
exit $rc
