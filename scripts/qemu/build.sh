#!/bin/sh
# Builds (once) the user-mode emulator that runs 32-bit Wine on a machine
# whose kernel runs no 32-bit code: qemu-i386 from Debian's qemu source
# package, with trapno.patch, linked statically so that it can serve as a
# binfmt_misc interpreter inside any mount namespace.
#
#   build.sh          build when missing, then print the emulator's path
#   build.sh --path   only print where it is (or would be)
#
# The result is kept outside the checkout, in a folder named after the
# qemu version and the patch's hash, and reused by later runs. Needs root
# (apt-get) the first time. Fails loudly: a missing emulator must never
# look like a passing 32-bit lane.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
QEMU_VERSION=10.0.2
# Debian 12's own qemu (7.2) treats MAP_FIXED_NOREPLACE as a hint, and Wine
# cannot reserve its address space under it: the version comes from
# bookworm-backports.
SUITE=bookworm-backports
patch_hash=$(sha256sum "$here/trapno.patch" | cut -c1-12)
cache="${BRIVANE_CACHE:-/var/cache/brivane}/qemu-$QEMU_VERSION-$patch_hash"
emulator="$cache/qemu-i386"

if [ "${1:-}" = --path ]; then
  echo "$emulator"
  exit 0
fi
if [ -x "$emulator" ]; then
  echo "$emulator"
  exit 0
fi

say() { echo "qemu/build.sh: $*" >&2; }
fail() { say "$*"; say "the 32-bit lane cannot run on this machine"; exit 1; }
[ "$(id -u)" = 0 ] || fail "building the emulator needs root (apt-get) the first time"

# The suite's binaries for the build tools, its sources for qemu itself.
list=/etc/apt/sources.list.d/brivane-$SUITE.sources
if [ ! -f "$list" ]; then
  cat >"$list" <<LIST
Types: deb deb-src
URIs: http://deb.debian.org/debian
Suites: $SUITE
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
fi
apt-get update -qq || fail "apt-get update failed"
export DEBIAN_FRONTEND=noninteractive
# qemu 10 wants meson 1.5 or later, and pycotap: both only in the suite.
apt-get install -y -qq -t $SUITE meson python3-pycotap >/dev/null \
  || fail "could not install meson and python3-pycotap from $SUITE"
apt-get install -y -qq dpkg-dev ninja-build libglib2.0-dev pkg-config flex bison python3-venv \
  >/dev/null || fail "could not install the emulator's build tools"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Only the upstream tarball is needed (Debian's own patches are not): apt
# checks it against the suite's signed index even when the package's other
# files cannot be had.
apt-get source -qq --download-only "qemu/$SUITE" >/dev/null 2>&1 || true
tarball="qemu_$QEMU_VERSION+ds.orig.tar.xz"
[ -f "$tarball" ] || fail "no $tarball from $SUITE (has the suite moved on? then update QEMU_VERSION and trapno.patch)"
say "building qemu-i386 $QEMU_VERSION with trapno.patch (about two minutes)"
tar xf "$tarball"
cd "qemu-$QEMU_VERSION"
patch -p1 -s <"$here/trapno.patch" || fail "trapno.patch does not apply to qemu $QEMU_VERSION"
mkdir build
cd build
# The system's python, whatever else is first on PATH: meson is its module.
../configure --python=/usr/bin/python3 --target-list=i386-linux-user --static \
  --disable-system --disable-tools --disable-docs --disable-install-blobs \
  >"$work/configure.log" 2>&1 || { tail -20 "$work/configure.log" >&2; fail "configure failed"; }
ninja qemu-i386 >"$work/build.log" 2>&1 || { tail -20 "$work/build.log" >&2; fail "build failed"; }
mkdir -p "$cache"
cp qemu-i386 "$cache/qemu-i386.new"
mv "$cache/qemu-i386.new" "$emulator"
echo "$emulator"
