#!/bin/sh
# Builds the module and the host and starts the host under Wine: on this
# display when there is one, else in a private X server. Uses its own Wine
# prefix and a configuration with a few favourites to start from.
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
# A machine that runs no 32-bit programs gets the 64-bit host and module
# (only the test command runs 32-bit programs under an emulator there).
toolchain=cmake/mingw32.cmake arch=win32 wine=wine
if ! sh scripts/probe32.sh; then
  toolchain=cmake/mingw64.cmake arch=win64 wine=/usr/lib/wine/wine64
fi
cmake -S . -B build-run -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release -DBRIVANE_TESTS=OFF
cmake --build build-run -j "$(nproc)"
export WINEPREFIX="$PWD/build-run/wineprefix" WINEARCH=$arch WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEDLLOVERRIDES="mscoree,mshtml=" $wine wineboot -i
  # Let that Wine session end: its desktop would otherwise stay bound to
  # the display (or none) it started with, not the one the host gets.
  wineserver -w
fi
[ -f build-run/bin/brivane.ini ] || cp host/default.ini build-run/bin/brivane.ini
if [ -n "${DISPLAY:-}" ]; then
  exec $wine build-run/bin/brivane.exe "$@"
else
  exec xvfb-run -a -s "-screen 0 1280x1024x24" $wine build-run/bin/brivane.exe "$@"
fi
