// The favourites sections as a source of the menu: the program's own
// section, then section global.
#pragma once
#include <windows.h>
#include "dialogkind.h"

// Appends the entries of section from entry n on to menu at position pos,
// giving entry N the id idBase + N; submenus are filled recursively. An
// entry whose path cannot be expanded is shown greyed. Returns the N after
// the last entry read.
int FillMenu(HMENU menu, const char *section, int n, int pos, int idBase);

// The entries of the program's section (program TRUE) or of section
// global as this press read them; null when the section could not be read
// whole or the press read none.
struct MenuPress;
struct NumberedEntries;
const NumberedEntries *FavouritesRead(const MenuPress *press, BOOL program);

// Sends the dialog to path N of section, expanded; an entry without a
// path, or one that cannot be expanded, does nothing.
void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section);
