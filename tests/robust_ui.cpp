// Modal work driven to its end inside the calling thread: file dialogs
// and the configuration sheet, opened, looked at and closed as a user would.
#include "robust_ui.h"
#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>
#include <string.h>

static int s_sheetsSeen, s_sheetPage;
static DWORD s_sheetThread;
static int s_idleTicks;   // ticks since the last step; the watchdog's clock
static bool s_stuck;

static BOOL CALLBACK CancelWindow(HWND window, LPARAM)
{
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Ends whatever modal window this thread shows when nothing has happened
// for about ten seconds, so that a failure shows as a wrong count and not
// as a hang.
static void Watchdog()
{
    if (++s_idleTicks < 1000)
        return;
    s_idleTicks = 0;
    s_stuck = true;
    EnumThreadWindows(s_sheetThread, CancelWindow, 0);
}

static int s_dialogsSeen, s_dialogsAugmented;

static bool HasFavouritesButton(HWND dialog)
{
    for (HWND tb = FindWindowExA(dialog, NULL, TOOLBARCLASSNAMEA, NULL); tb;
         tb = FindWindowExA(dialog, tb, TOOLBARCLASSNAMEA, NULL))
        if (SendMessageA(tb, TB_COMMANDTOINDEX, 371, 0) >= 0)
            return true;
    return false;
}

static LRESULT CALLBACK DialogOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        // The dialog is up and idle: note it, then cancel it.
        HWND dialog = (HWND)lParam;
        if (!GetPropA(dialog, "robust.seen")) {
            SetPropA(dialog, "robust.seen", (HANDLE)1);
            s_dialogsSeen++;
            s_idleTicks = 0;
            if (HasFavouritesButton(dialog))
                s_dialogsAugmented++;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static void CALLBACK DialogTimer(HWND, UINT, UINT_PTR, DWORD)
{
    Watchdog();
}

int RunFileDialogs(int count, int *augmented)
{
    static HWND owner;
    if (!owner) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DialogOwnerProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "BrivaneRobustOwner";
        RegisterClassA(&wc);
        owner = CreateWindowA(wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                              NULL, wc.hInstance, NULL);
    }
    s_dialogsSeen = s_dialogsAugmented = s_idleTicks = 0;
    s_sheetThread = GetCurrentThreadId();
    s_stuck = false;
    UINT_PTR timer = SetTimer(NULL, 0, 10, DialogTimer);
    for (int i = 0; i < count && !s_stuck; i++) {
        char file[MAX_PATH] = "";
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof(file);
        ofn.lpstrFilter = "All files\0*.*\0";
        ofn.Flags = OFN_EXPLORER;
        GetOpenFileNameA(&ofn);
    }
    KillTimer(NULL, timer);
    *augmented = s_dialogsAugmented;
    return s_stuck ? -1 : s_dialogsSeen;
}

// --- the configuration sheet -----------------------------------------------------

static BOOL CALLBACK FindSheet(HWND window, LPARAM out)
{
    char cls[16];
    if (GetClassNameA(window, cls, sizeof(cls)) && !strcmp(cls, "#32770") && IsWindowVisible(window) &&
        GetWindowThreadProcessId(window, NULL) == s_sheetThread &&
        SendMessageA(window, PSM_GETTABCONTROL, 0, 0)) {
        *(HWND *)out = window;
        return FALSE;
    }
    return TRUE;
}

// Walks the open sheet through its pages, one per tick, then closes it
// with its button, as a user would.
static void CALLBACK SheetTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND sheet = NULL;
    EnumThreadWindows(s_sheetThread, FindSheet, (LPARAM)&sheet);
    if (!sheet || s_stuck) {
        Watchdog();
        return;
    }
    s_idleTicks = 0;
    if (s_sheetPage < 3) {
        SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)s_sheetPage, 0);
        s_sheetPage++;
        return;
    }
    s_sheetsSeen++;
    s_sheetPage = 0;
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

int RunSheets(EditIniFn editIni, HINSTANCE module, int count)
{
    s_sheetThread = GetCurrentThreadId();
    s_sheetsSeen = s_sheetPage = s_idleTicks = 0;
    s_stuck = false;
    UINT_PTR timer = SetTimer(NULL, 0, 10, SheetTimer);
    for (int i = 0; i < count && !s_stuck; i++)
        editIni(module, NULL);
    KillTimer(NULL, timer);
    return s_stuck ? -1 : s_sheetsSeen;
}


// --- a reference sheet ----------------------------------------------------------

static INT_PTR CALLBACK PlainPageProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

INT_PTR WINAPI ReferenceSheet(HINSTANCE instance, HWND parent)
{
    static const struct { DWORD flags; const char *tmpl, *icon, *title; } pages[3] = {
        { PSP_USETITLE,                 "About",          NULL,      "About" },
        { PSP_USEICONID | PSP_USETITLE, "SettingsDialog", "Favico2", "Settings" },
        { PSP_USEICONID | PSP_USETITLE, "IniDialog",      "Favico",  "Menu items" },
    };
    PROPSHEETPAGEA psp[3];
    memset(psp, 0, sizeof(psp));
    for (int i = 0; i < 3; i++) {
        psp[i].dwSize = sizeof(psp[i]);
        psp[i].dwFlags = pages[i].flags;
        psp[i].hInstance = instance;
        psp[i].pszTemplate = pages[i].tmpl;
        psp[i].pszIcon = pages[i].icon;
        psp[i].pszTitle = pages[i].title;
        psp[i].pfnDlgProc = PlainPageProc;
    }
    PROPSHEETHEADERA psh;
    memset(&psh, 0, sizeof(psh));
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_USEICONID | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    psh.hwndParent = parent;
    psh.hInstance = instance;
    psh.pszIcon = "Favico2";
    psh.pszCaption = "Reference";
    psh.nPages = 3;
    psh.ppsp = psp;
    return PropertySheetA(&psh);
}
