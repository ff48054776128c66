// Menu-items page: adding, renaming and deleting sections, and cutting a
// section's header line out of the configuration file.
#include "sheet.h"
#include "menuitems.h"
#include "section_text.h"
#include "../core/buffers.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/textbuf.h"
#include "resource.h"

static INT_PTR CALLBACK SectionDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_SECTION_NAME, EM_LIMITTEXT, ROW_TEXT_SIZE, 0);
        if (MenuItemBuffer[0]) {
            SetDlgItemTextA(dialog, IDC_SECTION_NAME, MenuItemBuffer);
            MenuItemBuffer[0] = '\0';
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemTextA(dialog, IDC_SECTION_NAME, MenuItemBuffer, ROW_TEXT_SIZE);
            EndDialog(dialog, 0);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// Asks for a section name, starting from what MenuItemBuffer holds; the
// answer is left in MenuItemBuffer, empty for Cancel and the close box.
static void AskSectionName(HWND page)
{
    if (DialogBoxParamA(SheetInstance, "SectionDialog", page, SectionDialogProc, 0) == -1)
        MenuItemBuffer[0] = '\0';
}

int SectionNameAllowed(const char *name)
{
    return name[0] && lstrcmpiA(name, "settings")
        && SendMessageA(SectionList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name) == LB_ERR;
}

void AddSection(HWND page)
{
    MenuItemBuffer[0] = '\0';
    AskSectionName(page);
    if (!SectionNameAllowed(MenuItemBuffer))
        return;
    // Only listed: the file gets the section when rows are saved for it.
    SendMessageA(SectionList, LB_ADDSTRING, 0, (LPARAM)MenuItemBuffer);
}

void RenameSection(HWND page)
{
    int sel = (int)SendMessageA(SectionList, LB_GETCURSEL, 0, 0);
    // The rows move to the new name only through a save, which a section
    // that could not be loaded whole never gets.
    if (sel < FIRST_PROGRAM_SECTION || loadedReadOnly)
        return;
    LRESULT len = SendMessageA(SectionList, LB_GETTEXTLEN, sel, 0);
    if (len == LB_ERR || len >= ROW_TEXT_SIZE)
        return;
    SendMessageA(SectionList, LB_GETTEXT, sel, (LPARAM)MenuItemBuffer);
    BufSet(SectionBuffer, COUNTOF(SectionBuffer), MenuItemBuffer);
    AskSectionName(page);
    // The old name is still listed, so a change of case alone is refused too.
    if (!SectionNameAllowed(MenuItemBuffer))
        return;
    char newName[ROW_TEXT_SIZE];
    BufSet(newName, COUNTOF(newName), MenuItemBuffer);
    SendMessageA(SectionList, LB_DELETESTRING, sel, 0);
    SendMessageA(SectionList, LB_INSERTSTRING, sel, (LPARAM)newName);
    SendMessageA(SectionList, LB_SETCURSEL, sel, 0);
    // The rows go under the new name (the profile functions append it at
    // the end of the file) and the old header goes in one replacement of
    // the file: it holds the section under one name, never under none.
    if (!WriteLoadedRows(page, SectionBuffer, newName)) {
        itemsDirty = 1;     // the next save tries again; the old section stays
        return;
    }
    itemsDirty = 0;
}

// Under the file's lock, on the copy that replaces the file.
static int CutSection(const char *file, void *name)
{
    return RemoveSectionHeader((const char *)name, file) ? INI_WRITTEN : INI_UNCHANGED;
}

void DeleteSection(HWND page)
{
    int sel = (int)SendMessageA(SectionList, LB_GETCURSEL, 0, 0);
    if (sel < FIRST_PROGRAM_SECTION)
        return;
    if (MessageBoxA(page, "Delete selected section?", "Delete section", MB_YESNO) != IDYES)
        return;
    LRESULT len = SendMessageA(SectionList, LB_GETTEXTLEN, sel, 0);
    if (len == LB_ERR || len >= ROW_TEXT_SIZE)
        return;
    SendMessageA(SectionList, LB_GETTEXT, sel, (LPARAM)MenuItemBuffer);
    SendMessageA(SectionList, LB_DELETESTRING, sel, 0);
    SendMessageA(SectionList, LB_SETCURSEL, sel - 1, 0);
    while (IniRefused(page, IniUpdate(CutSection, MenuItemBuffer)))
        ;
    itemsDirty = 0;     // unsaved rows of the deleted section go with it
    LoadSection(page, sel - 1);
}

static HANDLE OpenExclusive(const char *path)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

// Looks for the header line of name in the open file and, when cut is set,
// takes it out, with its own line end. Returns 1 when the line is there.
static int FindOrCutHeader(HANDLE file, const char *name, int cut)
{
    DWORD size = GetFileSize(file, NULL);
    if (size == 0 || size == INVALID_FILE_SIZE)
        return 0;
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READWRITE, 0, size, NULL);
    if (!mapping)
        return 0;
    int found = 0;
    size_t offset = 0, length = 0;
    char *view = (char *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view) {
        found = FindSectionHeaderLine(view, size, name, &offset, &length);
        if (found && cut)
            MoveMemory(view + offset, view + offset + length, size - offset - length);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (found && cut) {
        SetFilePointer(file, -(LONG)length, NULL, FILE_END);
        SetEndOfFile(file);
    }
    return found;
}

int RemoveSectionHeader(const char *name, const char *path)
{
    if (!path[0])
        return 0;
    // First make sure the header line is there and the file can be had
    // alone: otherwise nothing is touched (a section only added to the
    // list must not be written just to be cut out again).
    HANDLE file = OpenExclusive(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int present = FindOrCutHeader(file, name, 0);
    CloseHandle(file);
    if (!present)
        return 0;

    // The profile functions can empty a section but keep its header line.
    static const char emptyList[2] = { 0, 0 };
    WritePrivateProfileSectionA(name, emptyList, path);
    file = OpenExclusive(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int cut = FindOrCutHeader(file, name, 1);
    CloseHandle(file);
    return cut;
}

int FileSectionHasComments(const char *name)
{
    ConfigPath path;
    if (!path.text[0])
        return 0;
    HANDLE file = CreateFileA(path.text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int found = 0;
    DWORD size = GetFileSize(file, NULL);
    if (size != INVALID_FILE_SIZE && size > 0) {
        char *data = (char *)HeapAlloc(GetProcessHeap(), 0, size);
        DWORD got = 0;
        if (data && ReadFile(file, data, size, &got, NULL))
            found = SectionHasCommentLines(data, got, name);
        if (data)
            HeapFree(GetProcessHeap(), 0, data);
    }
    CloseHandle(file);
    return found;
}
