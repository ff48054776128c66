// brivane64.exe: loads brivane64.dll, sets its hooks and pumps messages for
// as long as the host runs. The host fills in the shared block; the
// companion only reads it (through the module).
#include <windows.h>
#include <stdlib.h>
#include "companion.h"
#include "../core/shared.h"

#define COUNTOF_W(a) (sizeof(a) / sizeof((a)[0]))

enum CompanionExit {
    COMPANION_OK = 0,
    COMPANION_USAGE = 2,
    COMPANION_NO_MODULE = 3,
    COMPANION_NO_HOOKS = 4,
    COMPANION_NO_HOST = 5   // the first handle is not the running host
};

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

// This program's folder with its trailing backslash; FALSE when it does
// not fit (a cut path is some other folder).
static BOOL OwnFolder(wchar_t *path, DWORD size)
{
    DWORD n = GetModuleFileNameW(NULL, path, size);
    if (n == 0 || n >= size)
        return FALSE;
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/')
        n--;
    path[n] = 0;
    return n > 0;
}

// The process is the host: it runs brivane.exe from this program's folder,
// and it owns the host window that the block names. Anybody may start the
// companion with handles of their own; it sets no hook for them (the
// module would even make the block when it is missing).
static BOOL IsOurHost(HANDLE process)
{
    typedef BOOL (WINAPI *ImageNameFn)(HANDLE, DWORD, LPWSTR, PDWORD);
    ImageNameFn imageName = (ImageNameFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW");
    DWORD pid = GetProcessId(process);
    wchar_t expected[MAX_PATH + 16], image[MAX_PATH + 16];
    DWORD size = COUNTOF_W(image);
    if (!imageName || !pid || !OwnFolder(expected, MAX_PATH) || !imageName(process, 0, image, &size))
        return FALSE;
    lstrcatW(expected, L"" HOST_FILE);   // fits: the folder is under MAX_PATH, 16 to spare
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, image, -1, expected, -1) != CSTR_EQUAL)
        return FALSE;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, BRIVANE_SHMEM_NAME);
    const SharedSettings *block = mapping ? (const SharedSettings *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : NULL;
    HWND window = block ? (HWND)block->hostWindow : NULL;
    if (block)
        UnmapViewOfFile(block);
    if (mapping)
        CloseHandle(mapping);
    DWORD owner = 0;
    return window && GetWindowThreadProcessId(window, &owner) && owner == pid;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Without a host to end with, hooks set here could outlive it.
    if (__argc != 4 || lstrcmpA(__argv[1], COMPANION_HOST_ARG) != 0)
        return COMPANION_USAGE;
    HANDLE ends[2] = { UnsignalledHandle(__argv[2]), UnsignalledHandle(__argv[3]) };
    if (!ends[0] || !ends[1])
        return COMPANION_USAGE;
    if (!IsOurHost(ends[0]))
        return COMPANION_NO_HOST;

    // DLLs loaded by name come from the system's folder only.
    typedef BOOL (WINAPI *SetDirsFn)(DWORD);
    SetDirsFn setDirs = (SetDirsFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDirs)
        setDirs(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    SetDllDirectoryA("");

    // By its full wide path: the folder may be named in characters the ANSI
    // code page does not have, and a cut path must not become a bare name
    // looked for along the search path.
    wchar_t path[MAX_PATH + 16];
    if (!OwnFolder(path, MAX_PATH))
        return COMPANION_NO_MODULE;
    lstrcatW(path, L"" BRIVANE_MODULE_FILE);   // fits: n < MAX_PATH, 16 to spare
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
