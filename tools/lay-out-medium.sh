#!/usr/bin/env bash
# Lays out the sample distribution medium: lay-out-medium.sh DEST SETUP_EXE STANDIN_EXE
# DEST gets setup.exe, setup.ini (code page 936), zrv/class and zrv/upgrade (with their
# empty folders, which git cannot keep) and the stand-in full installer as zrv/init/setup.exe.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 DEST SETUP_EXE STANDIN_EXE" >&2
  exit 2
fi
dest=$1 setup=$2 standin=$3
sample=$(cd "$(dirname "$0")/sample-medium" && pwd)

mkdir -p "$dest/zrv/init"
cp "$sample/setup.ini" "$dest/setup.ini"
cp -R "$sample/zrv/." "$dest/zrv/"
while IFS= read -r folder; do
  [ -n "$folder" ] && mkdir -p "$dest/$folder"
done <"$sample/empty-folders.txt"
cp "$setup" "$dest/setup.exe"
cp "$standin" "$dest/zrv/init/setup.exe"
