// "Recent folders" as a source of the favourites menu: the recent list's
// folders that still exist, most recent first, then "Clear".
#include "folder_source.h"
#include "folderpath.h"
#include "recent.h"
#include "../core/recent_list.h"

// The list as the menu showed it: another program may change the file
// before the choice is acted on.
static void FillRecent(HMENU menu, MenuPress *press)
{
    RecentList *shown = (RecentList *)HeapAlloc(GetProcessHeap(), 0, sizeof(RecentList));
    HMENU submenu = shown ? CreatePopupMenu() : NULL;
    if (!submenu) {
        HeapFree(GetProcessHeap(), 0, shown);
        return;
    }
    char path[MAX_PATH];
    LoadRecent(shown, path);
    press->state[SOURCE_RECENT] = shown;
    // Folders that no longer exist are left out (emptied in shown); the
    // others keep their place in the list as their id. Folders on the
    // network are shown unprobed.
    int items = 0;
    DriveTypes drives = {};
    for (int i = 0; i < shown->count; i++) {
        if (!FolderShownExists(shown->folder[i], &drives))
            shown->folder[i][0] = '\0';
        else if (AppendMenuA(submenu, MF_STRING, IDM_RECENT + i, shown->folder[i]))
            items++;
    }
    if (items)
        AppendSeparator(submenu);
    AppendMenuA(submenu, shown->count ? MF_STRING : MF_STRING | MF_GRAYED, IDM_RECENT_CLEAR, "Clear");
    AppendSubmenu(menu, submenu, "Recent folders");
}

// Only a choice in the menu shown counts: a posted recent id names no
// folder of its own.
static BOOL ApplyRecent(HWND dialog, const DialogControls *controls, UINT id, MenuPress *press)
{
    if (id < IDM_RECENT || id > IDM_RECENT_CLEAR)
        return FALSE;
    const RecentList *shown = press ? (const RecentList *)press->state[SOURCE_RECENT] : NULL;
    int i = (int)(id - IDM_RECENT);
    DriveTypes drives = {};
    if (shown && id == IDM_RECENT_CLEAR)
        RecentFolders_Clear();
    else if (shown && i < shown->count && shown->folder[i][0] && FolderShownExists(shown->folder[i], &drives))
        NavigateDialog(dialog, controls, shown->folder[i]);
    return TRUE;
}

static void ReleaseRecent(MenuPress *press)
{
    HeapFree(GetProcessHeap(), 0, press->state[SOURCE_RECENT]);
    press->state[SOURCE_RECENT] = NULL;
}

const FolderSource g_recentSource = { FillRecent, NULL, ApplyRecent, ReleaseRecent };
