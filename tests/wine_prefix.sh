#!/bin/sh
# Creates (once) the Wine prefix the tests run in, and sets Wine up as a test
# desktop: frames drawn by Wine (caption buttons get real hit tests under a
# bare X server), no window-manager waits, no crash dialog. With
# BRIVANE_LOGPIXELS set, the screen's scale in dots per inch (144 = 150 %).
# Usage: wine_prefix.sh FOLDER [win32|win64]; a 64-bit prefix is run by the
# wine64 loader, as Debian's wine wrapper keeps to the 32-bit one.
set -e
WINEPREFIX="$1"
WINEARCH="${2:-win32}"
export WINEPREFIX WINEARCH WINEDEBUG=-all
WINE=wine
[ "$WINEARCH" = win64 ] && WINE=/usr/lib/wine/wine64
# No Mono or Gecko installers: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's background processes outlive this script: they must not hold the
# test runner's output pipe open, so every Wine command writes to a log.
log="$WINEPREFIX.log"
: >"$log"
# In a subshell with exec, so the shell keeps no copy of its own output
# that the daemons could inherit.
quiet() { ( exec "$@" </dev/null >>"$log" 2>&1 ); }
trap 'rc=$?; [ $rc = 0 ] || cat "$log"; exit $rc' EXIT

# One server for the whole run: later programs start faster. It is already
# up when an earlier step started it.
quiet wineserver -p || true
[ -f "$WINEPREFIX/system.reg" ] || quiet "$WINE" wineboot -i
quiet "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f
quiet "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
quiet "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
# No debugger attached to a crashing program either (in both registry views
# of a 64-bit prefix): it exits with an error instead of waiting.
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
quiet "$WINE" reg add "$aedebug" /v Debugger /t REG_SZ /d false /f
if [ "$WINEARCH" = win64 ]; then
  quiet "$WINE" reg add "$aedebug" /v Debugger /t REG_SZ /d false /f /reg:32
fi

# Wine reads the scale when the prefix's session starts: a changed value
# needs a new server.
if [ -n "$BRIVANE_LOGPIXELS" ]; then
  quiet "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$BRIVANE_LOGPIXELS" /f
  quiet wineserver -k || true
  quiet wineserver -w || true
  quiet wineserver -p || true
  # Bring the new session's daemons up here, where they write to the log:
  # started by the first test program, they would hold CTest's output open.
  quiet "$WINE" reg query 'HKCU\Control Panel\Desktop' /v LogPixels
fi

# Drive P: is a folder of the build's own: where a test moves a portable
# copy, as to a stick that got another letter.
if [ -d "$WINEPREFIX/dosdevices" ]; then
  mkdir -p "$WINEPREFIX/../drive-p"
  ln -sfn "$(cd "$WINEPREFIX/../drive-p" && pwd)" "$WINEPREFIX/dosdevices/p:"
fi
