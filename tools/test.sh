#!/usr/bin/env bash
# Builds everything and runs every test: native (ASan+UBSan), then under Wine, side by side.
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
# Each Wine test brings its own prefix and Xvfb display (tools/wine-test.sh).
ctest --preset win32
