#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan+UBSan) and runs them side by side for a bounded time.
# Usage: bash tools/fuzz.sh [seconds-per-target]   (default 300)
# New corpus entries stay in build/fuzz/corpus/; a crash leaves its input in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
out=build/fuzz

flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Isrc
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
declare -A sources=(
  [product_info]=src/launcher/product_info.cpp
  [value_codec]=src/registry/value_codec.cpp
)

mkdir -p "$out"
names=(product_info value_codec)
for name in "${names[@]}"; do
  echo "== fuzz $name: building"
  clang++ "${flags[@]}" "tests/fuzz/${name}_fuzz.cpp" "${sources[$name]}" -o "$out/${name}_fuzz"
  mkdir -p "$out/corpus/$name" "$out/crashes/$name"
done
# Each target runs on a processor of its own, all for the same time.
echo "== fuzz ${names[*]}: ${seconds}s each, side by side"
pids=()
for name in "${names[@]}"; do
  # The first folder takes the new entries; the committed seeds are only read.
  UBSAN_OPTIONS=print_stacktrace=1 "$out/${name}_fuzz" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$out/crashes/$name/" \
    "$out/corpus/$name" "tests/fuzz/corpus/$name" 2>"$out/$name.log" &
  pids+=($!)
done
failed=0
for i in "${!names[@]}"; do
  name=${names[$i]}
  echo "== fuzz $name"
  if ! wait "${pids[$i]}"; then
    tail -n 40 "$out/$name.log"
    echo "fuzz $name: FAILED; reproducer(s):" >&2
    ls -1 "$out/crashes/$name/"* >&2 || true
    echo "replay: $out/${name}_fuzz <file>" >&2
    failed=1
  else
    grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$out/$name.log" || true
  fi
done
exit $failed
