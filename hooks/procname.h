// The running program's name, as sections and rules name it.
#pragma once
#include <stddef.h>

#define PROCESS_NAME_CAPACITY 260

// Reduces a command line to the program's file name without directory,
// quotes, arguments and extension ("C:\Tools\Notepad.exe" /a -> Notepad).
// Works on a bounded private copy; the command line is never written. Writes
// at most cap characters including the NUL and returns the length.
size_t ProcessNameFromCommandLine(const char *commandLine, char *out, size_t cap);
