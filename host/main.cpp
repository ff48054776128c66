// brivane.exe: loads the module, tells it where the host window and the
// configuration file are, sets the hooks and carries the commands out.
#include <windows.h>
#include <shlobj.h>
#include <string.h>
#include "../core/shared.h"

static HMODULE s_module;
static BOOL (WINAPI *s_setHook)(void);
static BOOL (WINAPI *s_unHook)(void);
static void (WINAPI *s_requestSettings)(void);

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_HOSTCOMMAND:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The configuration file: --config PATH, else brivane.ini beside the program.
static void ConfigFilePath(char *out, DWORD size)
{
    int argc = __argc;
    char **argv = __argv;
    for (int i = 1; i + 1 < argc; i++) {
        if (!strcmp(argv[i], "--config")) {
            GetFullPathNameA(argv[i + 1], size, out, NULL);
            return;
        }
    }
    DWORD n = GetModuleFileNameA(NULL, out, size);
    while (n > 0 && out[n - 1] != '\\')
        n--;
    lstrcpynA(out + n, "brivane.ini", size - n);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        n--;
    lstrcpynA(path + n, "brivane.dll", MAX_PATH - n);
    s_module = LoadLibraryA(path);
    if (s_module) {
        s_setHook = (BOOL (WINAPI *)(void))GetProcAddress(s_module, "SetHook_");
        s_unHook = (BOOL (WINAPI *)(void))GetProcAddress(s_module, "UnHook_");
        s_requestSettings = (void (WINAPI *)(void))GetProcAddress(s_module, "RequestSettings_");
    }
    if (!s_setHook || !s_unHook || !s_requestSettings) {
        MessageBoxA(NULL, "brivane.dll is missing or damaged.", "Brivane", MB_ICONERROR);
        return 2;
    }

    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, BRIVANE_SHMEM_NAME);
    SharedSettings *shared = mapping ? (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : NULL;
    if (!shared) {
        MessageBoxA(NULL, "The shared settings block could not be opened.", "Brivane", MB_ICONERROR);
        return 3;
    }

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.lpszClassName = "BrivaneHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowA("BrivaneHost", "Brivane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                              300, 200, NULL, NULL, instance, NULL);

    shared->hostWindow = host;
    ConfigFilePath(shared->configPath, CONFIG_PATH_CAPACITY);
    s_requestSettings();
    s_setHook();

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    s_unHook();
    return 0;
}
