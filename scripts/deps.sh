#!/bin/sh
# Installs, as root on Debian 12, whatever the build and the tests need and
# this machine lacks. Does nothing when all is there.
set -eu
PKGS="wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 nsis xvfb xauth cmake googletest clang libclang-rt-14-dev"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
