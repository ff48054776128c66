// Access to the configuration file named by configPath in the shared block.
// Nothing is cached: every call asks the profile functions anew, so changes
// made in one process show in every other at the next read.
#pragma once
#include <windows.h>
#include "shared.h"

// The configuration file's path, copied out of the shared block at the
// moment of construction and always terminated within it (any process can
// write the block). Each reader takes its own copy, so threads of one program
// never see each other's half-made copies. Empty when there is no block, the
// host has not set a path yet, or the path is not one to use: not fully
// qualified ("X:\..." or "\\server\share\..."), a device name, MAX_PATH
// characters or more, or a field without its NUL.
struct ConfigPath {
    char text[MAX_PATH + 1];   // one more than a usable path, to see a longer one
    ConfigPath();
};

// Each wrapper behaves as if the file were missing when there is no path:
// reads give the default, writes do nothing and report FALSE. Writes go
// through IniUpdate (ini_write.h): under the file's lock, replacing it whole.
int   IniGetInt(const char *section, const char *key, int def);
DWORD IniGetString(const char *section, const char *key, const char *def,
                   char *out, DWORD size);
BOOL  IniWriteString(const char *section, const char *key, const char *value);
DWORD IniGetSection(const char *section, char *out, DWORD size);
BOOL  IniWriteSection(const char *section, const char *lines);
DWORD IniGetSectionNames(char *out, DWORD size);

// A whole section in one read, into lines (what they held is replaced),
// grown until the section fits: no fixed ceiling. Returns 1 when the
// section was read whole (a missing one reads as empty); 0 when there is
// no path or memory ran out, lines then holding what could be read.
struct SectionLines;
int IniReadSection(const char *section, SectionLines *lines);
// Replaces the section's whole content with lines in one write.
BOOL IniWriteSectionLines(const char *section, const SectionLines *lines);
