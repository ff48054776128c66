// The favourites menu: built from the configuration file at each press, and
// the entry the user chose typed into the dialog.
#include "filedialog.h"
#include "../core/buffers.h"
#include "../core/favourite_add.h"
#include "../core/ini.h"
#include "../core/profile_section.h"
#include "../core/recent_list.h"
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

// A favourites section read in one go and its nameN/pathN indexed, so
// that the menu costs one profile read per section whatever its length.
struct FavouriteSection {
    SectionLines lines;
    NumberedEntries entries;
    int whole;              // read whole: "Add this folder" may look in it
};

static void ReadFavourites(FavouriteSection *f, const char *section)
{
    SectionLinesInit(&f->lines);
    f->whole = section && IniReadSection(section, &f->lines);
    // Without memory for the index the section shows as empty.
    NumberedEntriesBuild(&f->entries, SectionLinesText(&f->lines), f->lines.used);
}

static void FreeFavourites(FavouriteSection *f)
{
    NumberedEntriesFree(&f->entries);
    SectionLinesFree(&f->lines);
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

void AppendSubmenu(HMENU menu, HMENU submenu, const char *text)
{
    if (!InsertCommandItem(menu, GetMenuItemCount(menu), 0, text, submenu))
        DestroyMenu(submenu);
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
static int SkipSubmenu(const NumberedEntries *entries, int n)
{
    int open = 1;
    char name[ENTRY_TEXT_SIZE];
    while (NumberedName(entries, (size_t)n, name, COUNTOF(name)) > 0) {
        n++;
        if (name[0] == '-') {
            if (name[1] != '-')
                open++;
            else if (--open == 0)
                break;
        }
    }
    return n;
}

static int FillMenuAt(HMENU menu, const NumberedEntries *entries, int n, int pos, int idBase, int depth)
{
    if (depth > MAX_SUBMENU_DEPTH)
        return SkipSubmenu(entries, n);
    char name[ENTRY_TEXT_SIZE];
    while (idBase + n <= MAX_MENU_ID && NumberedName(entries, (size_t)n, name, COUNTOF(name)) > 0) {
        UINT id = (UINT)(idBase + n);
        n++;
        if (name[0] != '-') {
            InsertCommandItem(menu, pos++, id, EntryNameShown(name), NULL);
            continue;
        }
        if (name[1] == '-')
            return n;   // closes this (sub)menu; at the top it ends the section
        // A submenu that cannot be made is left out with its entries; what
        // follows it stays at this level.
        HMENU submenu = CreatePopupMenu();
        if (!submenu || !InsertCommandItem(menu, pos, id, name + 1, submenu)) {
            if (submenu)
                DestroyMenu(submenu);
            n = SkipSubmenu(entries, n);
            continue;
        }
        pos++;
        n = FillMenuAt(submenu, entries, n, 0, idBase, depth + 1);
    }
    return n;
}

int FillMenu(HMENU menu, const char *section, int n, int pos, int idBase)
{
    FavouriteSection f;
    ReadFavourites(&f, section);
    n = FillMenuAt(menu, &f.entries, n, pos, idBase, 0);
    FreeFavourites(&f);
    return n;
}

void ShowFavouritesMenu(HWND dialog, const DialogControls *controls)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    // Each section is read once, for its entries and for "Add this folder"
    // alike: a profile read is the dearest part of the press.
    // A separator follows a section that gave at least one entry. A program
    // with no name of its own (a command line of blanks) has no section: an
    // empty section name would not be a section anyway.
    const char *name = controls->processName;
    FavouriteSection program, global;
    ReadFavourites(&program, name[0] ? name : NULL);
    ReadFavourites(&global, "global");
    if (name[0] && FillMenuAt(menu, &program.entries, 1, 0, IDM_FAV_PROGRAM, 0) > 1)
        InsertSeparator(menu, GetMenuItemCount(menu));
    if (FillMenuAt(menu, &global.entries, 1, GetMenuItemCount(menu), IDM_FAV_GLOBAL, 0) > 1)
        InsertSeparator(menu, GetMenuItemCount(menu));
    RecentList shown;
    AppendRecentMenu(menu, &shown);
    AppendAddFolderMenu(menu, dialog, name, global.whole ? &global.entries : NULL,
                        program.whole ? &program.entries : NULL);
    FreeFavourites(&program);
    FreeFavourites(&global);
    BufSet(MenuItemBuffer, COUNTOF(MenuItemBuffer), "Brivane");
    InsertCommandItem(menu, GetMenuItemCount(menu), IDM_FAV_EDIT, MenuItemBuffer, NULL);

    // A recent folder is taken from the list shown: another program may
    // change the list before a posted command would arrive. Every other
    // choice reaches the dialog as the menu would have sent it.
    POINT at = MenuAnchor(controls);
    UINT id = (UINT)TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, dialog, NULL);
    DestroyMenu(menu);
    if (id >= IDM_RECENT && id < IDM_RECENT_CLEAR)
        ApplyRecent(dialog, controls, &shown, (int)(id - IDM_RECENT));
    else if (id == IDM_RECENT_CLEAR)
        RecentFolders_Clear();
    else if (id)
        PostMessageA(dialog, WM_COMMAND, id, 0);
}

void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section)
{
    char key[32];
    wsprintfA(key, "path%d", n);
    char path[ENTRY_TEXT_SIZE];
    const DialogKind *kind = KindOf(dialog);
    if (kind && IniGetString(section, key, "", path, COUNTOF(path)) != 0)
        kind->navigate(dialog, controls, path);
}
