#!/bin/sh
# System calls of the idle host over 60 s each (BENCH_IDLE_SECONDS), counted
# by strace attached to brivane.exe under Wine: with nothing hidden, with a
# window in the tray, a window behind a floating icon and a pinned window.
# Installs nothing: strace must be there (Debian package strace).
# Usage: sh bench/idle.sh [BUILD_DIR]   (a 32-bit build with bench_idle built;
# default build32). Prints a table and the line host-idle-syscalls-60s: N
# (the worst case), which goes into bench/results.md by hand.
set -eu
cd "$(dirname "$0")/.."
build="$(cd "${1:-build32}" && pwd)"
seconds="${BENCH_IDLE_SECONDS:-60}"
if ! command -v strace >/dev/null 2>&1; then
  echo "strace is missing: install it (apt-get install strace); nothing was measured" >&2
  exit 1
fi
bin="$build/bin"
for f in brivane.exe brivane.dll bench_idle.exe; do
  [ -f "$bin/$f" ] || { echo "$bin/$f is missing: build the targets brivane_host and bench_idle" >&2; exit 1; }
done
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$build"
fi
export WINEPREFIX="$build/wineprefix-idle" WINEARCH=win32 WINEDEBUG=-all
sh tests/wine_prefix.sh "$WINEPREFIX" win32
# The prefix's own server and its daemons go when the script ends.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
work="$build/bench-idle"
rm -rf "$work"
mkdir -p "$work"
printf '[settings]\r\ntrayrun=1\r\n' >"$work/idle.ini"
winpath() { echo "Z:$1" | tr / '\\'; }

# The host's Linux process: the brivane.exe of this prefix.
host_pid() {
  for p in /proc/[0-9]*; do
    { tr "\0" "\n" <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    # Its own name first: the driver names brivane.exe among its arguments.
    { tr "\0" "\n" <"$p/cmdline"; } 2>/dev/null | head -1 | grep -qi "brivane\.exe\$" || continue
    echo "${p#/proc/}"
    return 0
  done
  return 1
}

wine "$bin/bench_idle.exe" "$(winpath "$bin/brivane.exe")" "$(winpath "$work/idle.ini")" "$(winpath "$work")" \
  </dev/null >"$work/bench_idle.log" 2>&1 &
driver=$!
worst=0
echo "| state | system calls in ${seconds} s |"
echo "|---|---|"
for n in 1 2 3 4; do
  i=0
  while [ ! -s "$work/$n.ready" ]; do
    i=$((i + 1))
    [ $i -lt 600 ] || { echo "state $n was not reached" >&2; kill "$driver" 2>/dev/null; exit 1; }
    sleep 0.1
  done
  name="$(tr -d '\r\n' <"$work/$n.ready")"
  pid="$(host_pid)" || { echo "no brivane.exe of $WINEPREFIX found" >&2; exit 1; }
  timeout -s INT "$seconds" strace -f -c -o "$work/$n.strace" -p "$pid" >/dev/null 2>&1 || true
  # The summary's last line: % time, seconds, usecs/call, calls, [errors,] total.
  calls="$(awk '$NF == "total" { print $4 + 0 }' "$work/$n.strace" | head -1)"
  [ -n "$calls" ] || calls=0
  echo "| $name | $calls |"
  [ "$calls" -gt "$worst" ] && worst=$calls
  : >"$work/$n.done"
done
wait "$driver" || true
echo
echo "host-idle-syscalls-60s: $worst"
