#!/usr/bin/env bash
# Runs one Windows test program in its group's own Wine prefix, on an X display of its own:
#   wine-test.sh TEMPLATE PREFIX [OPTIONS] PROGRAM [ARGS...]
#   wine-test.sh TEMPLATE            makes the template only
# Options:
#   --screen WxHxD    the display's size (default 1280x1024x24)
#   --dpi N           the prefix's display runs at N DPI
#   --drive L=FOLDER  drive letter L maps to FOLDER, made empty, for this run only
#   --cdrom L=FOLDER  the same, and the prefix takes L for a CD-ROM drive; the program finds
#                     "L:,<FOLDER as a Z: path>" in SETUP_TEST_DISC
#   --small-volume L=FOLDER  drive letter L maps to a 1 MiB tmpfs mounted on FOLDER; the
#                     program finds "L:" in SETUP_TEST_SMALL_VOLUME, or why there is none in
#                     SETUP_TEST_SMALL_VOLUME_WHY
#   --scheme FILE.reg the prefix holds this colour scheme (HKCU\Control Panel\Colors)
# TEMPLATE is made once by wineboot and never runs anything after that, so it can be copied
# while tests run; PREFIX is made once as a copy of it. Each prefix has its own wineserver,
# hence its own registry, desktop and session objects, and this script gives it its own Xvfb:
# tests of different prefixes can run side by side without seeing each other.
set -euo pipefail
template=$(realpath -m "$1")
prefix=
[ $# -ge 2 ] && prefix=$(realpath -m "$2")
shift $(($# >= 2 ? 2 : 1))
screen=1280x1024x24 dpi= drive= cdrom= small= scheme=
while [ $# -gt 0 ]; do
  case $1 in
    --screen) screen=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --drive) drive=$2; shift 2 ;;
    --cdrom) cdrom=$2; shift 2 ;;
    --small-volume) small=$2; shift 2 ;;
    --scheme) scheme=$(realpath "$2"); shift 2 ;;
    *) break ;;
  esac
done
source "$(dirname "$0")/wine-loader.sh"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

# Any change to how the template is made makes every prefix anew.
recipe="wineboot -i; unmanaged windows"

# The template's stamp; each prefix holds the stamp of the template it was copied from.
stamp() { cat "$1/.ready" 2>/dev/null || true; }

boot_template() {
  rm -rf "$template"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1
  # No window manager runs on Xvfb: Wine would wait 2 s for one each time a managed window
  # is hidden, at every hand-over between two windows.
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX=$template wineserver -w
  printf '%s\n%s\n' "$recipe" "$(date +%s.%N)" >"$template/.ready"
}

# The system folders' program files (1.2 GB) are only ever read, so the copy links them;
# everything else, the registry files among it, is copied.
copy_template() {
  local shared=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs) part
  local excludes=(--exclude=./.ready)
  for part in "${shared[@]}"; do excludes+=("--exclude=./$part"); done
  rm -rf "$prefix"
  mkdir -p "$prefix"
  tar -C "$template" "${excludes[@]}" -cf - . | tar -C "$prefix" -xf -
  for part in "${shared[@]}"; do
    if [ -d "$template/$part" ]; then cp -al "$template/$part" "$prefix/$part"; fi
  done
  stamp "$template" >"$prefix/.ready"
}

# Each is made under a lock, so tests that start together make it once.
mkdir -p "$(dirname "$template")"
current() { [ "$(stamp "$template" | head -n 1)" = "$recipe" ]; }
if ! current; then
  (flock 9; current || boot_template) 9>"$template.lock"
fi
[ -n "$prefix" ] || exit 0
mkdir -p "$(dirname "$prefix")"
copied() { [ "$(stamp "$prefix")" = "$(stamp "$template")" ]; }
if ! copied; then
  (flock 9; copied || copy_template) 9>"$prefix.lock"
fi
export WINEPREFIX=$prefix

# A display of our own: Xvfb picks a free number itself and tells it once it accepts clients.
displayfile=$(mktemp)
out=$(mktemp)
xvfb=
links=()
mounted=
cleanup() {
  wineserver -k 2>/dev/null || true
  local l
  for l in "${links[@]}"; do rm -f "$l"; done
  if [ -n "$mounted" ]; then umount "$mounted" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -f "$displayfile" "$out"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$displayfile" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "wine-test: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$displayfile" ] || { echo "wine-test: Xvfb did not start in time" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$displayfile")

# A server left from an earlier run would keep the desktop on a display that is gone.
wineserver -k 2>/dev/null || true
if [ -n "$dpi" ] && [ ! -f "$prefix/.dpi-$dpi" ]; then
  # The server reads the DPI when it starts: set it, then let that server end.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.dpi-$dpi"
fi
if [ -n "$scheme" ]; then
  stamp=$prefix/.scheme-$(md5sum <"$scheme" | cut -c1-12)
  if [ ! -f "$stamp" ]; then
    # The server reads the colours when it starts: import them, then let that server end.
    wine regedit /S "Z:${scheme//\//\\}" >/dev/null 2>&1
    wineserver -w
    touch "$stamp"
  fi
fi
# map LETTER FOLDER: the letter names FOLDER for this run.
map() {
  local letter link
  letter=$(echo "$1" | tr 'A-Z' 'a-z')
  link=$prefix/dosdevices/$letter:
  rm -rf "$link"
  ln -s "$2" "$link"
  links+=("$link")
}
if [ -n "$drive" ]; then
  folder=${drive#*=}
  rm -rf "$folder"
  mkdir -p "$folder"
  map "${drive%%=*}" "$folder"
fi
if [ -n "$cdrom" ]; then
  letter=${cdrom%%=*} folder=${cdrom#*=}
  rm -rf "$folder"
  mkdir -p "$folder"
  map "$letter" "$folder"
  # Wine's mount manager, a 64-bit program, reads the drive types when its server starts.
  wine reg add 'HKLM\Software\Wine\Drives' /v "$(echo "$letter" | tr 'A-Z' 'a-z'):" /d cdrom /f /reg:64 >/dev/null 2>&1
  wineserver -w
  export SETUP_TEST_DISC="${letter^^}:,Z:${folder//\//\\}"
fi
if [ -n "$small" ]; then
  letter=${small%%=*} folder=${small#*=}
  umount "$folder" 2>/dev/null || true
  mkdir -p "$folder"
  if why=$(mount -t tmpfs -o size=1m tmpfs "$folder" 2>&1); then
    mounted=$folder
    map "$letter" "$folder"
    export SETUP_TEST_SMALL_VOLUME="${letter^^}:"
  else
    export SETUP_TEST_SMALL_VOLUME_WHY="no tmpfs could be mounted here ($why)"
  fi
fi

# Wine's background processes can end up holding the program's output: a caller reading it
# through a pipe (ctest) would wait for them long after the program ended. A file is read
# once the program itself has ended.
rc=0
wine "$@" >"$out" 2>&1 || rc=$?
cat "$out"
exit $rc
