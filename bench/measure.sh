#!/bin/sh
# Runs the benchmark programs, all in one X session (bench/run.sh starts it).
#   sh bench/measure.sh <bin folder> <output folder> <calls> <rounds>
set -u
bin="$1"; tmp="$2"; calls="$3"; rounds="$4"
top="$(cd "$(dirname "$0")/.." && pwd)"
sh "$top/tests/wine_prefix.sh" "$WINEPREFIX"
cd "$bin"
echo "fast paths ($calls calls per series)..."
wine bench_fastpath.exe "$calls" 100 >"$tmp/fastpath.txt" 2>/dev/null
echo "whole system ($rounds rounds) and file dialogs..."
wine bench_system.exe "$rounds" 2000 50 >"$tmp/system.txt" 2>/dev/null
echo "favourites menu and Menu-items page..."
wine bench_favourites.exe >"$tmp/favourites.txt" 2>/dev/null
echo "whole press of the favourites button..."
wine bench_press.exe 500 15 >"$tmp/press.txt" 2>/dev/null
echo "footprint..."
wine bench_workload.exe footprint "$tmp/fp_mod.txt" brivane.dll 2>/dev/null
wine bench_workload.exe footprint "$tmp/fp_pass.txt" bench_passthru.dll 2>/dev/null
wineserver -k 2>/dev/null || true
