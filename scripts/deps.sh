#!/bin/sh
# Installs, as root on Debian 12, whatever the build and the tests need and
# this machine lacks. Does nothing when all is there.
#   deps.sh         the build, Wine, the X server, the packagers
#   deps.sh test    also what only the test command needs: when this
#                   machine's kernel runs no 32-bit code (or
#                   BRIVANE_EMULATE32=1 asks for it), the emulator that runs
#                   the 32-bit lane (qemu/build.sh)
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
PKGS="wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 nsis xvfb xauth cmake googletest clang libclang-rt-14-dev strace"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
if [ "${1:-}" = test ]; then
  if [ "${BRIVANE_EMULATE32:-0}" = 1 ] || ! sh "$here/probe32.sh"; then
    sh "$here/qemu/build.sh" >/dev/null
  fi
fi
