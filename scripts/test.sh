#!/bin/sh
# Installs what is missing, builds everything from scratch and runs every
# test under Wine in a private X server, the release packages included.
# Ends with CTest's summary.
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
rm -rf build
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
# Both release packages: the tests install the one and list the other.
cmake --build build --target package
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure
