// Client commands for the stress suites: long runs of hooked work done
// inside the client, so that the test measures the client and not the
// round trips, and counts of the client's own GUI objects.
#include "support/client.h"
#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>
#include <stdio.h>
#include <string.h>

// --- object counts -------------------------------------------------------------

static int s_ownWindows;

static BOOL CALLBACK CountOwnChild(HWND, LPARAM)
{
    s_ownWindows++;
    return TRUE;
}

static BOOL CALLBACK CountOwnWindow(HWND window, LPARAM)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) {
        s_ownWindows++;
        EnumChildWindows(window, CountOwnChild, 0);
    }
    return TRUE;
}

// guicount: "gdi user windows menus method". GetGuiResources where the
// system reports it; Wine answers 0 there, and then each handle value of
// this process is probed instead: a handle whose upper word is 0 names the
// table slot whatever its generation, so GetObjectType counts the live GDI
// objects and IsMenu the live menus.
CLIENT_COMMAND(guicount)
{
    (void)args;
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const char *method = "GetGuiResources";
    int menus = 0;
    for (UINT_PTR h = 0x20; h < 0x10000; h += 2)
        if (IsMenu((HMENU)h))
            menus++;
    s_ownWindows = 0;
    EnumWindows(CountOwnWindow, 0);
    if (gdi == 0 && user == 0) {
        method = "probe";
        for (UINT_PTR h = 1; h < 0x10000; h++)
            if (GetObjectType((HGDIOBJ)h))
                gdi++;
        user = (DWORD)(s_ownWindows + menus);
    }
    char buf[96];
    sprintf(buf, "%lu %lu %d %d %s", (unsigned long)gdi, (unsigned long)user, s_ownWindows, menus,
            method);
    return buf;
}

// --- system commands -------------------------------------------------------------

// syscmds <hwnd> <count> <first key> <repeat every>: posts count
// WM_SYSCOMMANDs to the window, cycling through 500, 501 and 502, the i-th
// with the cursor x first key + i, except that every repeat-every-th one
// repeats its predecessor exactly (a repeat the module must drop). Pumps
// until the window has handled them all. Answers the number of repeats.
CLIENT_COMMAND(syscmds)
{
    HWND window = Str2Hwnd(args.at(1));
    long count = ArgInt(args, 2), key = ArgInt(args, 3), every = ArgInt(args, 4);
    long repeats = 0;
    WPARAM command = 500;
    LPARAM lParam = 0;
    for (long i = 0; i < count; i++) {
        if (every > 0 && i > 0 && i % every == 0) {
            repeats++;   // command and key as the one before
        } else {
            command = 500 + (WPARAM)(i % 3);
            lParam = MAKELPARAM(key + i, 7);
        }
        PostMessageA(window, WM_SYSCOMMAND, command, lParam);
        if (i % 100 == 99 || i == count - 1) {
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
    }
    char buf[16];
    sprintf(buf, "%ld", repeats);
    return buf;
}

// --- file dialogs -------------------------------------------------------------------

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
            if (HasFavouritesButton(dialog))
                s_dialogsAugmented++;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// filedialogs <count>: opens and cancels that many Open dialogs one after
// the other; answers "seen augmented".
CLIENT_COMMAND(filedialogs)
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
    s_dialogsSeen = s_dialogsAugmented = 0;
    long count = ArgInt(args, 1, 1);
    for (long i = 0; i < count; i++) {
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
    char buf[32];
    sprintf(buf, "%d %d", s_dialogsSeen, s_dialogsAugmented);
    return buf;
}

// --- the configuration sheet -----------------------------------------------------

static int s_sheetsSeen, s_sheetPage;
static DWORD s_sheetThread;

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
    if (!sheet)
        return;
    if (s_sheetPage < 3) {
        SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)s_sheetPage, 0);
        s_sheetPage++;
        return;
    }
    s_sheetsSeen++;
    s_sheetPage = 0;
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// sheets <count>: opens the configuration sheet of the loaded module that
// many times, shows each page and closes it; answers the number of sheets
// shown and closed.
CLIENT_COMMAND(sheets)
{
    HMODULE module = GetModuleHandleA("brivane.dll");
    typedef INT_PTR (WINAPI *EditIniFn)(HINSTANCE, HWND);
    EditIniFn editIni = module ? (EditIniFn)(void *)GetProcAddress(module, "EditIni_") : NULL;
    if (!editIni)
        return "no module";
    s_sheetThread = GetCurrentThreadId();
    s_sheetsSeen = s_sheetPage = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 10, SheetTimer);
    long count = ArgInt(args, 1, 1);
    for (long i = 0; i < count; i++)
        editIni(module, NULL);
    KillTimer(NULL, timer);
    char buf[16];
    sprintf(buf, "%d", s_sheetsSeen);
    return buf;
}

// leak <n>: creates n menus and n brushes and keeps them, so that a test
// can show that guicount sees what a leak would leave behind.
CLIENT_COMMAND(leak)
{
    long n = ArgInt(args, 1, 1);
    for (long i = 0; i < n; i++) {
        CreatePopupMenu();
        CreateSolidBrush(RGB(i, 0, 0));
    }
    return "ok";
}
