// The three commands in every top-level window's system menu.
#include "hooks.h"

HMENU EligibleSystemMenu(HWND window)
{
    // GetParent also returns the owner of an owned popup: dialogs and other
    // owned windows are not top-level windows of their own here.
    if (GetParent(window))
        return NULL;
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu || GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND) == (UINT)-1)
        return NULL;
    return menu;
}

static BOOL HasOurItems(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++)
        if (GetMenuItemID(menu, i) == IDM_TRAY)
            return TRUE;
    return FALSE;
}

void AddSysMenuItems(HWND window)
{
    HMENU menu = EligibleSystemMenu(window);
    if (!menu || HasOurItems(menu))
        return;
    // Each insert goes in front of whatever is first at that moment, so the
    // menu ends up starting: floating icon, tray, always on top, separator.
    UINT topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? MF_CHECKED : MF_UNCHECKED;
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, IDM_SEPARATOR, NULL);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING | topmost, IDM_TOPMOST, "Always on to&p");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_TRAY, "Minimize to &tray");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_FLOAT, "To &floating icon");
}

void RemoveSysMenuItems(HWND window)
{
    HMENU menu = EligibleSystemMenu(window);
    if (!menu)
        return;
    DeleteMenu(menu, IDM_FLOAT, MF_BYCOMMAND);
    DeleteMenu(menu, IDM_TRAY, MF_BYCOMMAND);
    DeleteMenu(menu, IDM_TOPMOST, MF_BYCOMMAND);
    DeleteMenu(menu, IDM_SEPARATOR, MF_BYCOMMAND);
}
