#!/bin/sh
# Builds the benchmarks, runs them under Wine and writes bench/results.md
# (machine, date, numbers). Takes about 20 minutes under Wine: the
# fast-path series make 10,000,000 calls each, and every real
# CallNextHookEx is a round trip to the Wine server. Shorter, for a quick look:
#   BENCH_CALLS=1000000 BENCH_ROUNDS=5 sh bench/run.sh
set -eu
cd "$(dirname "$0")/.."
top="$PWD"
sh scripts/deps.sh
out="$top/build-bench"
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -DCMAKE_BUILD_TYPE=Release \
      -DBRIVANE_TESTS=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" --target brivane bench_fastpath bench_system bench_passthru \
      bench_workload bench_favourites bench_press
bin="$out/bin"
export WINEPREFIX="$out/wineprefix" WINEARCH=win32 WINEDEBUG=-all

calls="${BENCH_CALLS:-10000000}"
rounds="${BENCH_ROUNDS:-7}"
tmp="$out/bench-out"
mkdir -p "$tmp"

xvfb-run -a -s "-screen 0 1280x1024x24" sh bench/measure.sh "$bin" "$tmp" "$calls" "$rounds"
read heap blocks loadms writable image rebased <"$tmp/fp_mod.txt"
read pheap pblocks ploadms pwritable pimage prebased <"$tmp/fp_pass.txt"
size=$(stat -c %s "$bin/brivane.dll")
imports=$(i686-w64-mingw32-objdump -p "$bin/brivane.dll" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
sections=$(i686-w64-mingw32-objdump -h "$bin/brivane.dll" |
  awk '/^ *[0-9]+ \./ {print $2, $3}' | while read -r name hex; do echo "$name $((0x$hex))"; done)
bss=$(echo "$sections" | awk '$1==".bss" {print $2}')
data=$(echo "$sections" | awk '$1==".data" || $1==".idata" || $1==".CRT" || $1==".tls" {s+=$2} END {print s+0}')

# The idle host is measured by bench/idle.sh (it needs strace): its section
# is kept as it is.
idle="$(sed -n '/^## Idle host/,$p' bench/results.md 2>/dev/null || true)"
{
  echo "# Benchmark results"
  echo
  echo "Written by \`sh bench/run.sh\`; compare with a later run on the same machine."
  echo
  echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- machine: $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1), $(nproc) CPUs, $(uname -sr)"
  echo "- Wine: $(wine --version 2>/dev/null), 32-bit prefix, Xvfb; build: MinGW-w64 $(i686-w64-mingw32-g++-posix -dumpversion), Release"
  echo "- commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo
  echo "## Hook fast paths (direct calls, in-process)"
  echo
  echo "Each procedure with an event it ignores, beside bare \`CallNextHookEx\`."
  echo "Under Wine \`CallNextHookEx\` is a round trip to the Wine server, so its"
  echo "time (and its noise) dwarfs the procedures' own tests; the last column"
  echo "measures those alone, with \`CallNextHookEx\` replaced by an empty function."
  echo "Target: ratio at most 1.05 and own work under 50 ns."
  echo
  cat "$tmp/fastpath.txt"
  echo
  echo "## Whole system (hooks set by another process)"
  echo
  echo "Under Wine a hook set by another process costs tens of microseconds per"
  echo "hooked message in Wine's own machinery, whatever the hook does; these are"
  echo "figures without a target. Spread is (max - min) / median over the rounds."
  echo
  sed '/^PRIVATE_KIB/d' "$tmp/system.txt"
  echo
  echo "## Favourites menu and Menu-items page"
  echo
  if [ -s "$tmp/favourites.txt" ]; then cat "$tmp/favourites.txt"; else echo "(not measured: bench_favourites did not run)"; fi
  echo
  echo "## The whole press of the favourites button"
  echo
  if [ -s "$tmp/press.txt" ]; then cat "$tmp/press.txt"; else echo "(not measured: bench_press did not run)"; fi
  echo
  echo "## Footprint"
  echo
  echo "| what | value | target |"
  echo "|---|---|---|"
  echo "| brivane.dll file size | $size bytes ($(( (size + 1023) / 1024 )) KiB) | at most 48 KiB (the test dll_imports_exports fails above) |"
  echo "| imported DLLs | $imports| platform DLLs only |"
  echo "| image in memory | $image bytes | |"
  echo "| writable image pages (upper bound of private memory per process) | $writable bytes; of the sections .bss is $bss bytes (zero pages, committed only when touched), .data/.idata/.CRT/.tls $data bytes | |"
  echo "| heap taken by loading it | $heap bytes in $blocks blocks (a pass-through DLL of the same toolchain: $pheap bytes in $pblocks blocks) | nothing beyond mapping the block |"
  echo "| load time (LoadLibrary) | $loadms ms (pass-through DLL: $ploadms ms) | |"
  echo "| rebased at load | $([ "$rebased" = 1 ] && echo yes || echo no) | |"
  echo "| shared block | 4096 bytes, one mapping shared by all processes | |"
  echo
  echo "module-size-32: $size bytes"
  if [ -n "$idle" ]; then
    echo
    echo "$idle"
  fi
} >bench/results.md
echo "wrote bench/results.md"
grep '^fast-path ratio' bench/results.md
