// brivane64.exe: loads brivane64.dll, sets its hooks and pumps messages for
// as long as the host runs. The host fills in the shared block; the
// companion only reads it (through the module).
#include <windows.h>
#include <stdlib.h>
#include "companion.h"
#include "../core/shared.h"

enum CompanionExit { COMPANION_OK = 0, COMPANION_USAGE = 2, COMPANION_NO_MODULE = 3, COMPANION_NO_HOOKS = 4 };

// The host's process handle from the command line; null unless it is a
// handle to a process that is still running.
static HANDLE HostProcessFromArgs(int argc, char **argv)
{
    if (argc != 3 || lstrcmpA(argv[1], COMPANION_HOST_ARG) != 0)
        return NULL;
    char *end = NULL;
    unsigned long value = strtoul(argv[2], &end, 10);
    if (!value || !end || *end)
        return NULL;
    HANDLE host = (HANDLE)(ULONG_PTR)value;
    return WaitForSingleObject(host, 0) == WAIT_TIMEOUT ? host : NULL;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Without a host to end with, hooks set here could outlive it.
    HANDLE host = HostProcessFromArgs(__argc, __argv);
    if (!host)
        return COMPANION_USAGE;

    char path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (n >= MAX_PATH)
        n = 0;
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/')
        n--;
    path[n] = 0;
    lstrcatA(path, BRIVANE_MODULE_FILE);
    HMODULE module = LoadLibraryA(path);
    BOOL (WINAPI *setHook)(void) = NULL;
    BOOL (WINAPI *unHook)(void) = NULL;
    if (module) {
        setHook = (BOOL (WINAPI *)(void))GetProcAddress(module, "SetHook_");
        unHook = (BOOL (WINAPI *)(void))GetProcAddress(module, "UnHook_");
    }
    if (!setHook || !unHook)
        return COMPANION_NO_MODULE;

    // The queue exists before the hooks: the host may ask us to quit at once.
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    if (!setHook())
        return COMPANION_NO_HOOKS;

    // This thread set the hooks: it keeps pumping (on Windows, hooks called
    // for programs of the other bitness run here) until the host asks us to
    // quit or its process ends.
    BOOL running = TRUE;
    while (running) {
        DWORD wait = MsgWaitForMultipleObjects(1, &host, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;   // the host ended, or the wait failed
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                running = FALSE;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    unHook();
    CloseHandle(host);
    return COMPANION_OK;
}
