#!/usr/bin/env bash
# The main job: build setup.exe, make the sample medium and its disc image with tools/medium, and
# run the installer from them under Wine. With a display you click through it yourself; without
# one it runs on Xvfb, walks through every window by itself and saves a PNG screenshot of each.
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
umount "$sample/disc" 2>/dev/null || true
rm -rf "$sample/medium" "$sample/medium.iso" "$sample/trees" "$sample/shots"
mkdir -p "$sample/shots" "$sample/disc"
# The sample's trees with the empty folders git can't keep, and its setup.ini's five values.
cp -R tools/sample-medium/zrv "$sample/trees"
while IFS= read -r folder; do
  [ -n "$folder" ] && mkdir -p "$sample/trees/${folder#zrv/}"
done <tools/sample-medium/empty-folders.txt
mapfile -t info < <(iconv -f CP936 -t UTF-8 tools/sample-medium/setup.ini | tr -d '\r')
/usr/bin/python3 tools/medium make --name "${info[0]}" --description "${info[1]}" --version "${info[2]}" \
  --marker "${info[3]}" --date "${info[4]}" --class "$sample/trees/class" --upgrade "$sample/trees/upgrade" \
  --full-installer "$build/tests/e2e/standin_installer.exe" --setup-exe "$build/setup.exe" "$sample/medium"
/usr/bin/python3 tools/medium image "$sample/medium" "$sample/medium.iso"

# The image as Windows meets it: mounted, as Wine's CD-ROM drive D:. Where the kernel mounts
# neither of its file systems, the folder stands in for the disc.
disc= why="not root"
if [ "$(id -u)" = 0 ]; then
  why=
  for fs in udf iso9660; do
    if said=$(mount -o loop,ro -t $fs "$sample/medium.iso" "$sample/disc" 2>&1); then
      disc=$sample/disc
      trap 'umount "$sample/disc"' EXIT
      break
    fi
    why+="${why:+; }$fs: $(head -n 1 <<<"$said" | sed 's/^mount: [^:]*: //')"
  done
fi
if [ -n "$disc" ]; then
  echo "Running the installer from the image, mounted ($fs) as the CD-ROM drive D:."
  medium_win=D:
else
  echo "This machine can't mount the image ($why): running the installer from" \
    "the folder $sample/medium instead, not from a disc."
  medium_win="Z:$(echo "$sample/medium" | tr / '\\')"
fi

run() {
  # Everything Wine does here shares one display, so its windows are real.
  [ -f "$WINEPREFIX/.ready" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; touch "$WINEPREFIX/.ready"; }
  bash tools/seed-registry.sh "$WINEPREFIX" 1 2.0.0 '"C:\Program Files\Tessovarine"' >/dev/null
  if [ -n "$disc" ]; then
    ln -sfn "$disc" "$WINEPREFIX/dosdevices/d:"
    # Wine reads the drive kinds when its server starts.
    wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f /reg:64 >/dev/null
    wineserver -w
  fi
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
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run wine wineboot 2>/dev/null); build='$build' sample='$sample' medium_win='$medium_win' disc='$disc' run walk"
  for bmp in "$sample/shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
  echo "Screenshots: $sample/shots"
  ls -1 "$sample/shots"
fi
echo "Installed content: $WINEPREFIX/drive_c/Program Files/Tessovarine/coon"
