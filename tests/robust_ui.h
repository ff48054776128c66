// Modal work driven to its end inside the calling thread.
#pragma once
#include <windows.h>

typedef INT_PTR (WINAPI *EditIniFn)(HINSTANCE, HWND);

// Opens and cancels count standard Open dialogs one after the other, each
// once it is up and idle. Returns how many were seen up; *augmented gets
// how many of them had the favourites button.
int RunFileDialogs(int count, int *augmented);

// Opens the configuration sheet count times, shows each of its pages and
// closes it with its button. Returns how many were shown and closed.
int RunSheets(EditIniFn editIni, HINSTANCE module, int count);

// A sheet of the same pages, icons and flags as the module's, from the
// module's resources, whose pages do nothing: what the platform's own sheet
// costs, to compare the module's sheet with.
INT_PTR WINAPI ReferenceSheet(HINSTANCE instance, HWND parent);
