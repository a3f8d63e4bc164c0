#!/usr/bin/env bash
# Builds everything and runs every test: native (ASan+UBSan), then under Wine on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh

echo "== native: platform-free logic under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== fuzz: a short run of each libFuzzer target"
bash tools/fuzz.sh 20

echo "== win64: compile check"
cmake --preset win64 >/dev/null
cmake --build --preset win64

echo "== win32: setup.exe and the Wine tests"
cmake --preset win32 >/dev/null
cmake --build --preset win32
prefix=$root/build/win32/wineprefix
# A server left from a run without a display would leave every window invisible to the tests.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  rc=0
  ctest --preset win32 || rc=$?
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
  exit $rc' _ "$prefix"
