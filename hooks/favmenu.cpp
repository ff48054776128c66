// The favourites menu: each source of folders fills its part at each press,
// then the configuration sheet's item; the choice goes back to the source
// that gave its id.
#include "favmenu.h"
#include "folder_source.h"
#include "subclass.h"
#include "../core/buffers.h"
#include "../core/textbuf.h"

BOOL InsertMenuEntry(HMENU menu, int pos, UINT id, const char *text, HMENU submenu, BOOL greyed)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_DATA | MIIM_ID | MIIM_STATE | (submenu ? MIIM_SUBMENU : 0);
    item.wID = id;
    item.fState = greyed ? MFS_GRAYED : MFS_ENABLED;
    item.hSubMenu = submenu;
    item.dwTypeData = (LPSTR)text;
    item.cch = lstrlenA(text);
    return InsertMenuItemA(menu, pos, TRUE, &item);
}

void AppendSubmenu(HMENU menu, HMENU submenu, const char *text)
{
    if (!InsertMenuEntry(menu, GetMenuItemCount(menu), 0, text, submenu, FALSE))
        DestroyMenu(submenu);
}

void AppendSeparator(HMENU menu)
{
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
}

void ShowFavouritesMenu(HWND dialog, const DialogControls *controls)
{
    MenuPress **slot = PressOf(dialog);
    HMENU menu = slot && !*slot ? CreatePopupMenu() : NULL;
    if (!menu)
        return;   // not ours, or its menu is open already
    MenuPress press = { dialog, controls, {} };
    for (int i = 0; i < FOLDER_SOURCES; i++)
        g_folderSources[i]->fill(menu, &press);
    BufSet(MenuItemBuffer, COUNTOF(MenuItemBuffer), "Brivane");
    AppendMenuA(menu, MF_STRING, IDM_FAV_EDIT, MenuItemBuffer);

    // Submenus filled late find the press through the dialog's slot while
    // the menu is tracked.
    *slot = &press;
    POINT at = MenuAnchor(controls);
    UINT id = (UINT)TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, dialog, NULL);
    if ((slot = PressOf(dialog)) != NULL)
        *slot = NULL;
    DestroyMenu(menu);
    if (id == IDM_FAV_EDIT)
        PostMessageA(dialog, WM_COMMAND, id, 0);
    else
        for (int i = 0; id && i < FOLDER_SOURCES; i++)
            if (IsWindow(dialog) && g_folderSources[i]->apply(dialog, controls, id, &press))
                break;
    for (int i = 0; i < FOLDER_SOURCES; i++)
        if (g_folderSources[i]->release)
            g_folderSources[i]->release(&press);
}

void FavouritesMenuOpening(HWND dialog, HMENU popup)
{
    MenuPress **slot = PressOf(dialog);
    if (!slot || !*slot)
        return;
    for (int i = 0; i < FOLDER_SOURCES; i++)
        if (g_folderSources[i]->opening)
            g_folderSources[i]->opening(popup, *slot);
}

BOOL FavouritesCommand(HWND dialog, const DialogControls *controls, UINT id)
{
    for (int i = 0; i < FOLDER_SOURCES; i++)
        if (g_folderSources[i]->apply(dialog, controls, id, NULL))
            return TRUE;
    return FALSE;
}
