#!/bin/sh
# Configures and builds the native sanitizer and fuzzer programs.
#   sh fuzz/build.sh [build folder, default build/native]
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$top/build/native}"
cmake -S "$top/fuzz" -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out" -j "$(nproc)"
