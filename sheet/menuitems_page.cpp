// Menu-items page: set-up, message routing, loading a section into
// ItemList and writing it back whole.
#include "sheet.h"
#include "menuitems.h"
#include "section_text.h"
#include "../core/buffers.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/profile_section.h"
#include "../core/section_merge.h"
#include "../core/textbuf.h"
#include "resource.h"
#include <commctrl.h>
#include <string.h>

HWND SectionList;
HWND ItemList;
int itemsDirty;
int loadedSection = -1;
int loadedReadOnly;
// The loaded section as it was read (or as the page last wrote its rows):
// what a save compares the file with, to keep what others added meanwhile.
static SectionLines loadedText;

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

static void LoadExceptionRows(const SectionLines *lines)
{
    size_t pos = 0, len;
    const char *line;
    char name[ROW_TEXT_SIZE + 1];
    int row = 0;
    while (ProfileNextLine(lines->buf, lines->used, &pos, &line, &len)) {
        // Split within this line: the search for '=' never passes its end.
        const char *eq = (const char *)memchr(line, '=', len);
        size_t nameLen = eq ? (size_t)(eq - line) : len;
        const char *path = eq ? eq + 1 : "";
        BufSetN(name, COUNTOF(name), line, nameLen);
        if (line[0] == ';')
            loadedReadOnly = 1;     // a comment is no row
        AddLoadedRow(row++, name, nameLen, path, strlen(path));
    }
}

// The value of an indexed entry: its full stored length, and the text cut
// to a row's size.
static size_t EntryText(const ProfileEntry *e, char *out, size_t cap)
{
    const char *v;
    size_t len;
    ProfileEntryValue(e, &v, &len);
    ProfileCopyValue(e, out, cap);
    return len;
}

// Rows from nameN/pathN up to the first missing or empty name, as every
// reader takes them. A line the rows do not carry (entries after a gap,
// another key, a second nameN or pathN, a line without '=') would be
// lost by the whole-section write, or change meaning once the rows are
// numbered afresh, so its section is locked instead.
static void LoadFavouriteRows(const SectionLines *lines)
{
    NumberedEntries entries;
    if (!NumberedEntriesBuild(&entries, SectionLinesText(lines), lines->used)) {
        loadedReadOnly = 1;
        return;
    }
    char name[ROW_TEXT_SIZE + 1], path[ROW_TEXT_SIZE];
    size_t carried = 0, n = 1;
    for (; n <= entries.count; n++) {
        size_t nameLen = EntryText(&entries.name[n - 1], name, COUNTOF(name));
        if (!name[0])
            break;
        carried++;
        if (name[0] == '-') {
            // Every reader ignores a header's pathN: it goes knowingly.
            if (entries.path[n - 1].key)
                carried++;
            AddLoadedRow((int)n - 1, name, nameLen, "--", 0);
            continue;
        }
        size_t pathLen = 0;
        path[0] = '\0';
        if (entries.path[n - 1].key) {
            carried++;
            pathLen = EntryText(&entries.path[n - 1], path, COUNTOF(path));
        }
        if (!path[0])
            BufSet(path, COUNTOF(path), " ");
        AddLoadedRow((int)n - 1, name, nameLen, path, pathLen);
    }
    // An empty name that ends the section carries nothing to lose.
    if (n <= entries.count && entries.name[n - 1].key && carried + 1 == entries.lines)
        carried++;
    if (carried != entries.lines)
        loadedReadOnly = 1;
    NumberedEntriesFree(&entries);
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
    SaveSectionIfDirty(page);
    loadedReadOnly = 0;
    SectionLinesFree(&loadedText);
    // Redrawing after every row makes long sections crawl in.
    SendMessageA(ItemList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(ItemList, LVM_DELETEALLITEMS, 0, 0);
    char section[ROW_TEXT_SIZE];
    if (GetSectionName(index, section, COUNTOF(section))) {
        // One read for the whole section, however long.
        SectionLines lines;
        SectionLinesInit(&lines);
        if (!IniReadSection(section, &lines))
            loadedReadOnly = 1;     // not read whole: never written back
        // Room for a row per line at once, rather than growing row by row.
        size_t pos = 0, len, count = 0;
        const char *line;
        while (ProfileNextLine(lines.buf, lines.used, &pos, &line, &len))
            count++;
        SendMessageA(ItemList, LVM_SETITEMCOUNT, count, 0);
        if (index == SECTION_EXCEPTION)
            LoadExceptionRows(&lines);
        else
            LoadFavouriteRows(&lines);
        loadedText = lines;
        if (FileSectionHasComments(section))
            loadedReadOnly = 1;
    }
    SendMessageA(ItemList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(ItemList, NULL, TRUE);
    EnableSectionControls(page, index);
    itemsDirty = 0;
}

// The rows of ItemList as the text of the section at index: the exception
// form (name=value) for section exception, numbered nameN/pathN otherwise.
// Returns 0 when memory ran out.
static int SerializeItems(SectionLines *text, int index)
{
    int exceptionForm = index == SECTION_EXCEPTION;
    char name[ROW_TEXT_SIZE], path[ROW_TEXT_SIZE], key[16];
    int count = (int)SendMessageA(ItemList, LVM_GETITEMCOUNT, 0, 0);
    // Room for every row at its longest, so that the list is laid out once.
    SectionLinesReserve(text, (size_t)count * (2 * ROW_TEXT_SIZE + 32) + 2);
    for (int i = 0; i < count; i++) {
        GetRowText(i, 0, name, COUNTOF(name));
        // Headers and terminators carry no value.
        int header = name[0] == '-';
        path[0] = '\0';
        if (!header)
            GetRowText(i, 1, path, COUNTOF(path));
        // The one blank that shows an empty value on the list.
        if (path[0] == ' ' && !path[1])
            path[0] = '\0';
        // Quoted where the readers would take quotes or blanks off: a save
        // gives back every value as it was read.
        if (exceptionForm) {
            SectionLinesAddQuoted(text, name, path);
            continue;
        }
        wsprintfA(key, "name%i", i + 1);
        SectionLinesAddQuoted(text, key, name);
        if (header)
            continue;
        wsprintfA(key, "path%i", i + 1);
        SectionLinesAddQuoted(text, key, path);
    }
    return !text->failed;
}

struct RowsWrite {
    IniSectionUpdate update;    // the loaded section, and where its rows go
    SectionLines rows;
    const SectionLines *base;   // the section as loaded
    int keyed;                  // the exception form
};

// The rows, with what another program added to the section since it was
// loaded kept after them.
static int KeepOthersEntries(const SectionLines *now, SectionLines *out, void *context)
{
    const RowsWrite *w = (const RowsWrite *)context;
    return SectionLinesKeepAdded(w->base, now, &w->rows, w->keyed, out) >= 0 ? INI_WRITTEN : INI_FAILED;
}

// Under the file's lock; a section renamed loses its old header in the same
// replacement of the file.
static int WriteRowsToCopy(const char *file, void *context)
{
    RowsWrite *w = (RowsWrite *)context;
    int result = IniChangeSection(file, &w->update);
    if (result == INI_WRITTEN && lstrcmpiA(w->update.section, w->update.to))
        RemoveSectionHeader(w->update.section, file);
    return result;
}

int WriteLoadedRows(HWND page, const char *from, const char *to)
{
    SectionLines *base = &loadedText;
    RowsWrite w = { { from, KeepOthersEntries, NULL, to }, {}, base, loadedSection == SECTION_EXCEPTION };
    w.update.context = &w;
    SectionLinesInit(&w.rows);
    // Nothing is written from a list that lost rows. A busy file is the
    // user's to try again; a refusal leaves the rows unsaved, and says so.
    int result = INI_FAILED;
    if (SerializeItems(&w.rows, loadedSection)) {
        do
            result = IniUpdate(WriteRowsToCopy, &w);
        while (IniRefused(page, result));
    }
    if (result == INI_WRITTEN) {
        // The rows are the page's own from now on: entries kept for another
        // program, which the rows do not show, count as added again by it
        // at the next save, and stay.
        SectionLinesFree(base);
        *base = w.rows;
        return 1;
    }
    SectionLinesFree(&w.rows);
    return 0;
}

void SaveSectionIfDirty(HWND page)
{
    int cur = (int)SendMessageA(SectionList, LB_GETCURSEL, 0, 0);
    char section[ROW_TEXT_SIZE];
    if (itemsDirty == 1 && loadedSection != -1 && !loadedReadOnly
        && GetSectionName(loadedSection, section, COUNTOF(section)))
        WriteLoadedRows(page, section, section);
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
        SaveSectionIfDirty(page);
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
    case WM_DESTROY:
        SectionLinesFree(&loadedText);
        return FALSE;
    }
    return FALSE;
}
