#!/usr/bin/env bash
# The main job: build setup.exe, lay out the sample medium and run the installer on it under
# Wine. With a display you click through it yourself; without one it runs on Xvfb, walks
# through every window by itself and saves a PNG screenshot of each.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh
source tools/wine-loader.sh
preset=win32
case $(wine_road) in
  native) echo "Running the 32-bit setup.exe that ships; the kernel starts Wine's 32-bit loader." ;;
  qemu)
    if [ "${SETUP_I386_NAMESPACE:-}" != ready ]; then exec bash tools/i386-namespace.sh bash "$0" "$@"; fi
    echo "Running the 32-bit setup.exe that ships; Wine's 32-bit loader runs through" \
      "$(qemu-i386 --version | head -n1), in a namespace of its own."
    ;;
  wine64)
    # Where no 32-bit program runs at all, the x86-64 build of the same sources is what Wine can show.
    preset=win64
    echo "FALLBACK: no 32-bit program runs here; showing the x86-64 build, not the program that ships."
    ;;
esac
cmake --preset $preset -DBUILD_TESTING=ON >/dev/null
cmake --build --preset $preset --target setup standin_installer walk_sample

build=$root/build/$preset
sample=$root/build/sample
export WINEPREFIX=$sample/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$sample/medium" "$sample/shots"
mkdir -p "$sample/shots"
bash tools/lay-out-medium.sh "$sample/medium" "$build/setup.exe" "$build/tests/e2e/standin_installer.exe"
medium_win="Z:$(echo "$sample/medium" | tr / '\\')"

run() {
  # Everything Wine does here shares one display, so its windows are real.
  [ -f "$WINEPREFIX/.ready" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; touch "$WINEPREFIX/.ready"; }
  bash tools/seed-registry.sh "$WINEPREFIX" 1 2.0.0 '"C:\Program Files\Tessovarine"' >/dev/null
  mkdir -p "$WINEPREFIX/drive_c/Program Files/Tessovarine"
  if [ "$1" = interactive ]; then
    wine "$medium_win\\setup.exe"
  else
    wine "$build/tools/walk/walk_sample.exe" "$medium_win\\setup.exe" "Z:$(echo "$sample/shots" | tr / '\\')"
  fi
  wineserver -w
}

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  wineserver -k 2>/dev/null || true
  run interactive
else
  wineserver -k 2>/dev/null || true
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run wine wineboot 2>/dev/null); build='$build' sample='$sample' medium_win='$medium_win' run walk"
  for bmp in "$sample/shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
  echo "Screenshots: $sample/shots"
  ls -1 "$sample/shots"
fi
echo "Installed content: $WINEPREFIX/drive_c/Program Files/Tessovarine/coon"
