// The companion: on 64-bit Windows the 32-bit host starts brivane64.exe,
// which sets the 64-bit module's hooks for the 64-bit programs, while the
// host's own hooks serve the 32-bit ones.
#pragma once
#include <windows.h>

#define COMPANION_FILE "brivane64.exe"
// The host whose folder the companion shares; it starts only for that host.
#define HOST_FILE "brivane.exe"
// The companion's argument, followed by the decimal values of two handles
// it inherited from the host: the host's process (with the right to wait on
// it and to ask its image's name), and an event the host sets to ask for an
// orderly end.
#define COMPANION_HOST_ARG "--host"

// Starts the companion when this process runs as a 32-bit program on 64-bit
// Windows; nothing otherwise. Call once the block is filled in.
void StartCompanion();
// Asks the companion to remove its hooks and end, and waits briefly for it;
// whatever is left is ended with the job. Safe to call more than once.
void StopCompanion();
