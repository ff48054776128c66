#!/bin/sh
# Installs what is missing, builds everything from scratch and runs every
# test under Wine in a private X server, the release packages included.
# Ends with CTest's summary.
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
rm -rf build
# The release is the 32-bit build, which also builds the 64-bit module and its
# companion. Some machines run no 32-bit programs at all (a kernel without
# 32-bit support: Wine's 32-bit loader then fails with "Exec format
# error"); there everything is built 64-bit and every test runs in a 64-bit
# prefix, and the run says so.
toolchain=cmake/mingw32.cmake
if ! wine --version >/dev/null 2>&1; then
  echo "This machine cannot run 32-bit programs: building and testing the 64-bit programs only."
  toolchain=cmake/mingw64.cmake
fi
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
# Both release packages: the tests install the one and list the other.
cmake --build build --target package
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure
