// brivane.exe: loads the module, tells it where the host window and the
// configuration file are, sets the hooks and carries the commands out.
#include "host.h"
#include <shellapi.h>
#include <shlobj.h>
#include <ole2.h>
#include <stdlib.h>
#include <string.h>
#include "../core/textbuf.h"

HostModule g_module;
SharedSettings *g_shared;
HWND g_host;
HINSTANCE g_hostInstance;
char g_hiddenListPath[MAX_PATH];

static UINT s_taskbarCreated;
static BOOL s_shutDown;

enum { TIMER_WATCH = 1, WATCH_INTERVAL_MS = 250 };

#define INSTANCE_MUTEX "Local\\BrivaneHost"
#define APP_TITLE "Brivane"

static const char kUsage[] =
    "Usage: brivane [--config PATH] [--exit | --settings]\n\n"
    "--config PATH\tuse this configuration file\n"
    "--exit\t\tstop the running instance, restoring every hidden window\n"
    "--settings\topen the configuration sheet of the running instance";

enum ExitCode {
    EXIT_OK = 0,
    EXIT_NOT_RUNNING = 1,   // --exit with no instance to stop
    EXIT_USAGE = 2,
    EXIT_NO_MODULE = 3,
    EXIT_NO_BLOCK = 4,
    EXIT_NO_WINDOW = 5,
    EXIT_BAD_PATH = 6       // the configuration path cannot be given to the module
};

static void Fail(const char *text)
{
    MessageBoxA(NULL, text, APP_TITLE, MB_ICONERROR | MB_OK | MB_SETFOREGROUND);
}

static void FailW(const wchar_t *text)
{
    MessageBoxW(NULL, text, L"" APP_TITLE, MB_ICONERROR | MB_OK | MB_SETFOREGROUND);
}

// The --config argument as typed, in wide characters: the ANSI argv has
// lost whatever the code page cannot spell. NULL when there is none.
static const wchar_t *WideConfigArgument(const HostArgs &args)
{
    if (!args.configPath)
        return NULL;
    int wargc = 0;
    LPWSTR *wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    // Freed at exit: the pointer stays in use for as long as the host runs.
    if (wargv && wargc == __argc) {
        for (int i = 1; i + 1 < wargc; i++)
            if (__argv[i + 1] == args.configPath && !lstrcmpW(wargv[i], L"--config"))
                return wargv[i + 1];
    }
    // Parsed differently: take the ANSI text as it is.
    static wchar_t converted[CONFIG_PATH_CAPACITY];
    if (!MultiByteToWideChar(CP_ACP, 0, args.configPath, -1, converted, COUNTOF(converted)))
        converted[0] = 0;
    return converted;
}

// The configuration path as the module gets it; FALSE after telling the
// user why there is none the module can use.
static BOOL ConfigPathForModule(const wchar_t *given, char *out, DWORD size)
{
    static wchar_t wide[CONFIG_PATH_CAPACITY];
    if (!ChooseConfigPathW(given, wide, COUNTOF(wide))) {
        Fail("The path of the configuration file is too long.");
        return FALSE;
    }
    if (AnsiPathFor(wide, out, size) != ANSI_PATH_NONE) {
        SetAutostartConfig(given ? wide : NULL);
        return TRUE;
    }
    static wchar_t text[CONFIG_PATH_CAPACITY + 512];
    wsprintfW(text,
              L"Brivane cannot start: it cannot use the configuration file\n\n%s\n\n"
              L"Brivane's module reads this path in the system's ANSI code page (%u), which cannot "
              L"spell it, and there is no short (8.3) name for it either: the folder does not exist, "
              L"or the drive keeps no short names. Choose a configuration file in another folder "
              L"with --config, or turn short names on for the drive.",
              wide, GetACP());
    FailW(text);
    return FALSE;
}

// The list of hidden windows lives beside the configuration file, named
// after it with the extension .hidden.
static void ChooseHiddenListPath(const char *config)
{
    char path[CONFIG_PATH_CAPACITY + 8];
    BufSet(path, COUNTOF(path), config);
    char *slash = strrchr(path, '\\');
    char *dot = strrchr(path, '.');
    if (dot && (!slash || dot > slash))
        *dot = 0;
    lstrcatA(path, ".hidden");
    BufSet(g_hiddenListPath, COUNTOF(g_hiddenListPath), path);
    if (strlen(path) >= COUNTOF(g_hiddenListPath)) {
        // A path this long cannot be opened by the ANSI file functions.
        char temp[MAX_PATH];
        GetTempPathA(COUNTOF(temp), temp);
        lstrcatA(temp, "brivane.hidden");
        BufSet(g_hiddenListPath, COUNTOF(g_hiddenListPath), temp);
    }
}

// Loaded by its full wide path: the program's folder may be named in
// characters the ANSI code page does not have.
static BOOL LoadModule()
{
    wchar_t path[MAX_PATH + 16];
    if (ProgramFolderW(path, MAX_PATH))
        lstrcatW(path, L"brivane.dll");
    g_module.handle = path[0] ? LoadLibraryW(path) : NULL;
    if (!g_module.handle) {
        wchar_t text[MAX_PATH + 128];
        wsprintfW(text, L"%s could not be loaded.\n\nBrivane needs brivane.dll in its own folder.",
                  path[0] ? path : L"brivane.dll");
        FailW(text);
        return FALSE;
    }
    g_module.SetHook = (BOOL (WINAPI *)(void))GetProcAddress(g_module.handle, "SetHook_");
    g_module.UnHook = (BOOL (WINAPI *)(void))GetProcAddress(g_module.handle, "UnHook_");
    g_module.RequestSettings = (void (WINAPI *)(void))GetProcAddress(g_module.handle, "RequestSettings_");
    g_module.EditIni = (INT_PTR (WINAPI *)(HINSTANCE, HWND))GetProcAddress(g_module.handle, "EditIni_");
    if (!g_module.SetHook || !g_module.UnHook || !g_module.RequestSettings || !g_module.EditIni) {
        wchar_t text[MAX_PATH + 128];
        wsprintfW(text, L"%s is not the module this version of Brivane needs.", path);
        FailW(text);
        FreeLibrary(g_module.handle);
        g_module.handle = NULL;
        return FALSE;
    }
    return TRUE;
}

// An elevated host still takes commands from ordinary programs.
static void AllowFromLowerIntegrity(HWND window)
{
    typedef BOOL (WINAPI *FilterFn)(HWND, UINT, DWORD, void *);
    FilterFn filter = (FilterFn)GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx");
    if (!filter)
        return;
    const UINT messages[] = { WM_HOSTCOMMAND, WM_COMMAND, s_taskbarCreated };
    for (size_t i = 0; i < COUNTOF(messages); i++)
        filter(window, messages[i], 1 /* MSGFLT_ALLOW */, NULL);
}

// Everything hidden comes back, every icon goes, the hooks are removed.
// Runs once, at exit or when the session ends.
static void ShutDown()
{
    if (s_shutDown)
        return;
    s_shutDown = TRUE;
    KillTimer(g_host, TIMER_WATCH);
    UnregisterHotKey(g_host, HOTKEY_RESTORE_LAST);
    RestoreAllHidden();
    RemoveHostTrayIcon();
    g_module.UnHook();
    if (g_shared && g_shared->hostWindow == g_host)
        g_shared->hostWindow = NULL;
}

static void OnCommand(WORD id)
{
    switch (id) {
    case IDM_HOST_SETTINGS:
        OpenSettings();
        break;
    case IDM_HOST_RESTORE_ALL:
        RestoreAllHidden();
        break;
    case IDM_HOST_AUTOSTART:
        SetStartWithWindows(!StartsWithWindows());
        break;
    case IDM_HOST_EXIT:
        // The sheet runs its own loop on this thread: close it first, the
        // exit follows when OpenSettings returns.
        if (!OpenSettingsClose())
            DestroyWindow(g_host);
        break;
    }
}

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_HOSTCOMMAND:
        OnHostCommand(wParam, (HWND)lParam);
        return 0;
    case WM_HOSTTRAY:
        OnHostTrayMessage(lParam);
        return 0;
    case WM_WINDOWTRAY:
        if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP || lParam == NIN_SELECT ||
            lParam == NIN_KEYSELECT) {
            HiddenWindow *h = FindHiddenByTrayId((UINT)wParam);
            if (h)
                RestoreHidden(h->window);
        }
        return 0;
    case WM_RESTOREHIDDEN:
        RestoreHidden((HWND)wParam);
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_HOTKEY:
        if (wParam == HOTKEY_RESTORE_LAST)
            RestoreMostRecent();
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_WATCH) {
            CheckHiddenWindows();
            SyncHostTrayIcon();
        }
        return 0;
    case WM_QUERYENDSESSION:
        // Bring everything back now: the session may end without a
        // WM_ENDSESSION reaching us in time.
        RestoreAllHidden();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            ShutDown();
        return 0;
    case WM_CLOSE:
        OnCommand(IDM_HOST_EXIT);
        return 0;
    case WM_DESTROY:
        ShutDown();
        PostQuitMessage(0);
        return 0;
    }
    if (msg == s_taskbarCreated && msg) {
        ReAddHostTrayIcon();
        ReAddWindowTrayIcons();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static HWND FindRunningHost(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindWindowA(HOST_WINDOW_CLASS, NULL);
        if (w || GetTickCount() - start >= timeoutMs)
            return w;
        Sleep(50);
    }
}

// This is a second start: hand the request to the running instance.
static int ForwardToRunningHost(HostAction action)
{
    // The first instance may still be starting up.
    HWND running = FindRunningHost(action == HOST_EXIT ? 10000 : 5000);
    if (!running)
        return action == HOST_EXIT ? EXIT_NOT_RUNNING : EXIT_NO_WINDOW;
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    AllowSetForegroundWindow(pid);
    switch (action) {
    case HOST_EXIT: {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        PostMessageA(running, WM_COMMAND, IDM_HOST_EXIT, 0);
        DWORD wait = process ? WaitForSingleObject(process, 30000) : WAIT_FAILED;
        if (process)
            CloseHandle(process);
        return wait == WAIT_OBJECT_0 || !process ? EXIT_OK : EXIT_NOT_RUNNING;
    }
    case HOST_SETTINGS:
        PostMessageA(running, WM_COMMAND, IDM_HOST_SETTINGS, 0);
        return EXIT_OK;
    default: {
        // Nothing comes up twice; without a tray icon the settings are the
        // only way in, so a second start opens them.
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, BRIVANE_SHMEM_NAME);
        const SharedSettings *s = mapping ? (const SharedSettings *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : NULL;
        if (s && s->runInTray == 0)
            PostMessageA(running, WM_COMMAND, IDM_HOST_SETTINGS, 0);
        if (s)
            UnmapViewOfFile(s);
        if (mapping)
            CloseHandle(mapping);
        return EXIT_OK;
    }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_hostInstance = instance;
    HostArgs args = ParseHostArgs(__argc, __argv);
    if (args.action == HOST_USAGE) {
        char text[COUNTOF(kUsage) + 300];
        const char *bad = args.bad ? args.bad : "";
        if (!lstrcmpiA(bad, "--help") || !lstrcmpiA(bad, "-h") || !lstrcmpA(bad, "/?"))
            BufSet(text, COUNTOF(text), kUsage);
        else
            wsprintfA(text, "Unknown or incomplete option: %.200s\n\n%s", bad, kUsage);
        MessageBoxA(NULL, text, APP_TITLE, MB_ICONINFORMATION | MB_OK | MB_SETFOREGROUND);
        return EXIT_USAGE;
    }

    // One instance per desktop session.
    HANDLE mutex = CreateMutexA(NULL, FALSE, INSTANCE_MUTEX);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        int code = ForwardToRunningHost(args.action);
        CloseHandle(mutex);
        return code;
    }
    if (args.action == HOST_EXIT)
        return EXIT_NOT_RUNNING;

    static char config[CONFIG_PATH_CAPACITY];
    if (!ConfigPathForModule(WideConfigArgument(args), config, COUNTOF(config)))
        return EXIT_BAD_PATH;
    ChooseHiddenListPath(config);

    if (!LoadModule())
        return EXIT_NO_MODULE;

    // The module mapped the block when it was loaded; map our own view.
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, BRIVANE_SHMEM_NAME);
    g_shared = mapping ? (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : NULL;
    if (!g_shared) {
        Fail("The settings block shared with brivane.dll could not be opened.");
        return EXIT_NO_BLOCK;
    }

    // The sheet's folder browser is a shell dialog: its thread needs an
    // apartment. Programs whose file dialogs open the sheet have their own.
    HRESULT ole = OleInitialize(NULL);

    s_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "BRIVANE");
    wc.lpszClassName = HOST_WINDOW_CLASS;
    RegisterClassA(&wc);
    RegisterFloatIconClass();
    // A hidden top-level window, not a message-only one: it must get the
    // TaskbarCreated broadcast and the session-end messages.
    g_host = CreateWindowExA(WS_EX_TOOLWINDOW, HOST_WINDOW_CLASS, APP_TITLE, WS_POPUP, 0, 0, 0, 0,
                             NULL, NULL, instance, NULL);
    if (!g_host) {
        Fail("Brivane could not create its window.");
        return EXIT_NO_WINDOW;
    }
    AllowFromLowerIntegrity(g_host);

    g_shared->hostWindow = g_host;
    BufSet(g_shared->configPath, CONFIG_PATH_CAPACITY, config);
    g_module.RequestSettings();

    RecoverHiddenFromDisk();
    g_module.SetHook();
    SyncHostTrayIcon();
    RegisterHotKey(g_host, HOTKEY_RESTORE_LAST, HOTKEY_MODIFIERS, HOTKEY_KEY);
    SetTimer(g_host, TIMER_WATCH, WATCH_INTERVAL_MS, NULL);
    if (args.action == HOST_SETTINGS)
        PostMessageA(g_host, WM_COMMAND, IDM_HOST_SETTINGS, 0);

    // This thread called SetHook_: it keeps pumping for as long as the
    // hooks are set (the modal sheet pumps too).
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ShutDown();
    if (SUCCEEDED(ole))
        OleUninitialize();
    CloseHandle(mutex);
    return EXIT_OK;
}
