#!/bin/sh
# Exit status 0 when this machine's kernel runs 32-bit x86 programs itself.
# The probe runs a 32-bit program (the i386 dynamic loader that 32-bit Wine
# uses) in a namespace with a binfmt_misc of its own, so that an emulator
# registered for the whole machine cannot answer in the kernel's place.
# "wine --version" proves nothing: the 64-bit wine can answer it.
probe=/lib/ld-linux.so.2
[ -e "$probe" ] || exit 1
if unshare --user --map-root-user --mount sh -c \
     'mount -t binfmt_misc none /proc/sys/fs/binfmt_misc' 2>/dev/null; then
  exec unshare --user --map-root-user --mount sh -c \
    'mount -t binfmt_misc none /proc/sys/fs/binfmt_misc && exec "$0" --version' \
    "$probe" >/dev/null 2>&1
fi
# A kernel before 6.7 has one binfmt_misc for all: ask it as it is.
exec "$probe" --version >/dev/null 2>&1
