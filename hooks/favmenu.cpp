// The favourites menu: built from the configuration file at each press, and
// the entry the user chose typed into the dialog.
#include "filedialog.h"
#include "../core/buffers.h"
#include "../core/ini.h"
#include "../core/textbuf.h"
#include <commctrl.h>

// Profile values handed to the menu and the dialog are at most this long.
#define ENTRY_TEXT_SIZE 260
// Deeper submenus are shown but left empty: a file full of openers must not
// run a foreign program's stack out.
#define MAX_SUBMENU_DEPTH 32
// WM_COMMAND carries 16 bits of id; entries whose id would not fit are not
// shown rather than delivered as some other command (IDOK, say).
#define MAX_MENU_ID 0xFFFF

static DWORD ReadEntryText(const char *section, const char *prefix, int n)
{
    char key[32];
    wsprintfA(key, "%s%d", prefix, n);
    return IniGetString(section, key, "", MenuItemBuffer, ENTRY_TEXT_SIZE);
}

static BOOL InsertCommandItem(HMENU menu, int pos, UINT id, const char *text, HMENU submenu)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_DATA | MIIM_ID | (submenu ? MIIM_SUBMENU : 0);
    item.wID = id;
    item.hSubMenu = submenu;
    item.dwTypeData = (LPSTR)text;
    item.cch = lstrlenA(text);
    return InsertMenuItemA(menu, pos, TRUE, &item);
}

static void InsertSeparator(HMENU menu, int pos)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_TYPE;
    item.fType = MFT_SEPARATOR;
    InsertMenuItemA(menu, pos, TRUE, &item);
}

// Reads past the entries of a submenu that is too deep to show, up to and
// including its closer; returns the N after it.
static int SkipSubmenu(const char *section, int n)
{
    int open = 1;
    while (ReadEntryText(section, "name", n) > 0) {
        n++;
        if (MenuItemBuffer[0] == '-') {
            if (MenuItemBuffer[1] != '-')
                open++;
            else if (--open == 0)
                break;
        }
    }
    return n;
}

static int FillMenuAt(HMENU menu, const char *section, int n, int pos, int idBase, int depth)
{
    if (depth > MAX_SUBMENU_DEPTH)
        return SkipSubmenu(section, n);
    while (idBase + n <= MAX_MENU_ID && ReadEntryText(section, "name", n) > 0) {
        UINT id = (UINT)(idBase + n);
        n++;
        if (MenuItemBuffer[0] != '-') {
            InsertCommandItem(menu, pos++, id, MenuItemBuffer, NULL);
            continue;
        }
        if (MenuItemBuffer[1] == '-')
            return n;   // closes this (sub)menu; at the top it ends the section
        // A submenu that cannot be made is left out with its entries; what
        // follows it stays at this level.
        HMENU submenu = CreatePopupMenu();
        if (!submenu || !InsertCommandItem(menu, pos, id, MenuItemBuffer + 1, submenu)) {
            if (submenu)
                DestroyMenu(submenu);
            n = SkipSubmenu(section, n);
            continue;
        }
        pos++;
        n = FillMenuAt(submenu, section, n, 0, idBase, depth + 1);
    }
    return n;
}

int FillMenu(HMENU menu, const char *section, int n, int pos, int idBase)
{
    return FillMenuAt(menu, section, n, pos, idBase, 0);
}

void ShowFavouritesMenu(HWND dialog, const DialogControls *controls)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    // A separator follows a section that gave at least one entry. A program
    // with no name of its own (a command line of blanks) has no section: an
    // empty section name would not be a section anyway.
    if (controls->processName[0] &&
        FillMenu(menu, controls->processName, 1, 0, IDM_FAV_PROGRAM) > 1)
        InsertSeparator(menu, GetMenuItemCount(menu));
    if (FillMenu(menu, "global", 1, GetMenuItemCount(menu), IDM_FAV_GLOBAL) > 1)
        InsertSeparator(menu, GetMenuItemCount(menu));
    BufSet(MenuItemBuffer, COUNTOF(MenuItemBuffer), "Brivane");
    InsertCommandItem(menu, GetMenuItemCount(menu), IDM_FAV_EDIT, MenuItemBuffer, NULL);

    POINT at = MenuAnchor(controls);
    TrackPopupMenuEx(menu, TPM_RIGHTBUTTON, at.x, at.y, dialog, NULL);
    DestroyMenu(menu);
}

void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section)
{
    if (ReadEntryText(section, "path", n) == 0)
        return;
    char path[ENTRY_TEXT_SIZE];
    BufSet(path, COUNTOF(path), MenuItemBuffer);
    HWND target = controls->combo ? controls->combo : controls->edit;

    // Kept on this stack: pressing OK runs the dialog's own code, and other
    // threads of the program may use the shared buffers meanwhile.
    char saved[ENTRY_TEXT_SIZE];
    saved[0] = '\0';
    GetWindowTextA(target, saved, COUNTOF(saved));
    SetWindowTextA(target, path);
    SetFocus(target);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    // The dialog may have closed on a file path; the text goes back only
    // into a field that still exists.
    if (IsWindow(target))
        SetWindowTextA(target, saved);
}
