// A source of folders for the favourites menu: each fills its own part of
// the menu and acts on the ids it gave out. The menu walks the table of
// sources and knows none of them, nor any kind of dialog.
#pragma once
#include <windows.h>
#include "dialogkind.h"

// The sources, in the order their parts appear in the menu.
enum FolderSourceSlot { SOURCE_FAVOURITES, SOURCE_OPEN, SOURCE_RECENT, SOURCE_ADD, FOLDER_SOURCES };

// One press of the favourites button, from building the menu until the
// choice was acted on: the dialog, its controls, and what each source
// keeps meanwhile (its own, by its slot).
struct MenuPress {
    HWND dialog;
    const DialogControls *controls;
    void *state[FOLDER_SOURCES];
};

struct FolderSource {
    // Appends the source's part to menu; a submenu may be left for opening.
    void (*fill)(HMENU menu, MenuPress *press);
    // popup, a submenu of this menu, is about to show: fills it when it
    // is the source's (may be null: nothing to fill late).
    void (*opening)(HMENU popup, MenuPress *press);
    // Acts on id when it is the source's; returns whether it was. press is
    // null for a command that came as WM_COMMAND, not from the menu shown.
    BOOL (*apply)(HWND dialog, const DialogControls *controls, UINT id, MenuPress *press);
    // Frees what fill kept in press (may be null).
    void (*release)(MenuPress *press);
};

extern const FolderSource g_favouritesSource;   // favourites.cpp
extern const FolderSource g_openFoldersSource;  // openfolders.cpp
extern const FolderSource g_recentSource;       // recentmenu.cpp
extern const FolderSource g_addFolderSource;    // favadd.cpp
// The table the menu walks, in FolderSourceSlot order (sources.cpp).
extern const FolderSource *const g_folderSources[FOLDER_SOURCES];

// Inserts an item (with submenu, unless null) at pos of menu; greyed ones
// are shown but cannot be chosen.
BOOL InsertMenuEntry(HMENU menu, int pos, UINT id, const char *text, HMENU submenu, BOOL greyed);
// Appends submenu to menu under text; destroys it when it cannot.
void AppendSubmenu(HMENU menu, HMENU submenu, const char *text);
// Appends a separator to menu.
void AppendSeparator(HMENU menu);
