// "Add this folder": the favourites menu's submenu that adds the folder the
// dialog shows to section global or to the program's own section.
#include "favadd.h"
#include "favourites.h"
#include "folder_source.h"
#include "folderpath.h"
#include "hooks.h"
#include "../core/favourite_add.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/path_expand.h"
#include "../core/profile_section.h"
#include "../core/textbuf.h"

BOOL AnsiFolder(const WCHAR *answer, LRESULT n, char *out)
{
    // A fully qualified path starts with an ASCII character, so a wide
    // answer shows a zero as its second byte.
    out[0] = '\0';
    if (n <= 1 || n > MAX_PATH)
        return FALSE;   // nothing, or a path longer than an entry may hold
    const char *bytes = (const char *)answer;
    if (bytes[0] && !bytes[1]) {
        // A name with characters the ANSI code page lacks would be stored
        // as another folder's name.
        BOOL lossy = FALSE;
        if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, answer, -1, out, MAX_PATH, NULL, &lossy) || lossy) {
            out[0] = '\0';
            return FALSE;
        }
    } else {
        BufSetN(out, MAX_PATH, bytes, MAX_PATH - 1);
    }
    // A line break in a name (the item dialog shows what the file system
    // holds) would write lines of its own into the ini.
    return IsFullyQualifiedPath(out, MAX_PATH) && !HasControlCharacters(out);
}

BOOL CurrentFolder(HWND dialog, char *out)
{
    const DialogKind *kind = KindOf(dialog);
    out[0] = '\0';
    return kind && kind->folder(dialog, out);
}

// Whether the entries a reader reaches hold folder: the same folder where
// they are used (expanded), without regard to case or a trailing
// backslash. An entry that cannot be expanded names no folder.
static BOOL EntriesHoldFolder(const NumberedEntries *entries, const char *folder)
{
    char path[MAX_PATH], expanded[MAX_PATH];
    size_t end = NumberedEnd(entries);
    for (size_t n = 1; n < end; n++) {
        NumberedPath(entries, n, path, COUNTOF(path));
        if (PathNeedsExpanding(path) ? ExpandFavouritePath(path, expanded) && SameFolder(expanded, folder)
                                     : SameFolder(path, folder))
            return TRUE;
    }
    return FALSE;
}

static BOOL ListHoldsFolder(const SectionLines *lines, const char *folder)
{
    NumberedEntries entries;
    BOOL held = NumberedEntriesBuild(&entries, SectionLinesText(lines), lines->used) &&
                EntriesHoldFolder(&entries, folder);
    NumberedEntriesFree(&entries);
    return held;
}

// Under the file's lock, on the section as it is then: another program may
// have added entries, or this folder, since the menu was shown.
static int AddFolderToLines(const SectionLines *now, SectionLines *out, void *folder)
{
    if (ListHoldsFolder(now, (const char *)folder))
        return INI_UNCHANGED;
    // The folder's name is text: never an opener or a closer.
    // A portable copy travels with its drive: a folder on it is written
    // relative to the configuration file's folder.
    char text[MAX_PATH], name[MAX_PATH + 1], stored[MAX_PATH], base[MAX_PATH];
    const char *path = (const char *)folder;
    if (IsPortableCopy() && ExpandFavouritePath(".", base) && PathRelativeToBase(path, base, stored, COUNTOF(stored)))
        path = stored;
    FolderEntryName((const char *)folder, text, COUNTOF(text));
    return EntryNameFromFolder(text, name, COUNTOF(name)) &&
           SectionLinesAddFavourite(SectionLinesText(now), now->used, name, path, out)
        ? INI_WRITTEN : INI_FAILED;
}

int AddFolderToSection(const char *section, const char *folder)
{
    // One read and one write of the whole section: nothing in it is lost
    // or reordered, and a section read only in part is never written back.
    IniSectionUpdate update = { section, AddFolderToLines, (void *)folder, NULL };
    return IniUpdate(IniChangeSection, &update);
}

static void InsertAddItem(HMENU menu, UINT id, const char *text, BOOL enabled)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
    item.wID = id;
    item.fState = enabled ? MFS_ENABLED : MFS_DISABLED;
    item.dwTypeData = (LPSTR)text;
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &item);
}

// An item is disabled when the dialog cannot tell its folder or the section
// holds it already; a section that could not be read counts as holding it.
// A program without a name gets no item of its own.
static void FillAddFolder(HMENU menu, MenuPress *press)
{
    HMENU submenu = CreatePopupMenu();
    if (!submenu)
        return;
    char folder[MAX_PATH];
    BOOL known = CurrentFolder(press->dialog, folder);
    const NumberedEntries *global = FavouritesRead(press, FALSE), *program = FavouritesRead(press, TRUE);
    InsertAddItem(submenu, IDM_ADD_GLOBAL, "to all programs", known && global && !EntriesHoldFolder(global, folder));
    const char *processName = press->controls->processName;
    if (processName[0]) {
        char text[PROCESS_NAME_CAPACITY + 4];
        BufJoin(text, COUNTOF(text), "to ", processName);
        InsertAddItem(submenu, IDM_ADD_PROGRAM, text, known && program && !EntriesHoldFolder(program, folder));
    }
    AppendSubmenu(menu, submenu, "Add this folder");
}

// Chosen in the menu, the item reaches the dialog as the menu would have
// sent it: its command adds the folder the dialog shows then.
static BOOL ApplyAddFolder(HWND dialog, const DialogControls *controls, UINT id, MenuPress *press)
{
    if (id != IDM_ADD_GLOBAL && id != IDM_ADD_PROGRAM)
        return FALSE;
    if (press)
        PostMessageA(dialog, WM_COMMAND, id, 0);
    else
        AddCurrentFolder(dialog, id == IDM_ADD_GLOBAL ? "global" : controls->processName);
    return TRUE;
}

const FolderSource g_addFolderSource = { FillAddFolder, NULL, ApplyAddFolder, NULL };

void AddCurrentFolder(HWND dialog, const char *section)
{
    char folder[MAX_PATH];
    if (section[0] && CurrentFolder(dialog, folder))
        while (IniRefused(dialog, AddFolderToSection(section, folder)))
            ;
}
