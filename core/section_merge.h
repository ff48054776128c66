// Keeping what another program added to a section while the page edited
// it. Portable, no platform headers.
#pragma once
#include <stddef.h>

struct SectionLines;

// out = the lines of rows, then each entry of now (as every reader reaches
// it) that base lacks: what another writer added since base was read. An
// entry is a nameN with its pathN, compared by folder (submenu headers and
// closers are structure, not entries), and goes in as "Add this folder"
// puts one, at the top level; one whose folder rows holds already is left
// out. With keyed set the lines are "key=value" (the exception form): a
// line of now whose key neither base nor rows has is added. Returns the
// entries added, or -1 when memory ran out.
int SectionLinesKeepAdded(const SectionLines *base, const SectionLines *now, const SectionLines *rows, int keyed,
                          SectionLines *out);

// Whether two folder paths are one: without regard to ASCII case or a
// trailing backslash.
int SameFolder(const char *a, size_t aLen, const char *b, size_t bLen);
