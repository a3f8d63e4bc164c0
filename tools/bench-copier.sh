#!/usr/bin/env bash
# The folder copier's benchmark: the copier with its progress bar on a visible window, a bare
# CopyFileW loop over the same lists, and Wine's xcopy, alternating, in one Wine prefix.
# Prints every run, the medians and the ratios; the last line is
#   copier/bare small=R1 large=R2; xcopy/copier small=R3
# ROUNDS (default 5) sets how many times each is timed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${ROUNDS:-5}

bash tools/install-deps.sh

cmake --preset win32 -B build/bench >/dev/null
cmake --build build/bench --target copier_bench
bench=$(find build/bench -name copier_bench.exe | head -n1)

work=$root/build/bench-data
python3 tools/bench/make_trees.py "$work/trees"

export WINEPREFIX=$root/build/bench-data/wineprefix
# A server left from a run without a display would leave the bar's window unseen.
wineserver -k 2>/dev/null || true

xvfb-run -a -s "-screen 0 1280x1024x24" bash tools/bench/run_rounds.sh "$root" "$root/$bench" "$work" "$rounds"

python3 - "$work/results.txt" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    tree, method, seconds = line.split()
    runs.setdefault((tree, method), []).append(float(seconds))
med = {k: statistics.median(v) for k, v in runs.items()}
for (tree, method), values in sorted(runs.items()):
    print(f"{tree:5} {method:6} median {med[(tree, method)]:7.3f} s  runs {' '.join(f'{v:.3f}' for v in values)}")
r1 = med[("small", "copier")] / med[("small", "bare")]
r2 = med[("large", "copier")] / med[("large", "bare")]
r3 = med[("small", "xcopy")] / med[("small", "copier")]
print(f"targets: copier/bare small <= 1.10, large <= 1.05; xcopy/copier small >= 1.0")
print(f"copier/bare small={r1:.3f} large={r2:.3f}; xcopy/copier small={r3:.3f}")
PY
