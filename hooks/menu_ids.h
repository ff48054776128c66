// The keys and command ids of the favourites button and menu.
#pragma once

// The key that opens the favourites menu with Ctrl, and the button's tooltip
// that names it.
#define FAVOURITES_KEY 'B'
#define FAVOURITES_TIP "Brivane (Ctrl+B)"
// The key that, with Ctrl, sends the dialog to the folder of the file
// manager's window used last.
#define LAST_OPEN_FOLDER_KEY 'G'

// Command ids of the favourites button and the favourites menu. Entries of
// a section get idBase + N with N from 1, so nothing below 1281 is theirs.
enum FavouritesId {
    IDC_FAVOURITES = 371,            // the toolbar button
    IDM_OPEN_FOLDER = 1240,          // + i: folder i of "Open folders" (20 at most)
    IDM_OPEN_FOLDER_NONE = 1260,     // the greyed item when there is none
    IDM_OPEN_LAST = 1261,            // the key's command: the window used last
    IDM_RECENT = 1264,               // + i: folder i of the recent list (10 at most)
    IDM_RECENT_CLEAR = 1274,         // Recent folders > Clear
    IDM_ADD_GLOBAL = 1277,           // Add this folder > to all programs
    IDM_ADD_PROGRAM = 1278,          // Add this folder > to <program>
    IDM_FAV_EDIT = 1279,             // last menu item: the configuration sheet
    IDM_FAV_GLOBAL = 1280,           // + N: entry N of section global
    IDM_FAV_PROGRAM = 1792           // + N: entry N of the program's own section
};
