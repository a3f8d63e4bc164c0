#!/usr/bin/env bash
# Builds everything and runs every test: native (ASan+UBSan), then under Wine, where each test
# brings its own prefix and Xvfb display and ctest runs them side by side. Ends with the time
# of each step and of each test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
times=$root/build/test-times
rm -rf "$times"
mkdir -p "$times"

step() {  # NAME COMMAND...: runs it and notes its time
  local name=$1 start=$SECONDS rc=0
  shift
  "$@" || rc=$?
  printf '%s\t%s\n' "$((SECONDS - start))" "$name" >>"$times/steps.tsv"
  return $rc
}

step "install the packages" bash tools/install-deps.sh

echo "== native: platform-free logic under AddressSanitizer and UndefinedBehaviorSanitizer"
step "native: configure" cmake --preset native >/dev/null
step "native: build" cmake --build --preset native
step "native: tests" ctest --preset native --output-junit "$times/native.xml"
# The installation stopped at every change over the storage model: its count, kept in the log.
grep -h "^install model:" build/native/Testing/Temporary/LastTest.log || echo "install model: no figures"

echo "== fuzz: a short run of each libFuzzer target"
step "fuzz" bash tools/fuzz.sh 20

source tools/wine-loader.sh
road=$(wine_road)
rc=0
if [ "$road" != wine64 ]; then
  if [ "$road" = qemu ]; then
    echo "== Wine's 32-bit loader runs through $(qemu-i386 --version | head -n1), in a namespace of its own"
    # Emulated, the programs run three to eight times slower: the tests stretch what they
    # expect of how promptly the program answers.
    export SETUP_TEST_SLOWDOWN=4
  else
    echo "== the kernel starts Wine's 32-bit loader itself"
  fi
  echo "== win64: compile check"
  step "win64: configure" cmake --preset win64 -DBUILD_TESTING=OFF >/dev/null
  step "win64: build" cmake --build --preset win64

  echo "== win32: setup.exe and the Wine tests, on the 32-bit build"
  step "win32: configure" cmake --preset win32 >/dev/null
  step "win32: build" cmake --build --preset win32
  step "win32: tests ($road)" on_wine_road ctest --preset win32 --output-junit "$times/win32.xml" || rc=$?
else
  # Neither the kernel nor qemu-user runs a 32-bit program here: the shipped 32-bit build is
  # built and checked as a file, and the Windows tests fall back to the x86-64 build of the
  # same sources under wine64. The program that ships is then not run at all.
  echo "== FALLBACK: no 32-bit program runs here; the Wine tests run on the x86-64 build, not the program that ships"
  echo "== win32: setup.exe and the test programs, checked as files"
  step "win32: configure" cmake --preset win32 >/dev/null
  step "win32: build" cmake --build --preset win32
  step "win32: file checks" ctest --preset win32 -LE wine -E '^(wine_template|scale_trees_.*)$' \
    --output-junit "$times/win32.xml" || rc=$?

  echo "== win64: the Wine tests"
  step "win64: configure" cmake --preset win64 -DBUILD_TESTING=ON >/dev/null
  step "win64: build" cmake --build --preset win64
  step "win64: tests" ctest --test-dir build/win64 -L wine -j 4 --timeout 600 --output-on-failure \
    --output-junit "$times/win64.xml" || rc=$?
fi

python3 tools/test-times.py "$times/steps.tsv" "$times/native.xml" "$times"/win*.xml
exit $rc
