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

// What "Add this folder" writes as an entry's name is the folder's text and
// never menu structure. A name that starts with '-' (an opener or a closer
// to every reader) gets a backslash in front, "\-sub": no folder name can
// start with a backslash, and the menu shows such a name without it. A name
// written by hand keeps its meaning: only "\-" at the start is read so.
// EntryNameFromFolder writes the stored form of text into out (at most cap
// bytes, terminated); 0 when it does not fit whole.
size_t EntryNameFromFolder(const char *text, char *out, size_t cap);
// The text the menu shows for a stored name that is not structure.
const char *EntryNameShown(const char *name);

// 1 when text holds a character below 0x20: a line break would end the
// ini line and start a key or a section of the text's choosing.
int HasControlCharacters(const char *text);

// The section list (size bytes) with one entry more, name and path, copied
// into out. The entry goes at the top level where every reader reaches it:
// before a top-level closer that ends the menu, else after the last entry,
// with closers added first for submenus left open. Entries from there on
// move up by the entries added, in the same order; no other line changes.
// name and path are written as they are, quoted where needed (see
// SectionLinesAddQuoted); encode a folder's name first. Returns the new
// entry's number, or 0 when memory ran out or name or path holds a control
// character (nothing is added then).
size_t SectionLinesAddFavourite(const char *list, size_t size, const char *name, const char *path,
                                SectionLines *out);
