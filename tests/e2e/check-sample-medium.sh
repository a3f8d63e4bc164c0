#!/usr/bin/env bash
# Lays out the sample medium with tools/lay-out-medium.sh and checks what a test relies on:
#   check-sample-medium.sh SOURCE_DIR WORK_DIR SETUP_EXE STANDIN_EXE
set -euo pipefail
src=$1 work=$2 setup=$3 standin=$4
dest="$work/sample medium"
rm -rf "$dest"
bash "$src/tools/lay-out-medium.sh" "$dest" "$setup" "$standin"
fail() { echo "FAIL: $*" >&2; exit 1; }

ini="$dest/setup.ini"
iconv -f UTF-8 -t UTF-8 "$ini" >/dev/null 2>&1 && fail "setup.ini is UTF-8, not code page 936"
[ "$(grep -c $'\r$' "$ini")" = 5 ] || fail "setup.ini must have five CRLF lines"
[ "$(iconv -f CP936 -t UTF-8 "$ini" | head -n 1 | tr -d '\r')" = "泰索瓦林课堂" ] || fail "product name"
[ "$(sed -n 3p "$ini" | tr -d '\r')" = "2.1.0" ] || fail "content version"
[ "$(sed -n 4p "$ini" | tr -d '\r')" = "TVC-2.1" ] || fail "content marker"

cmp -s "$setup" "$dest/setup.exe" || fail "setup.exe"
cmp -s "$standin" "$dest/zrv/init/setup.exe" || fail "zrv/init/setup.exe"
while IFS= read -r folder; do
  [ -d "$dest/$folder" ] && [ -z "$(ls -A "$dest/$folder")" ] || fail "empty folder $folder"
done <"$src/tools/sample-medium/empty-folders.txt"
for tree in class upgrade; do
  extra=$(diff -r "$src/tools/sample-medium/zrv/$tree" "$dest/zrv/$tree" |
          grep -v '^Only in .*: \(empty\|drafts\)$' || true)
  [ -z "$extra" ] || fail "zrv/$tree differs: $extra"
done
[ -d "$dest/zrv/class/lessons/unit 2" ] || fail "nested folder"
echo "sample medium laid out in $dest"
