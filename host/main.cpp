// brivane.exe: loads the module, tells it where the host window and the
// configuration file are, sets the hooks and carries the commands out.
#include "host.h"
#include <shellapi.h>
#include <shlobj.h>
#include <ole2.h>
#include <stdlib.h>
#include <string.h>
#include "../core/textbuf.h"
#include "companion.h"
#include "../core/user_only.h"

HostModule g_module;
SharedSettings *g_shared;
HWND g_host;
HINSTANCE g_hostInstance;
char g_hiddenListPath[MAX_PATH];
char g_configPath[CONFIG_PATH_CAPACITY];

static UINT s_taskbarCreated;
static UINT s_settingsChanged;
static BOOL s_shutDown;

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
    EXIT_NO_WINDOW = 5,     // no window or pipe, or the running instance does not answer
                            // (--exit: the one addressed did not end, or was not ours)
    EXIT_NOT_OURS = 6,      // the instance mutex or the shared block is another user's,
                            // or another program made the request pipe
    EXIT_BAD_PATH = 7       // the configuration path cannot be given to the module
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

// The configuration path as the module gets it. EXIT_OK, or the exit code
// after telling the user why there is none the module can use.
static int ConfigPathForModule(const wchar_t *given, char *out, DWORD size)
{
    static wchar_t wide[CONFIG_PATH_CAPACITY];
    // The module uses only a fully qualified path shorter than MAX_PATH;
    // any other would leave every program on the defaults without a word.
    // A path the code page spells that has no short enough form is simply
    // too long; one it cannot spell gets the message below.
    AnsiPathKind kind = ANSI_PATH_NONE;
    BOOL lossy = FALSE;
    if (!ChooseConfigPathW(given, wide, COUNTOF(wide)) ||
        ((kind = AnsiPathFor(wide, out, size)) != ANSI_PATH_NONE && !IsFullyQualifiedPath(out, MAX_PATH)) ||
        (kind == ANSI_PATH_NONE && WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, NULL, 0, NULL, &lossy) &&
         !lossy)) {
        Fail("The path of the configuration file is too long, or not a path on a drive or a share.");
        return EXIT_USAGE;
    }
    if (kind != ANSI_PATH_NONE) {
        // The files kept beside it are named after it: each must fit, and
        // none may be the configuration file itself.
        char list[MAX_PATH];
        if (!BesideNamesFit(out, MAX_PATH)) {
            Fail("The path of the configuration file is too long: Brivane keeps files beside it whose names "
                 "add up to 11 characters to it (\".recent.new\", \".hidden.new\"), and those would not fit "
                 "in 259 characters. Choose a shorter path with --config.");
            return EXIT_USAGE;
        }
        if (!BesideName(list, COUNTOF(list), out, ".recent") || !BesideName(list, COUNTOF(list), out, ".hidden")) {
            Fail("The configuration file cannot have the extension .recent or .hidden: Brivane keeps its "
                 "recent folders and its hidden windows beside it under those names. Choose another name "
                 "with --config.");
            return EXIT_USAGE;
        }
        SetAutostartConfig(given ? wide : NULL);
        return EXIT_OK;
    }
    // wsprintfW writes at most 1024 characters: a longer path is cut.
    wchar_t text[1100];
    wsprintfW(text,
              L"Brivane cannot start: it cannot use the configuration file\n\n%s\n\n"
              L"Brivane's module reads this path as ANSI text of fewer than 260 characters in the "
              L"system's code page (%u). The path cannot be written so, and there is no short (8.3) "
              L"name for it either: its folder does not exist, or the drive keeps no short names. "
              L"Choose a configuration file in another folder with --config, or turn short names on "
              L"for the drive.",
              wide, GetACP());
    FailW(text);
    return EXIT_BAD_PATH;
}

// The list of hidden windows lives beside the configuration file, named
// after it with the extension .hidden (the path was checked to allow it).
static void ChooseHiddenListPath(const char *config)
{
    if (!BesideName(g_hiddenListPath, COUNTOF(g_hiddenListPath), config, ".hidden"))
        g_hiddenListPath[0] = 0;
}

// Loaded by its full wide path: the program's folder may be named in
// characters the ANSI code page does not have.
static BOOL LoadModule()
{
    wchar_t path[MAX_PATH + 16];
    if (!ProgramFolderW(path, MAX_PATH)) {
        // Never a bare name: that would be looked for along the search path.
        Fail("Brivane's own folder has a path too long to load " BRIVANE_MODULE_FILE " from.");
        return FALSE;
    }
    lstrcatW(path, L"" BRIVANE_MODULE_FILE);   // fits: the folder is under MAX_PATH
    g_module.handle = LoadLibraryW(path);
    if (!g_module.handle) {
        wchar_t text[MAX_PATH + 128];
        wsprintfW(text, L"%s could not be loaded.\n\nBrivane needs " BRIVANE_MODULE_FILE " in its own folder.",
                  path);
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

static BOOL IsElevated()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    DWORD elevated = 0, size = 0;
    BOOL ok = GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)20 /* TokenElevation */, &elevated,
                                  sizeof(elevated), &size);
    CloseHandle(token);
    return ok && elevated;
}

// An elevated host still takes the module's commands from the user's
// ordinary programs, and learns of a restarted taskbar (which only makes it
// add its icons again). Nothing else from below comes through: the tray
// menu's commands, the session's end and requests of a later start stay
// closed to lower-integrity programs. Not elevated, nothing is opened.
static void AllowFromLowerIntegrity(HWND window)
{
    if (!IsElevated())
        return;
    typedef BOOL (WINAPI *FilterFn)(HWND, UINT, DWORD, void *);
    FilterFn filter = (FilterFn)GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx");
    if (!filter)
        return;
    const UINT messages[] = { WM_HOSTCOMMAND, s_taskbarCreated };
    for (size_t i = 0; i < COUNTOF(messages); i++)
        if (messages[i])
            filter(window, messages[i], 1 /* MSGFLT_ALLOW */, NULL);
}

// Only the system's folder is searched for the DLLs loaded by name, not the
// program's or the current folder, where anyone may have put a file.
static void LoadFromSystemFolderOnly()
{
    typedef BOOL (WINAPI *SetDirsFn)(DWORD);
    SetDirsFn set = (SetDirsFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (set)
        set(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    SetDllDirectoryA("");
}

// Everything hidden comes back, every icon goes, the hooks are removed.
// Runs once, at exit or when the session ends.
static void ShutDown()
{
    if (s_shutDown)
        return;
    s_shutDown = TRUE;
    UnregisterHotkeys();
    RestoreAllHidden();
    RemovePinBorders();
    RemoveHostTrayIcon();
    g_module.UnHook();
    StopCompanion();
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

// A later start's request, come through the pipe.
static void OnRequest(WPARAM request)
{
    switch (request) {
    case HOST_REQUEST_EXIT:
        OnCommand(IDM_HOST_EXIT);
        break;
    case HOST_REQUEST_SETTINGS:
        OnCommand(IDM_HOST_SETTINGS);
        break;
    case HOST_REQUEST_START:
        // Nothing comes up twice; without a tray icon the settings are the
        // only way in, so a later start opens them.
        if (g_shared && g_shared->runInTray == 0)
            OnCommand(IDM_HOST_SETTINGS);
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
        if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) {
            ShowWindowTrayMenu((UINT)wParam);
        } else if (lParam == WM_LBUTTONUP || lParam == NIN_SELECT || lParam == NIN_KEYSELECT) {
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
        OnHotkey(wParam);
        return 0;
    case WM_MEASUREITEM:
        return OnHiddenMenuMeasure((MEASUREITEMSTRUCT *)lParam);
    case WM_DRAWITEM:
        return OnHiddenMenuDraw((const DRAWITEMSTRUCT *)lParam);
    case WM_DISPLAYCHANGE:
        KeepFloatIconsInView();
        return 0;
    case WM_TIMER:
        if (wParam == BALLOON_ICON_TIMER)
            OnBalloonIconTimer();
        return 0;
    case WM_QUERYENDSESSION:
        // Bring everything back now: the session may end without a
        // WM_ENDSESSION reaching us in time.
        RestoreAllHidden();
        return TRUE;
    case WM_ENDSESSION:
        // The session really ends: restore, unhook and go. (FALSE: it goes
        // on, and so does the host.)
        if (wParam) {
            ShutDown();
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_HOSTREQUEST:
        OnRequest(wParam);
        return 0;
    case WM_PROCESSENDED:
        OnProcessHandleSignalled((HANDLE)wParam);
        return 0;
    case WM_CLOSE:
        OnCommand(IDM_HOST_EXIT);
        return 0;
    case WM_DESTROY:
        ShutDown();
        PostQuitMessage(0);
        return 0;
    }
    if (msg == s_settingsChanged && msg) {
        // A page wrote section settings (the block already holds its
        // part): the tray icon, the borders and the shortcuts follow now.
        if (wParam != SETTINGS_CHANGED)
            return TakenHotkeys();
        SyncHostTrayIcon();
        ApplyPinLook();
        AnnounceRulesIfChanged(s_settingsChanged);
        return RegisterHotkeys();
    }
    if (msg == s_taskbarCreated && msg) {
        ReAddHostTrayIcon();
        ReAddWindowTrayIcons();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// This is a later start: hand the request to the running instance.
static int ForwardToRunningHost(HostAction action)
{
    DWORD request = action == HOST_EXIT ? HOST_REQUEST_EXIT
                  : action == HOST_SETTINGS ? HOST_REQUEST_SETTINGS : HOST_REQUEST_START;
    // The first instance may still be starting up.
    DWORD pid = 0;
    HostReply reply = SendHostRequest(request, action == HOST_EXIT ? 10000 : 5000, &pid);
    if (action == HOST_EXIT) {
        // Success only when the host that took it has ended.
        if (reply == HOST_REPLY_NONE)
            return EXIT_NOT_RUNNING;
        HANDLE process = reply == HOST_REPLY_TAKEN ? OpenProcess(SYNCHRONIZE, FALSE, pid) : NULL;
        DWORD wait = process ? WaitForSingleObject(process, 30000) : WAIT_FAILED;
        if (process)
            CloseHandle(process);
        return wait == WAIT_OBJECT_0 ? EXIT_OK : EXIT_NO_WINDOW;
    }
    if (reply != HOST_REPLY_TAKEN) {
        Fail("Brivane is already running in this session but does not answer.\n\n"
             "End brivane.exe in the Task Manager and start it again.");
        return EXIT_NO_WINDOW;
    }
    // Its settings sheet may come to the front.
    AllowSetForegroundWindow(pid);
    return EXIT_OK;
}

// An object of our name that another user holds: this session's Brivane
// would share it with that user's programs, so it does not start.
static int RefuseForeign(const char *what)
{
    char text[512];
    wsprintfA(text,
              "Brivane cannot start: %s already exists in this session and belongs to another user.\n\n"
              "Another user's program holds it; sign out and in again, or end that program.", what);
    Fail(text);
    return EXIT_NOT_OURS;
}

// A name of ours that some other program made first, whoever its owner.
static int RefuseTaken(const char *what)
{
    char text[512];
    wsprintfA(text,
              "Brivane cannot start: %s already exists, made by another program.\n\n"
              "That program would answer in Brivane's place; end it, or sign out and in again.", what);
    Fail(text);
    return EXIT_NOT_OURS;
}

// TRUE when the system keeps the mandatory labels it is given (Wine keeps
// none, and enforces no levels either): asked of an object of our own.
static BOOL LabelsKept()
{
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NW", "ME");
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE probe = sd ? CreateMutexA(&sa, FALSE, NULL) : NULL;
    if (sd)
        LocalFree(sd);
    BOOL kept = probe && LabelLevelOf(probe) != 0;
    if (probe)
        CloseHandle(probe);
    return kept;
}

// The shared block, made here before the module is loaded, so that it
// carries our descriptor: the user's alone, and labelled at the host's
// level with no-write-up, so that programs below it (a sandboxed browser
// at low integrity; the user's ordinary programs, for an elevated host)
// may read it but never choose the file that every program and the host
// read and write. One that exists already must be the user's own (a hooked
// program may hold it from an earlier run); an elevated host also takes
// none whose label lets a lower level write it.
static SharedSettings *CreateBlock(int *failure)
{
    DWORD own = OwnIntegrityLevel();
    BOOL above = own > SECURITY_MANDATORY_MEDIUM_RID;
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NW", above ? "HI" : "ME");
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE mapping = sd ? CreateFileMappingA(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, BRIVANE_SHMEM_SIZE,
                                             BRIVANE_SHMEM_NAME)
                        : NULL;
    DWORD error = GetLastError();
    if (sd)
        LocalFree(sd);
    if ((!mapping && error == ERROR_ACCESS_DENIED) ||
        (mapping && error == ERROR_ALREADY_EXISTS && !OwnedByCurrentUser(mapping))) {
        if (mapping)
            CloseHandle(mapping);
        *failure = RefuseForeign("the settings block \"" BRIVANE_SHMEM_NAME "\"");
        return NULL;
    }
    if (mapping && error == ERROR_ALREADY_EXISTS && above && LabelsKept() &&
        LabelLevelOf(mapping) < own) {
        CloseHandle(mapping);
        Fail("Brivane cannot start: its settings block \"" BRIVANE_SHMEM_NAME "\" already exists, made at a "
             "lower integrity level than this elevated Brivane, so programs at that level could choose the "
             "files it reads and writes.\n\nEnd the Brivane that is not elevated (and the programs it hooked), "
             "or start this one without elevation.");
        *failure = EXIT_NOT_OURS;
        return NULL;
    }
    SharedSettings *view = mapping ? (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : NULL;
    if (!view) {
        Fail("The settings block shared with " BRIVANE_MODULE_FILE " could not be opened.");
        *failure = EXIT_NO_BLOCK;
    }
    // The handle stays open with the view for as long as the host runs.
    return view;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_hostInstance = instance;
    LoadFromSystemFolderOnly();
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

    // One instance per desktop session. A mutex of the name that another
    // user made is not taken for a running Brivane: the user is told.
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NW", "ME");
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE mutex = CreateMutexA(sd ? &sa : NULL, FALSE, INSTANCE_MUTEX);
    DWORD mutexError = GetLastError();
    if (sd)
        LocalFree(sd);
    if (!mutex)
        return mutexError == ERROR_ACCESS_DENIED ? RefuseForeign("the instance mutex \"" INSTANCE_MUTEX "\"")
                                                 : (Fail("Brivane could not create its instance mutex."), EXIT_NO_WINDOW);
    if (mutexError == ERROR_ALREADY_EXISTS) {
        int code = OwnedByCurrentUser(mutex) ? ForwardToRunningHost(args.action)
                                             : RefuseForeign("the instance mutex \"" INSTANCE_MUTEX "\"");
        CloseHandle(mutex);
        return code;
    }
    if (args.action == HOST_EXIT)
        return EXIT_NOT_RUNNING;

    static char config[CONFIG_PATH_CAPACITY];
    int pathFailure = ConfigPathForModule(WideConfigArgument(args), config, COUNTOF(config));
    if (pathFailure != EXIT_OK)
        return pathFailure;
    ChooseHiddenListPath(config);

    int failure = EXIT_NO_BLOCK;
    g_shared = CreateBlock(&failure);
    if (!g_shared)
        return failure;
    // Later starts reach us through the pipe: a name somebody made first
    // would be theirs to answer, so the host does not start without it.
    PipeReservation pipe = ReserveRequestPipe();
    if (pipe == PIPE_TAKEN)
        return RefuseTaken("the request pipe of this user and session");
    if (pipe != PIPE_RESERVED) {
        Fail("Brivane could not create the pipe through which later starts reach it.");
        return EXIT_NO_WINDOW;
    }
    if (!LoadModule())
        return EXIT_NO_MODULE;

    // The sheet's folder browser is a shell dialog: its thread needs an
    // apartment. Programs whose file dialogs open the sheet have their own.
    HRESULT ole = OleInitialize(NULL);

    s_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    s_settingsChanged = RegisterWindowMessageA(BRIVANE_SETTINGS_CHANGED);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "BRIVANE");
    wc.lpszClassName = HOST_WINDOW_CLASS;
    RegisterClassA(&wc);
    RegisterFloatIconClass();
    RegisterPinBorderClass();
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
    // A later start checks the answer against the window in the block.
    StartRequestPipe(g_host);
    BufSet(g_shared->configPath, CONFIG_PATH_CAPACITY, config);
    BufSet(g_configPath, COUNTOF(g_configPath), config);
    g_module.RequestSettings();
    // Before anything that waits on another program (the tray's messages
    // among them): while it waits, this thread already answers messages,
    // and a shortcut or a question about them must find them registered.
    RegisterHotkeys();

    RecoverHiddenFromDisk();
    RememberAnnouncedRules();
    g_module.SetHook();
    // 64-bit programs get the 64-bit module's hooks from the companion.
    StartCompanion();
    SyncHostTrayIcon();
    ApplyPinLook();
    // Now that there is an icon: a shortcut another program holds gets
    // its balloon.
    ReportTakenHotkeys();
    if (args.action == HOST_SETTINGS)
        PostMessageA(g_host, WM_HOSTREQUEST, HOST_REQUEST_SETTINGS, 0);

    // This thread called SetHook_: it keeps pumping for as long as the
    // hooks are set (the modal sheet pumps too). Between messages it sleeps
    // on the processes of the windows it hid or pinned as well: their end
    // drops their icons and borders (while a modal loop runs, once it is
    // over). Nothing else wakes it.
    for (BOOL quit = FALSE; !quit;) {
        HANDLE processes[MAXIMUM_WAIT_OBJECTS - 1];
        DWORD n = WatchedProcessHandles(processes, COUNTOF(processes));
        DWORD woke = MsgWaitForMultipleObjectsEx(n, processes, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke < WAIT_OBJECT_0 + n) {
            OnProcessHandleSignalled(processes[woke - WAIT_OBJECT_0]);
            continue;
        }
        if (woke == WAIT_FAILED)
            WaitMessage();   // never a busy loop
        MSG msg;
        while (!quit && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = TRUE;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    ShutDown();
    if (SUCCEEDED(ole))
        OleUninitialize();
    CloseHandle(mutex);
    return EXIT_OK;
}
