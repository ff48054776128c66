// Access to the configuration file named by configPath in the shared block.
// Nothing is cached: every call asks the profile functions anew, so changes
// made in one process show in every other at the next read.
#pragma once
#include <windows.h>

// The configuration file's path, copied out of the shared block and always
// terminated within it (any process can write the block). Empty when there
// is no block, the host has not set a path yet, or the field is damaged: no
// NUL in it, or a single name longer than a file name can be.
const char *ConfigPath();

// Each wrapper behaves as if the file were missing when there is no path:
// reads give the default, writes do nothing and report FALSE.
int   IniGetInt(const char *section, const char *key, int def);
DWORD IniGetString(const char *section, const char *key, const char *def,
                   char *out, DWORD size);
BOOL  IniWriteString(const char *section, const char *key, const char *value);
DWORD IniGetSection(const char *section, char *out, DWORD size);
BOOL  IniWriteSection(const char *section, const char *lines);
DWORD IniGetSectionNames(char *out, DWORD size);
