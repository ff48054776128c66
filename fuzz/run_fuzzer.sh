#!/bin/sh
# Runs one fuzzer for a while, from the committed seeds, keeping what it
# finds in a work corpus beside the program (the committed seeds stay as
# they are). A crash input is written next to the work corpus.
#   sh fuzz/run_fuzzer.sh <native build folder> <fuzzer> [seconds, default 20]
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"; name="$2"; secs="${3:-20}"
work="$out/corpus/$name"
mkdir -p "$work" "$out/crashes"
exec "$out/$name" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
     -print_final_stats=1 -artifact_prefix="$out/crashes/$name-" \
     "$work" "$top/fuzz/corpus/$name"
