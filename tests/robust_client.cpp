// Client commands for the stress suites: long runs of hooked work done
// inside the client, so that the test measures the client and not the
// round trips, and counts of the client's own GUI objects.
#include "support/client.h"
#include "robust_ui.h"
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

// syscmds <hwnd> <count> <first key> <repeat every>: count sightings of
// WM_SYSCOMMANDs posted to the window, cycling through 500, 501 and 502, the
// i-th with the cursor x first key + i, except that every repeat-every-th
// sighting is a second look at its predecessor (a peek that leaves it in the
// queue), a repeat the module must drop. Pumps until the window has handled
// them all. Answers the number of repeats.
static void PumpAll()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

CLIENT_COMMAND(syscmds)
{
    HWND window = Str2Hwnd(args.at(1));
    long count = ArgInt(args, 2), key = ArgInt(args, 3), every = ArgInt(args, 4);
    long repeats = 0;
    for (long i = 0; i < count; i++) {
        if (every > 0 && i > 0 && i % every == 0) {
            // The predecessor is the only command in the queue (see below).
            MSG msg;
            PeekMessageA(&msg, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE);
            repeats++;
            continue;
        }
        if (every > 0 && (i + 1) % every == 0)
            PumpAll();   // so that the next peek finds this one
        PostMessageA(window, WM_SYSCOMMAND, 500 + (WPARAM)(i % 3), MAKELPARAM(key + i, 7));
        if (i % 100 == 99)
            PumpAll();
    }
    PumpAll();
    char buf[16];
    sprintf(buf, "%ld", repeats);
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

// filedialogs <count>: opens and cancels that many Open dialogs one after
// the other; answers "seen augmented".
CLIENT_COMMAND(filedialogs)
{
    int augmented = 0;
    int seen = RunFileDialogs((int)ArgInt(args, 1, 1), &augmented);
    char buf[32];
    sprintf(buf, "%d %d", seen, augmented);
    return buf;
}

// sheets <count> [reference]: opens the configuration sheet of the loaded
// module (or the reference sheet made of the module's resources) that many
// times, shows each page and closes it; answers the number of sheets shown
// and closed.
CLIENT_COMMAND(sheets)
{
    HMODULE module = GetModuleHandleA(BRIVANE_MODULE_FILE);
    EditIniFn editIni = module ? (EditIniFn)(void *)GetProcAddress(module, "EditIni_") : NULL;
    if (args.size() > 2 && args[2] == "reference")
        editIni = ReferenceSheet;
    if (!editIni)
        return "no module";
    char buf[16];
    sprintf(buf, "%d", RunSheets(editIni, module, (int)ArgInt(args, 1, 1)));
    return buf;
}

// hold <path>: opens the file for exclusive access and keeps it open, as
// an editor or a backup program may; release closes it.
static HANDLE s_held = INVALID_HANDLE_VALUE;
CLIENT_COMMAND(hold)
{
    if (s_held != INVALID_HANDLE_VALUE)
        CloseHandle(s_held);
    s_held = CreateFileA(args.at(1).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, NULL);
    return s_held != INVALID_HANDLE_VALUE ? "ok" : "failed";
}

CLIENT_COMMAND(release)
{
    (void)args;
    BOOL ok = s_held != INVALID_HANDLE_VALUE && CloseHandle(s_held);
    s_held = INVALID_HANDLE_VALUE;
    return ok ? "ok" : "failed";
}
