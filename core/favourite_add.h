// Adding a folder to a favourites section: where the new entry goes and
// what it is called. Portable, no platform headers.
#pragma once
#include <stddef.h>

struct SectionLines;
struct NumberedEntries;

// The entry name of a folder: its last name, or the drive of a root
// ("D:\" gives "D:"). A trailing backslash is ignored. Writes at most cap
// bytes, always terminated; returns the characters written.
size_t FolderEntryName(const char *path, char *out, size_t cap);

// The section list (size bytes) with one entry more, name and path, copied
// into out. The entry goes at the top level where every reader reaches it:
// before a top-level closer that ends the menu, else after the last entry,
// with closers added first for submenus left open. Entries from there on
// move up by the entries added, in the same order; no other line changes.
// Returns the new entry's number, or 0 when memory ran out.
size_t SectionLinesAddFavourite(const char *list, size_t size, const char *name, const char *path,
                                SectionLines *out);
