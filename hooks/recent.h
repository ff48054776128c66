// The recent list: folders files were last opened from or saved to.
#pragma once
#include <windows.h>

// The recent list holds at most this many folders.
#define RECENT_FOLDERS 10

// The list's file into path (MAX_PATH) and the list it holds into list
// (empty when there is none). FALSE when there is no usable path.
struct RecentList;
BOOL LoadRecent(RecentList *list, char *path);
// Puts folder first in the recent list, unless the list is switched off.
void RecentFolders_Add(const char *folder);
// Empties the recent list.
void RecentFolders_Clear();
