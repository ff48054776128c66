// brivane64.exe: loads brivane64.dll, sets its hooks and pumps messages for
// as long as the host runs. The host fills in the shared block; the
// companion only reads it (through the module).
#include <windows.h>
#include <stdlib.h>
#include "companion.h"
#include "../core/shared.h"

enum CompanionExit { COMPANION_OK = 0, COMPANION_USAGE = 2, COMPANION_NO_MODULE = 3, COMPANION_NO_HOOKS = 4 };

// A handle value from the command line; null unless it is a waitable
// handle that is not yet signalled.
static HANDLE UnsignalledHandle(const char *text)
{
    char *end = NULL;
    unsigned long value = strtoul(text, &end, 10);
    if (!value || !end || *end)
        return NULL;
    HANDLE handle = (HANDLE)(ULONG_PTR)value;
    return WaitForSingleObject(handle, 0) == WAIT_TIMEOUT ? handle : NULL;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Without a host to end with, hooks set here could outlive it.
    if (__argc != 4 || lstrcmpA(__argv[1], COMPANION_HOST_ARG) != 0)
        return COMPANION_USAGE;
    HANDLE ends[2] = { UnsignalledHandle(__argv[2]), UnsignalledHandle(__argv[3]) };
    if (!ends[0] || !ends[1])
        return COMPANION_USAGE;

    // By its full wide path: the folder may be named in characters the ANSI
    // code page does not have, and a cut path must not become a bare name
    // looked for along the search path.
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return COMPANION_NO_MODULE;
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/')
        n--;
    path[n] = 0;
    lstrcatW(path, L"" BRIVANE_MODULE_FILE);
    HMODULE module = LoadLibraryW(path);
    BOOL (WINAPI *setHook)(void) = NULL;
    BOOL (WINAPI *unHook)(void) = NULL;
    if (module) {
        setHook = (BOOL (WINAPI *)(void))GetProcAddress(module, "SetHook_");
        unHook = (BOOL (WINAPI *)(void))GetProcAddress(module, "UnHook_");
    }
    if (!setHook || !unHook)
        return COMPANION_NO_MODULE;

    if (!setHook())
        return COMPANION_NO_HOOKS;

    // This thread set the hooks: it keeps pumping (on Windows, hooks called
    // for programs of the other bitness run here) until the host asks us to
    // end or its process ends. Hooks go only with UnHook_: Wine keeps the
    // global hooks of a thread that was killed.
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjectsEx(2, ends, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait != WAIT_OBJECT_0 + 2)
            break;   // the host ended or asked us to, or the wait failed
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    unHook();
    return COMPANION_OK;
}
