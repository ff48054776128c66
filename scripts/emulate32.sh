#!/bin/sh
# Runs a command in a user and mount namespace of its own whose binfmt_misc
# hands every 32-bit x86 program to the emulator built by qemu/build.sh:
# 32-bit Wine, and everything it starts, runs under emulation there, while
# the machine's own binfmt_misc table stays untouched. Needs a kernel from
# 6.7 on (a binfmt_misc per user namespace).
#   emulate32.sh COMMAND [ARG...]
set -eu
if [ "${1:-}" = --inside ]; then
  emulator="$2"
  shift 2
  mount -t binfmt_misc none /proc/sys/fs/binfmt_misc || {
    echo "emulate32.sh: this kernel ($(uname -r)) gives a namespace no binfmt_misc of its own (6.7 or later does)" >&2
    exit 1
  }
  # i386 ELF executables and shared objects (the kernel decodes the \x
  # escapes). F opens the emulator now, so it serves wherever the command
  # goes; P keeps argv[0] as the program gave it.
  printf '%s' ":brivane-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$emulator:FP" \
    >/proc/sys/fs/binfmt_misc/register
  exec "$@"
fi
here="$(cd "$(dirname "$0")" && pwd)"
emulator=$(sh "$here/qemu/build.sh" --path)
[ -x "$emulator" ] || { echo "emulate32.sh: no emulator at $emulator (run scripts/deps.sh test)" >&2; exit 1; }
exec unshare --user --map-root-user --mount sh "$here/emulate32.sh" --inside "$emulator" "$@"
