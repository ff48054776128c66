// "Add this folder": adds the dialog's folder to a favourites section.
#pragma once
#include <windows.h>

// Adds folder to section as its next top-level entry unless it holds it
// (compared as expanded), re-reading the section under the file's lock. In
// a portable copy a folder on the configuration file's drive is written
// relative to the file's folder. Returns an INI_ result (core/ini_write.h).
int AddFolderToSection(const char *section, const char *folder);

// Adds the dialog's current folder to section; a refused write is told to
// the user, who may try it again.
void AddCurrentFolder(HWND dialog, const char *section);
