// The modal configuration sheet: About, Settings, Menu items, Keyboard and
// Rules.
#include "sheet.h"
#include "../core/exports.h"
#include <commctrl.h>
#include <stddef.h>
#include <string.h>

HINSTANCE SheetInstance;

// One sheet per process. The pages keep what they edit (the list handles,
// the loaded section, the dirty flag, the shared text buffers) once per
// process, so a second sheet on another thread of the same program (two
// file dialogs, each opening the sheet) would save one sheet's rows into
// the other's section. A second call brings the open sheet to the front.
static volatile LONG s_sheetOpen;
static HWND volatile s_openSheet;   // set once the open sheet's window exists

static void BringOpenSheetForward()
{
    HWND sheet = s_openSheet;
    if (!sheet || !IsWindow(sheet))
        return;
    if (IsIconic(sheet))
        ShowWindowAsync(sheet, SW_RESTORE);
    SetForegroundWindow(sheet);
}

// The page and header forms up to the header titles and the header bitmap
// (48 and 52 bytes in a 32-bit module), which every comctl32 version accepts.
enum {
    PAGE_RECORD_SIZE = offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR),
    SHEET_HEADER_SIZE = offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP)
};
#ifndef _WIN64
static_assert(PAGE_RECORD_SIZE == 48, "page record");
static_assert(SHEET_HEADER_SIZE == 52, "sheet header");
#endif
static_assert(PAGE_RECORD_SIZE % sizeof(void *) == 0, "records stay aligned for their pointers");

void CenterWindowOn(HWND reference, HWND window)
{
    RECT ref, win;
    if (!GetWindowRect(reference, &ref) || !GetWindowRect(window, &win))
        return;
    int left = ref.left + ((ref.right - ref.left) - (win.right - win.left)) / 2;
    int top = ref.top + ((ref.bottom - ref.top) - (win.bottom - win.top)) / 2;
    SetWindowPos(window, NULL, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Takes the help button out of the caption and leaves one button, "OK",
// which keeps the Cancel role: every way of closing the sheet is a cancel,
// and the pages save on PSN_QUERYCANCEL.
int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM lParam)
{
    if (msg == PSCB_PRECREATE) {
        BYTE *tmpl = (BYTE *)lParam;
        DWORD *style = *(WORD *)(tmpl + 2) == 0xFFFF ? (DWORD *)(tmpl + 12) : (DWORD *)tmpl;
        *style &= ~(DWORD)DS_CONTEXTHELP;
    } else if (msg == PSCB_INITIALIZED) {
        s_openSheet = sheet;
        HWND cancel = FindWindowExA(sheet, NULL, "BUTTON", "Cancel");
        HWND ok = FindWindowExA(sheet, NULL, "BUTTON", "OK");
        if (cancel && ok) {
            ShowWindow(ok, SW_HIDE);
            SetWindowTextA(cancel, "OK");
        }
    }
    return 1;
}

// Shows the sheet modally on the calling thread; returns what
// PropertySheetA returned (-1 when it could not be shown). While a sheet is
// open in this process, brings that one to the front and returns 0 at once.
INT_PTR WINAPI EditIni_(HINSTANCE instance, HWND parent)
{
    static const struct {
        DWORD flags;
        const char *tmpl, *icon, *title;
        DLGPROC proc;
    } pages[] = {
        { PSP_USETITLE,                 "About",          NULL,      "About",      AboutPageProc },
        { PSP_USEICONID | PSP_USETITLE, "SettingsDialog", "Favico2", "Settings",   SettingsPageProc },
        { PSP_USEICONID | PSP_USETITLE, "IniDialog",      "Favico",  "Menu items", MenuItemsPageProc },
        { PSP_USETITLE,                 "KeyboardDialog", NULL,      "Keyboard",   KeyboardPageProc },
        { PSP_USETITLE,                 "RulesDialog",    NULL,      "Rules",      RulesPageProc },
    };
    enum { PAGE_COUNT = sizeof(pages) / sizeof(pages[0]) };
    if (InterlockedCompareExchange(&s_sheetOpen, 1, 0) != 0) {
        BringOpenSheetForward();
        return 0;
    }
    SheetInstance = instance;

    // The sheet steps through the records by their dwSize, so they lie
    // PAGE_RECORD_SIZE apart, not sizeof(PROPSHEETPAGEA).
    UINT_PTR records[PAGE_COUNT][PAGE_RECORD_SIZE / sizeof(UINT_PTR)];
    for (int i = 0; i < PAGE_COUNT; i++) {
        PROPSHEETPAGEA psp;
        memset(&psp, 0, sizeof(psp));
        psp.dwSize = PAGE_RECORD_SIZE;
        psp.dwFlags = pages[i].flags;
        psp.hInstance = instance;
        psp.pszTemplate = pages[i].tmpl;
        psp.pszIcon = pages[i].icon;
        psp.pszTitle = pages[i].title;
        psp.pfnDlgProc = pages[i].proc;
        memcpy(records[i], &psp, PAGE_RECORD_SIZE);
    }

    PROPSHEETHEADERA psh;
    memset(&psh, 0, sizeof(psh));
    psh.dwSize = SHEET_HEADER_SIZE;
    psh.dwFlags = PSH_USEICONID | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    psh.hwndParent = parent;
    psh.hInstance = instance;
    psh.pszIcon = "Favico2";
    psh.pszCaption = "Brivane";
    psh.nPages = PAGE_COUNT;
    psh.nStartPage = 0;
    psh.ppsp = (LPCPROPSHEETPAGEA)records;
    psh.pfnCallback = SheetCallback;
    INT_PTR result = PropertySheetA(&psh);
    s_openSheet = NULL;
    InterlockedExchange(&s_sheetOpen, 0);
    return result;
}
