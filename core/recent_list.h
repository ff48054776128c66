// The recent-folders list as it is stored: one folder a line, most recent
// first, bounded. Portable, no platform headers.
#pragma once
#include <stddef.h>

// The key of section settings that switches the list off (0); on by default.
#define RECENT_SWITCH_KEY "fd.recent"

#define RECENT_CAPACITY 10
#define RECENT_PATH_CAPACITY 260   // MAX_PATH: a folder and its NUL
// Room for the text of a full list, every line with its CR LF.
#define RECENT_TEXT_CAPACITY (RECENT_CAPACITY * (RECENT_PATH_CAPACITY + 1))

struct RecentList {
    int count;
    char folder[RECENT_CAPACITY][RECENT_PATH_CAPACITY];
};

// The list held by text (size bytes, as found on disk: anyone may have
// written it). Only lines ended by LF (or CR LF) count, so a file cut short
// gives no half path. A line is skipped when it is too long, not a fully
// qualified path, or the same folder as one before it (case and a trailing
// backslash aside); at most RECENT_CAPACITY folders are kept.
void RecentParse(const char *text, size_t size, RecentList *list);

// Puts folder first, dropping an earlier copy of it and the folder that no
// longer fits. A folder that is not fully qualified or too long is refused
// (0, the list unchanged); 1 otherwise.
int RecentPush(RecentList *list, const char *folder);

// The list as text, each line ended by CR LF, into out of cap bytes (no NUL
// added); RECENT_TEXT_CAPACITY always fits. Returns the bytes written, 0
// when they would not fit.
size_t RecentFormat(const RecentList *list, char *out, size_t cap);
