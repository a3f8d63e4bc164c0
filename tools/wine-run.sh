#!/usr/bin/env bash
# Runs a Windows program in the build's private Wine prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is created once, under a lock, so parallel tests share it.
set -euo pipefail
export WINEPREFIX="$1"; shift
source "$(dirname "$0")/wine-loader.sh"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
if [ ! -f "$WINEPREFIX/.ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# Wine's background processes can end up holding the program's output: a caller reading it
# through a pipe (ctest) would wait for them long after the program ended. A file is read
# once the program itself has ended.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
rc=0
wine "$@" >"$out" 2>&1 || rc=$?
cat "$out"
exit $rc
