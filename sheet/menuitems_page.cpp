// Menu-items page: set-up, message routing, loading a section into
// ItemList and writing it back whole.
#include "sheet.h"
#include "menuitems.h"
#include "section_text.h"
#include "../core/buffers.h"
#include "../core/ini.h"
#include "../core/textbuf.h"
#include "resource.h"
#include <commctrl.h>
#include <string.h>

HWND SectionList;
HWND ItemList;
int itemsDirty;
int loadedSection = -1;
int loadedReadOnly;

static void CreateItemColumns()
{
    static const struct { const char *text; int width; } columns[2] = {
        { "Name", 80 },
        { "Path", 150 },
    };
    for (int i = 0; i < 2; i++) {
        LVCOLUMNA col;
        memset(&col, 0, sizeof(col));
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = columns[i].width;
        col.pszText = (char *)columns[i].text;
        col.iSubItem = i;
        SendMessageA(ItemList, LVM_INSERTCOLUMNA, i, (LPARAM)&col);
    }
}

// The name at index of SectionList into out; 0 when it is missing or
// would not fit (such names are never listed, so this is only a guard).
static int GetSectionName(int index, char *out, int cap)
{
    LRESULT len = SendMessageA(SectionList, LB_GETTEXTLEN, index, 0);
    if (len == LB_ERR || len >= cap) {
        out[0] = '\0';
        return 0;
    }
    SendMessageA(SectionList, LB_GETTEXT, index, (LPARAM)out);
    return 1;
}

// "settings" belongs to the host in any spelling, since the profile
// functions compare section names without regard to case.
static int Listable(const char *name, size_t len)
{
    return len < ROW_TEXT_SIZE && lstrcmpA(name, "global") && lstrcmpA(name, "exception")
        && lstrcmpiA(name, "settings");
}

void InitMenuItemsPage(HWND page)
{
    SectionList = GetDlgItem(page, IDC_SECTIONLIST);
    ItemList = GetDlgItem(page, IDC_ITEMLIST);
    CreateItemColumns();
    SendMessageA(ItemList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_FLATSB,
                 LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    SendMessageA(SectionList, LB_ADDSTRING, 0, (LPARAM)"global");
    SendMessageA(SectionList, LB_ADDSTRING, 0, (LPARAM)"exception");

    DWORD got = IniGetSectionNames(SectionBuffer, COUNTOF(SectionBuffer));
    // A list cut short by the buffer may end in a cut name: that one is left
    // out rather than listed under a name that is not its own.
    int cut = got >= COUNTOF(SectionBuffer) - 2;
    const char *p = SectionBuffer;
    while (*p) {
        size_t len = strlen(p);
        const char *next = p + len + 1;
        if (cut && !*next)
            break;
        if (Listable(p, len))
            SendMessageA(SectionList, LB_ADDSTRING, 0, (LPARAM)p);
        p = next;
    }
    SendMessageA(SectionList, LB_SETCURSEL, 0, 0);
    itemsDirty = 0;
    LoadSection(page, 0);
}

// Takes name and path as a row. A row the item dialog could not carry back
// unchanged (a name over 259 characters, or a stored value that does not
// fit with the name into ROW_TEXT_SIZE bytes) marks the section read-only,
// so that a save can never write a shortened value. storedLen is the
// value's length in the file: 0 for the blank or "--" the page makes up,
// which an empty path gives back as it was.
static void AddLoadedRow(int index, const char *name, size_t nameLen, const char *path, size_t storedLen)
{
    if (nameLen >= ROW_TEXT_SIZE || (storedLen && nameLen + 1 + storedLen + 1 > ROW_TEXT_SIZE))
        loadedReadOnly = 1;
    InsertItemRow(index, name, path);
}

static void LoadExceptionRows(const char *section)
{
    DWORD got = IniGetSection(section, SectionBuffer, COUNTOF(SectionBuffer));
    if (got >= COUNTOF(SectionBuffer) - 2)
        loadedReadOnly = 1;     // lines past the buffer were not read
    if (got == 0)
        return;
    char *line = SectionBuffer;
    int row = 0;
    while (*line) {
        size_t len = strlen(line);
        char *next = line + len + 1;
        char *eq = strchr(line, '=');   // within this line: it ends at its NUL
        const char *path = "";
        size_t nameLen = len;
        if (eq) {
            *eq = '\0';
            path = eq + 1;
            nameLen = (size_t)(eq - line);
        }
        AddLoadedRow(row++, line, nameLen, path, strlen(path));
        line = next;
    }
}

static void LoadFavouriteRows(const char *section)
{
    char key[16];
    char path[ROW_TEXT_SIZE];
    for (int n = 1;; n++) {
        wsprintfA(key, "name%i", n);
        // One byte more than a row's name takes, so that a longer name
        // shows as cut (MenuItemBuffer has room for it).
        DWORD nameLen = IniGetString(section, key, "", MenuItemBuffer, ROW_TEXT_SIZE + 1);
        if (!MenuItemBuffer[0])
            return;
        if (MenuItemBuffer[0] == '-') {
            AddLoadedRow(n - 1, MenuItemBuffer, nameLen, "--", 0);
            continue;
        }
        wsprintfA(key, "path%i", n);
        DWORD pathLen = IniGetString(section, key, "", path, COUNTOF(path));
        if (pathLen >= COUNTOF(path) - 1)
            loadedReadOnly = 1;     // possibly cut by the buffer
        if (!path[0]) {
            path[0] = ' ';
            path[1] = '\0';
        }
        AddLoadedRow(n - 1, MenuItemBuffer, nameLen, path, pathLen);
    }
}

void EnableSectionControls(HWND page, int index)
{
    int editable = !loadedReadOnly;
    EnableWindow(GetDlgItem(page, IDC_SECTION_EDIT), index >= FIRST_PROGRAM_SECTION && editable);
    EnableWindow(GetDlgItem(page, IDC_SECTION_DELETE), index >= FIRST_PROGRAM_SECTION);
    static const int itemButtons[] = { IDC_ITEM_INSERT, IDC_ITEM_UP, IDC_ITEM_DOWN };
    for (size_t i = 0; i < COUNTOF(itemButtons); i++)
        EnableWindow(GetDlgItem(page, itemButtons[i]), editable);
    if (!editable) {
        EnableWindow(GetDlgItem(page, IDC_ITEM_EDIT), FALSE);
        EnableWindow(GetDlgItem(page, IDC_ITEM_DELETE), FALSE);
    }
}

void LoadSection(HWND page, int index)
{
    SaveSectionIfDirty();
    loadedReadOnly = 0;
    // Redrawing after every row makes long sections crawl in.
    SendMessageA(ItemList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(ItemList, LVM_DELETEALLITEMS, 0, 0);
    char section[ROW_TEXT_SIZE];
    if (GetSectionName(index, section, COUNTOF(section))) {
        if (index == SECTION_EXCEPTION)
            LoadExceptionRows(section);
        else
            LoadFavouriteRows(section);
    }
    SendMessageA(ItemList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(ItemList, NULL, TRUE);
    EnableSectionControls(page, index);
    itemsDirty = 0;
}

// One line into text, or, when there is no text, into the file.
static int EmitLine(SectionText *text, const char *section, const char *key, const char *value)
{
    if (text)
        return SectionTextAddLine(text, key, value);
    IniWriteString(section, key, value);
    return 1;
}

// Gives every row of ItemList as key=value lines of the section's form,
// into text when there is one, otherwise straight to the file key by key.
// Returns 0 as soon as text has no room for a line.
static int EmitRows(int exceptionForm, SectionText *text, const char *section)
{
    char name[ROW_TEXT_SIZE], path[ROW_TEXT_SIZE], key[16];
    int count = (int)SendMessageA(ItemList, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        GetRowText(i, 0, name, COUNTOF(name));
        // Headers and terminators carry no value.
        int header = name[0] == '-';
        path[0] = '\0';
        if (!header)
            GetRowText(i, 1, path, COUNTOF(path));
        if (exceptionForm) {
            if (!EmitLine(text, section, name, path))
                return 0;
            continue;
        }
        wsprintfA(key, "name%i", i + 1);
        if (!EmitLine(text, section, key, name))
            return 0;
        if (header)
            continue;
        wsprintfA(key, "path%i", i + 1);
        if (!EmitLine(text, section, key, path))
            return 0;
    }
    return 1;
}

// The rows as the text of the section at index: the exception form
// (name=value) for section exception, numbered nameN/pathN otherwise.
// Returns 0 when they do not fit text.
static int SerializeItems(SectionText *text, int index)
{
    return EmitRows(index == SECTION_EXCEPTION, text, NULL);
}

void SaveSectionIfDirty()
{
    int cur = (int)SendMessageA(SectionList, LB_GETCURSEL, 0, 0);
    if (itemsDirty == 1 && loadedSection != -1 && !loadedReadOnly
        && GetSectionName(loadedSection, MenuItemBuffer, ROW_TEXT_SIZE)) {
        SectionText text;
        SectionTextInit(&text, SectionBuffer, COUNTOF(SectionBuffer));
        if (SerializeItems(&text, loadedSection)) {
            IniWriteSection(MenuItemBuffer, SectionBuffer);
        } else {
            // Too long for one write: empty the section, then add every
            // line in order, so that no row is lost.
            static const char emptyList[2] = { 0, 0 };
            IniWriteSection(MenuItemBuffer, emptyList);
            EmitRows(loadedSection == SECTION_EXCEPTION, NULL, MenuItemBuffer);
        }
    }
    loadedSection = cur;
    itemsDirty = 0;
}

static BOOL OnNotify(HWND page, WPARAM id, const NMHDR *hdr)
{
    if (id == IDC_ITEMLIST) {
        if (hdr->code == (UINT)NM_CLICK || hdr->code == (UINT)NM_RCLICK || hdr->code == (UINT)LVN_KEYDOWN) {
            int row = (int)SendMessageA(ItemList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
            UpdateItemButtons(page, row);
        }
    } else if (hdr->code == (UINT)PSN_KILLACTIVE || hdr->code == (UINT)PSN_QUERYCANCEL) {
        // The result for the sheet stays 0: leaving and closing are always allowed.
        SaveSectionIfDirty();
    }
    return FALSE;
}

static BOOL OnCommand(HWND page, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_SECTIONLIST:
        if (HIWORD(wParam) != LBN_SELCHANGE)
            return FALSE;
        LoadSection(page, (int)SendMessageA(SectionList, LB_GETCURSEL, 0, 0));
        EnableWindow(GetDlgItem(page, IDC_ITEM_EDIT), !loadedReadOnly);
        EnableWindow(GetDlgItem(page, IDC_ITEM_DELETE), !loadedReadOnly);
        return TRUE;
    case IDC_ITEM_INSERT:    InsertItem(page);    return TRUE;
    case IDC_ITEM_EDIT:      EditItem(page);      return TRUE;
    case IDC_ITEM_DELETE:    DeleteItem(page);    return TRUE;
    case IDC_SECTION_ADD:    AddSection(page);    return TRUE;
    case IDC_SECTION_EDIT:   RenameSection(page); return TRUE;
    case IDC_SECTION_DELETE: DeleteSection(page); return TRUE;
    case IDC_ITEM_UP:        MoveItemUp();        return TRUE;
    case IDC_ITEM_DOWN:      MoveItemDown();      return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK MenuItemsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        InitMenuItemsPage(page);
        return TRUE;
    case WM_NOTIFY:
        return OnNotify(page, wParam, (const NMHDR *)lParam);
    case WM_COMMAND:
        return OnCommand(page, wParam);
    }
    return FALSE;
}
