#!/bin/sh
# Builds the native programs, runs the portable unit tests under the
# sanitizers and every fuzzer for the given time (default 20 s each).
#   sh fuzz/run.sh [seconds per fuzzer]
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$top/build/native"
secs="${1:-20}"
sh "$top/fuzz/build.sh" "$out"
"$out/unit_native"
for f in "$out"/fuzz_*; do
  [ -x "$f" ] || continue
  sh "$top/fuzz/run_fuzzer.sh" "$out" "$(basename "$f")" "$secs"
done
