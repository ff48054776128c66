// "Add this folder": the favourites menu's submenu that adds the folder the
// dialog shows to section global or to the program's own section.
#include "filedialog.h"
#include "hooks.h"
#include "../core/favourite_add.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/profile_section.h"
#include "../core/textbuf.h"
#include <commdlg.h>
#include <shlobj.h>

// What a shell view asks its host window for: the browser it lives in.
#define CWM_GETISHELLBROWSER (WM_USER + 7)

// The dialog's shell view, a child at any depth; null when there is none.
static BOOL CALLBACK FindShellView(HWND child, LPARAM found)
{
    char cls[20];
    if (GetClassNameA(child, cls, COUNTOF(cls)) && lstrcmpA(cls, "SHELLDLL_DefView") == 0) {
        *(HWND *)found = child;
        return FALSE;
    }
    return TRUE;
}

// The folder of the dialog's shell view, asked of the browser hosting it: the
// item dialog, which has no CDM_GETFOLDERPATH, answers this way.
static BOOL BrowserFolder(HWND dialog, WCHAR *out)
{
    HWND view = NULL;
    EnumChildWindows(dialog, FindShellView, (LPARAM)&view);
    // A window of another program put into the dialog would hand us a
    // pointer of its own: only our program's windows are asked.
    HWND host = view ? GetParent(view) : NULL;
    if (!host || !WindowOfThisProcess(host))
        return FALSE;
    IShellBrowser *browser = (IShellBrowser *)SendMessageA(host, CWM_GETISHELLBROWSER, 0, 0);
    IShellView *shellView = NULL;
    IFolderView *folderView = NULL;
    IPersistFolder2 *folder = NULL;
    PIDLIST_ABSOLUTE pidl = NULL;
    BOOL got = FALSE;
    if (browser && SUCCEEDED(browser->QueryActiveShellView(&shellView)) && shellView &&
        SUCCEEDED(shellView->QueryInterface(__uuidof(IFolderView), (void **)&folderView)) && folderView &&
        SUCCEEDED(folderView->GetFolder(__uuidof(IPersistFolder2), (void **)&folder)) && folder &&
        SUCCEEDED(folder->GetCurFolder(&pidl)) && pidl)
        got = SHGetPathFromIDListW(pidl, out);
    CoTaskMemFree(pidl);
    if (folder)
        folder->Release();
    if (folderView)
        folderView->Release();
    if (shellView)
        shellView->Release();   // the browser itself is lent, not counted
    return got;
}

BOOL CurrentFolder(HWND dialog, char *out)
{
    // The dialog answers in its own character set whichever way it is
    // asked. A fully qualified path starts with an ASCII character, so a
    // wide answer shows a zero as its second byte.
    WCHAR wide[MAX_PATH + 1] = {};
    LRESULT n = SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)wide);
    out[0] = '\0';
    if (n == 0 && BrowserFolder(dialog, wide))
        n = lstrlenW(wide) + 1;
    if (n <= 1 || n > MAX_PATH)
        return FALSE;   // nothing, or a path longer than an entry may hold
    const char *bytes = (const char *)wide;
    if (bytes[0] && !bytes[1]) {
        // A name with characters the ANSI code page lacks would be stored
        // as another folder's name.
        BOOL lossy = FALSE;
        if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, MAX_PATH, NULL, &lossy) || lossy) {
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

static void WithoutTrailingBackslash(char *path)
{
    int len = lstrlenA(path);
    if (len > 0 && path[len - 1] == '\\')
        path[len - 1] = '\0';
}

// Whether the entries a reader reaches hold folder: the same path without
// regard to case or a trailing backslash.
static BOOL ListHoldsFolder(const SectionLines *lines, const char *folder)
{
    char want[MAX_PATH], path[MAX_PATH];
    BufSet(want, COUNTOF(want), folder);
    WithoutTrailingBackslash(want);
    NumberedEntries entries;
    BOOL held = FALSE;
    if (NumberedEntriesBuild(&entries, SectionLinesText(lines), lines->used)) {
        size_t end = NumberedEnd(&entries);
        for (size_t n = 1; n < end && !held; n++) {
            NumberedPath(&entries, n, path, COUNTOF(path));
            WithoutTrailingBackslash(path);
            held = path[0] && lstrcmpiA(path, want) == 0;
        }
    }
    NumberedEntriesFree(&entries);
    return held;
}

BOOL SectionHoldsFolder(const char *section, const char *folder)
{
    SectionLines lines;
    SectionLinesInit(&lines);
    // A section that cannot be read counts as holding it: nothing is added.
    BOOL held = !IniReadSection(section, &lines) || ListHoldsFolder(&lines, folder);
    SectionLinesFree(&lines);
    return held;
}

// Under the file's lock, on the section as it is then: another program may
// have added entries, or this folder, since the menu was shown.
static int AddFolderToLines(const SectionLines *now, SectionLines *out, void *folder)
{
    if (ListHoldsFolder(now, (const char *)folder))
        return INI_UNCHANGED;
    // The folder's name is text: never an opener or a closer.
    char text[MAX_PATH], name[MAX_PATH + 1];
    FolderEntryName((const char *)folder, text, COUNTOF(text));
    return EntryNameFromFolder(text, name, COUNTOF(name)) &&
           SectionLinesAddFavourite(SectionLinesText(now), now->used, name, (const char *)folder, out)
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

void AppendAddFolderMenu(HMENU menu, HWND dialog, const DialogControls *controls)
{
    HMENU submenu = CreatePopupMenu();
    if (!submenu)
        return;
    char folder[MAX_PATH];
    BOOL known = CurrentFolder(dialog, folder);
    InsertAddItem(submenu, IDM_ADD_GLOBAL, "to all programs", known && !SectionHoldsFolder("global", folder));
    if (controls->processName[0]) {
        char text[PROCESS_NAME_CAPACITY + 4];
        BufJoin(text, COUNTOF(text), "to ", controls->processName);
        InsertAddItem(submenu, IDM_ADD_PROGRAM, text,
                      known && !SectionHoldsFolder(controls->processName, folder));
    }
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_SUBMENU;
    item.hSubMenu = submenu;
    item.dwTypeData = (LPSTR)"Add this folder";
    if (!InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &item))
        DestroyMenu(submenu);
}

void AddCurrentFolder(HWND dialog, const char *section)
{
    char folder[MAX_PATH];
    if (section[0] && CurrentFolder(dialog, folder))
        while (IniRefused(dialog, AddFolderToSection(section, folder)))
            ;
}
