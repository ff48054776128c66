// The favourites menu: built from the sources of folders at each press.
#pragma once
#include <windows.h>
#include "dialogkind.h"

// Builds the menu and tracks it under the favourites button of the dialog;
// the choice goes to the source that gave its id.
void ShowFavouritesMenu(HWND dialog, const DialogControls *controls);
// WM_INITMENUPOPUP of dialog: a submenu of its menu is about to show.
void FavouritesMenuOpening(HWND dialog, HMENU popup);
// A command that came to the dialog as WM_COMMAND (the menu posts some of
// its choices so, and other programs may send them): offered to each
// source. Returns whether one took it.
BOOL FavouritesCommand(HWND dialog, const DialogControls *controls, UINT id);
