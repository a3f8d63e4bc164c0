#!/usr/bin/env bash
# The folder copier's benchmark: the copier with its progress bar on a visible window, a bare
# serial loop over the same lists that writes each file beside its place and renames it there,
# the loop a user compares with (each file copied onto its final name, one after another) into
# an empty folder and over a complete earlier copy, and Wine's xcopy, alternating, in one Wine
# prefix; then the copier and a serial loop over a
# file system that makes each file's copy 2 ms longer, as a scanner does on Windows, and over
# one that seeks between files, as a disc does. Prints every run, the medians and the ratios;
# the last five lines are
#   fresh small: copier/in-place=R6
#   upgrade small: copier/in-place=R7
#   seek 8ms: copier/serial=R5
#   filter 2ms: serial/copier=R4
#   copier/bare small=R1 large=R2; xcopy/copier small=R3
# ROUNDS (default 5) sets how many times each is timed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${ROUNDS:-5}

bash tools/install-deps.sh

source tools/wine-loader.sh
preset=win32
# Timings under emulation say nothing of the copier: where the kernel doesn't start Wine's 32-bit
# loader itself, the x86-64 build of the same sources is timed, natively, under wine64.
if [ "$(wine_road)" != native ]; then
  preset=win64
  export SETUP_WINE_ROAD=wine64
  echo "This kernel starts no 32-bit program: timing the x86-64 build, natively under wine64."
fi
cmake --preset $preset -B build/bench-$preset -DBUILD_TESTING=ON >/dev/null
cmake --build build/bench-$preset --target copier_bench
bench=$(find build/bench-$preset -name copier_bench.exe | head -n1)

# The trees on a RAM disk where there is one: this machine's disk discards deleted blocks as it
# goes, and its stalls swamped the differences between the ways of copying.
work=$root/build/bench-data
[ -d /dev/shm ] && work=/dev/shm/setup-bench-$(echo "$root" | md5sum | cut -c1-8)
python3 tools/bench/make_trees.py "$work/trees"

export WINEPREFIX=$root/build/bench-data/wineprefix
# A server left from a run without a display would leave the bar's window unseen.
wineserver -k 2>/dev/null || true

xvfb-run -a -s "-screen 0 1280x1024x24" bash tools/bench/run_rounds.sh "$root" "$root/$bench" "$work" "$rounds"

python3 - "$work/results.txt" "$work/runs.txt" <<'PY'
import statistics, sys
# A run while the virtual machine's host took more than this share of the processors (steal
# time) says more of the host than of the copier: on a shared machine that can double a run.
CLEAN = 2
# round -> (tree, method) -> [(seconds, steal)] of that round's runs
rounds = {}
for line in open(sys.argv[1]):
    r, tree, method, seconds, steal = line.split()
    rounds.setdefault(int(r), {}).setdefault((tree, method), []).append((float(seconds), int(steal)))
every = {}
for runs in rounds.values():
    for key, values in runs.items():
        every.setdefault(key, []).extend(values)
for (tree, method), values in sorted(every.items()):
    print(f"{tree:5} {method:10} median {statistics.median(v for v, _ in values):7.3f} s  "
          f"runs {' '.join(f'{v:.3f}' + (f'({s}%)' if s else '') for v, s in values)}")

# Each ratio is taken within a round, where the methods ran side by side, then the median of
# the rounds' ratios: one noisy round cannot decide. Rounds where the host took more than CLEAN
# percent during either side are set aside, unless that leaves fewer than three.
def ratio(tree_a, a, tree_b, b):
    def per_round(clean_only):
        values = []
        for _, runs in sorted(rounds.items()):
            sides = runs[(tree_a, a)] + runs[(tree_b, b)]
            if clean_only and max(s for _, s in sides) > CLEAN:
                continue
            values.append(statistics.median(v for v, _ in runs[(tree_a, a)]) /
                          statistics.median(v for v, _ in runs[(tree_b, b)]))
        return values
    clean = per_round(True)
    values = clean if len(clean) >= 3 else per_round(False)
    return statistics.median(values), min(values), max(values), len(values)

def show(name, target, values):
    median, low, high, used = values
    note = f"{used} of {len(rounds)} rounds" if used < len(rounds) else f"{used} rounds"
    print(f"{name:24} median {median:.3f}  spread {low:.3f}-{high:.3f}  ({note}; target {target})")
    return median

workers = sorted({line.split("workers=")[1].split()[0] for line in open(sys.argv[2]) if "workers=" in line})
print(f"files copied at once by the copier, at most: {', '.join(workers)}")
print(f"ratios over the rounds where the host took at most {CLEAN} % of the processors, where three or more were")
r1 = show("copier/bare small", "<= 1.00", ratio("small", "copier", "small", "bare"))
r2 = show("copier/bare large", "<= 1.05", ratio("large", "copier", "large", "bare"))
r3 = show("xcopy/copier small", ">= 2.0", ratio("small", "xcopy", "small", "copier"))
show("copier/unchecked small", "<= 1.02", ratio("small", "copier", "small", "unchecked"))
show("copier/unflushed small", "<= 1.03", ratio("small", "copier", "small", "unflushed"))
r4 = show("serial/copier filter 2ms", ">= 4", ratio("few", "serial", "few", "filtered"))
r5 = show("copier/serial seek 8ms", "<= 1.05", ratio("seek", "seeking", "seek", "seekserial"))
r6 = show("fresh copier/in-place", "<= 0.80", ratio("small", "copier", "small", "inplace"))
r7 = show("upgrade copier/in-place", "<= 1.00", ratio("upgrade", "copier", "upgrade", "inplace"))
print(f"fresh small: copier/in-place={r6:.3f}")
print(f"upgrade small: copier/in-place={r7:.3f}")
print(f"seek 8ms: copier/serial={r5:.3f}")
print(f"filter 2ms: serial/copier={r4:.3f}")
print(f"copier/bare small={r1:.3f} large={r2:.3f}; xcopy/copier small={r3:.3f}")
PY
