#!/usr/bin/env bash
# The timed part of tools/bench-copier.sh, under its display and in its Wine prefix:
# run_rounds.sh ROOT BENCH_EXE WORK ROUNDS. Appends "round tree method seconds steal" lines
# to WORK/results.txt, and each run's own line to WORK/runs.txt. Steal is the share of the
# processors, in percent, that the virtual machine's host took while the run ran (0 where the
# kernel counts none).
set -euo pipefail
wine_run=$1/tools/wine-run.sh bench=$2 work=$3 rounds=$4
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
ticks() { awk '/^cpu /{print $9 + 0, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9}' /proc/stat; }
run() {  # run METHOD TREE [EARLIER] -> prints seconds and steal percent; EARLIER: over a complete copy
  rm -rf "$work/dst"
  [ -z "${3:-}" ] || cp -a "$work/trees/$2" "$work/dst"
  sync
  local out steal0 total0 steal1 total1
  read -r steal0 total0 < <(ticks)
  out=$("$wine_run" "$WINEPREFIX" "$bench" "$1" "$(winpath "$work/trees/$2")" "$(winpath "$work/dst")" | tr -d '\r')
  read -r steal1 total1 < <(ticks)
  local steal=$(((steal1 - steal0) * 100 / (total1 - total0 + 1)))
  echo "$2${3:+ over an earlier copy} $1 $out steal=$steal%" | tee -a "$work/runs.txt" >&2
  echo "$(echo "$out" | sed -n 's/^seconds=\([0-9.]*\).*/\1/p') $steal"
}
"$wine_run" "$WINEPREFIX" cmd /c exit 0 >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true  # keep one server for all runs
results=$work/results.txt
: >"$results"
: >"$work/runs.txt"
methods_small=(copier bare xcopy unchecked unflushed inplace)
methods_upgrade=(copier inplace)
methods_few=(filtered serial)
methods_seek=(seeking seekserial)
methods_large=(copier bare)
for ((r = 0; r < rounds; r++)); do
  # Each round starts with another method, so none always runs first.
  for ((i = 0; i < ${#methods_small[@]}; i++)); do
    m=${methods_small[$(((r + i) % ${#methods_small[@]}))]}
    echo "$r small $m $(run "$m" small)" >>"$results"
  done
  for ((i = 0; i < ${#methods_upgrade[@]}; i++)); do
    m=${methods_upgrade[$(((r + i) % ${#methods_upgrade[@]}))]}
    echo "$r upgrade $m $(run "$m" small earlier)" >>"$results"
  done
  for ((i = 0; i < ${#methods_few[@]}; i++)); do
    m=${methods_few[$(((r + i) % ${#methods_few[@]}))]}
    echo "$r few $m $(run "$m" few)" >>"$results"
  done
  for ((i = 0; i < ${#methods_seek[@]}; i++)); do
    m=${methods_seek[$(((r + i) % ${#methods_seek[@]}))]}
    echo "$r seek $m $(run "$m" seek)" >>"$results"
  done
  # The first large copy after the small ones pays for memory the RAM disk hadn't held yet, as
  # much as a third of its time: it is not counted. Then two of each.
  run bare large >/dev/null
  for ((i = 0; i < 4; i++)); do
    m=${methods_large[$(((r + i) % 2))]}
    echo "$r large $m $(run "$m" large)" >>"$results"
  done
done
rm -rf "$work/dst"
echo "listing 200,000 entries:" >&2
"$wine_run" "$WINEPREFIX" "$bench" list "$(winpath "$work/trees/many")" | tr -d '\r' >&2
wineserver -k 2>/dev/null || true
