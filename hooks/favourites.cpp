// The favourites sections as the menu's first source: the program's own
// section, then section global, each read once per press; the entry chosen
// is typed into the dialog, its path expanded where it is used.
#include "favourites.h"
#include "folder_source.h"
#include "folderpath.h"
#include "../core/ini.h"
#include "../core/path_expand.h"
#include "../core/profile_section.h"
#include "../core/favourite_add.h"
#include "../core/textbuf.h"

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

// What a press keeps: both sections as read.
struct FavouritesState {
    FavouriteSection program, global;
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

// An entry whose path names nothing where it is used (a variable not set,
// say) is shown greyed; a plain path costs no lookup.
static BOOL EntryUnusable(const NumberedEntries *entries, int n)
{
    char path[ENTRY_TEXT_SIZE], expanded[MAX_PATH];
    NumberedPath(entries, (size_t)n, path, COUNTOF(path));
    return PathNeedsExpanding(path) && !ExpandFavouritePath(path, expanded);
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
            InsertMenuEntry(menu, pos++, id, EntryNameShown(name), NULL, EntryUnusable(entries, n - 1));
            continue;
        }
        if (name[1] == '-')
            return n;   // closes this (sub)menu; at the top it ends the section
        // A submenu that cannot be made is left out with its entries; what
        // follows it stays at this level.
        HMENU submenu = CreatePopupMenu();
        if (!submenu || !InsertMenuEntry(menu, pos, id, name + 1, submenu, FALSE)) {
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

static void FillFavourites(HMENU menu, MenuPress *press)
{
    FavouritesState *state = (FavouritesState *)HeapAlloc(GetProcessHeap(), 0, sizeof(FavouritesState));
    if (!state)
        return;
    press->state[SOURCE_FAVOURITES] = state;
    // Each section is read once, for its entries and for "Add this folder"
    // alike: a profile read is the dearest part of the press.
    // A separator follows a section that gave at least one entry. A program
    // with no name of its own (a command line of blanks) has no section: an
    // empty section name would not be a section anyway.
    const char *name = press->controls->processName;
    ReadFavourites(&state->program, name[0] ? name : NULL);
    ReadFavourites(&state->global, "global");
    if (name[0] && FillMenuAt(menu, &state->program.entries, 1, 0, IDM_FAV_PROGRAM, 0) > 1)
        AppendSeparator(menu);
    if (FillMenuAt(menu, &state->global.entries, 1, GetMenuItemCount(menu), IDM_FAV_GLOBAL, 0) > 1)
        AppendSeparator(menu);
}

const NumberedEntries *FavouritesRead(const MenuPress *press, BOOL program)
{
    const FavouritesState *state = press ? (const FavouritesState *)press->state[SOURCE_FAVOURITES] : NULL;
    const FavouriteSection *f = !state ? NULL : program ? &state->program : &state->global;
    return f && f->whole ? &f->entries : NULL;
}

static BOOL ApplyFavourite(HWND dialog, const DialogControls *controls, UINT id, MenuPress *press)
{
    if (id <= IDM_FAV_GLOBAL || id > MAX_MENU_ID)
        return FALSE;
    // Chosen in the menu, the entry reaches the dialog as the menu would
    // have sent it; the command then reads the entry afresh.
    if (press)
        PostMessageA(dialog, WM_COMMAND, id, 0);
    else if (id < IDM_FAV_PROGRAM)
        ApplyEntry(dialog, controls, (int)(id - IDM_FAV_GLOBAL), "global");
    else if (id > IDM_FAV_PROGRAM && controls->processName[0])
        ApplyEntry(dialog, controls, (int)(id - IDM_FAV_PROGRAM), controls->processName);
    return TRUE;
}

static void ReleaseFavourites(MenuPress *press)
{
    FavouritesState *state = (FavouritesState *)press->state[SOURCE_FAVOURITES];
    if (!state)
        return;
    FreeFavourites(&state->program);
    FreeFavourites(&state->global);
    HeapFree(GetProcessHeap(), 0, state);
    press->state[SOURCE_FAVOURITES] = NULL;
}

const FolderSource g_favouritesSource = { FillFavourites, NULL, ApplyFavourite, ReleaseFavourites };

void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section)
{
    char key[32];
    wsprintfA(key, "path%d", n);
    char path[ENTRY_TEXT_SIZE], expanded[MAX_PATH];
    if (IniGetString(section, key, "", path, COUNTOF(path)) != 0 && ExpandFavouritePath(path, expanded))
        NavigateDialog(dialog, controls, expanded);
}
