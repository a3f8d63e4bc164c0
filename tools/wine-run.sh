#!/usr/bin/env bash
# Runs a Windows program in the build's private Wine prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is created once, under a lock, so parallel tests share it.
set -euo pipefail
export WINEPREFIX="$1"; shift
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
exec wine "$@"
