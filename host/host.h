// What the host's files share: the module's exports, the shared block, the
// host window and the list of windows the host has hidden.
#pragma once
#include <windows.h>
#include "../core/shared.h"
#include "hostlogic.h"

#define HOST_WINDOW_CLASS  "BrivaneHost"
#define FLOAT_WINDOW_CLASS "BrivaneFloatingIcon"

// Messages of the host window (WM_HOSTCOMMAND is WM_USER + 1).
#define WM_HOSTTRAY   (WM_APP + 1)   // the host's own tray icon
#define WM_WINDOWTRAY (WM_APP + 2)   // tray icons of hidden windows
#define WM_RESTOREHIDDEN (WM_APP + 3) // wParam: a hidden window to bring back
#define WM_HOSTREQUEST (WM_APP + 4)   // wParam: a HostRequest of a second start
#define WM_PROCESSENDED (WM_APP + 5)  // wParam: a watched program's process handle, signalled

// What a second start of the program asks of the running one.
enum HostRequest { HOST_REQUEST_START = 1, HOST_REQUEST_SETTINGS, HOST_REQUEST_EXIT };

// Menu commands of the host's tray menu; the hidden windows' items from
// IDM_HIDDEN_FIRST on.
enum HostMenuId { IDM_HOST_SETTINGS = 100, IDM_HOST_RESTORE_ALL, IDM_HOST_EXIT, IDM_HOST_AUTOSTART,
                  IDM_HIDDEN_FIRST = 1000 };

// The host window's timer that takes a balloon's icon away again.
enum { BALLOON_ICON_TIMER = 1, BALLOON_ICON_MS = 15000 };

// The shortcuts' ids are HOTKEY_FIRST_ID + HotkeyIndex.
enum { HOST_TRAY_ID = 1, HOTKEY_FIRST_ID = 1, MAX_PINNED = 64 };

struct HostModule {
    HMODULE handle;
    BOOL (WINAPI *SetHook)(void);
    BOOL (WINAPI *UnHook)(void);
    void (WINAPI *RequestSettings)(void);
    INT_PTR (WINAPI *EditIni)(HINSTANCE, HWND);
};

extern HostModule g_module;
extern SharedSettings *g_shared;   // the host's own view of the block
extern HWND g_host;
extern HINSTANCE g_hostInstance;
extern char g_hiddenListPath[MAX_PATH];
extern char g_configPath[CONFIG_PATH_CAPACITY];   // as the module was given it

// --- hidden windows (hidden.cpp) ----------------------------------------------

struct HiddenWindow {
    HWND window;
    DWORD pid;
    ULONGLONG created; // its process's creation time; 0 when unknown
    int kind;          // HiddenKind
    UINT trayId;       // HIDDEN_TRAY: id of its tray icon
    HWND floatIcon;    // HIDDEN_FLOAT: the floating icon window
    HICON icon;        // the host's own copy of the window's icon
    DWORD order;       // larger is hidden later
    BOOL watched;      // WatchProcess took its program
    BOOL seenHidden;   // the host has seen it hidden since its own hide
    DWORD holdFrom;    // HoldHiddenWhileStarting: when it began (GetTickCount)
    BOOL holding;
};

// Hides the window behind a tray icon or a floating icon; nothing when it
// is not a window the host may hide or is hidden already.
void HideWindowAs(HWND window, int kind);
// Shows the window again and activates it; drops its icon.
void RestoreHidden(HWND window);
// A window hidden as its program starts: for START_HOLD_MS its program's
// own showing (a start-up may show its window more than once) hides it
// again instead of taking it off the list.
enum { START_HOLD_MS = 3000 };
void HoldHiddenWhileStarting(HWND window);
void RestoreAllHidden();
void RestoreMostRecent();
HiddenWindow *FindHidden(HWND window);
// The i-th hidden window (0 <= i < HiddenCount()), in no particular order.
const HiddenWindow *HiddenAt(int i);
// Floating icons left off every monitor (one went away) move to the nearest.
void KeepFloatIconsInView();
HiddenWindow *FindHiddenByTrayId(UINT id);
int HiddenCount();
// A window event of a watched program, or a hint: a hidden window that
// closed, or that was shown again after the host had seen it hidden, loses
// its icon. Only what the host sees counts: the window is looked at now.
void OnHiddenWindowEvent(DWORD event, HWND window);
// The program ended: its windows' icons go.
void DropHiddenOfProcess(DWORD pid);
// Shows the windows of an earlier run that died with windows hidden.
void RecoverHiddenFromDisk();
// Adds the tray icons again after the taskbar restarted.
void ReAddWindowTrayIcons();

// --- events of watched programs (watch.cpp) -----------------------------------

// Window events of the program, and its end, reach the host from now on;
// counted, so that every WatchProcess has its UnwatchProcess. FALSE when
// neither could be had.
BOOL WatchProcess(DWORD pid);
void UnwatchProcess(DWORD pid);
// The process handles of the watched programs, for the message loop to
// wait on (at most max of them; the programs beyond those the loop can
// wait on come as WM_PROCESSENDED); one that became signalled: its program
// ended, and its windows' icons and borders go.
DWORD WatchedProcessHandles(HANDLE *out, DWORD max);
void OnProcessHandleSignalled(HANDLE process);

// --- borders of pinned windows (pin_border.cpp) -------------------------------

BOOL RegisterPinBorderClass();
// The host made the window topmost (TRUE) or took that back (FALSE).
void SetPinned(HWND target, BOOL pinned);
BOOL IsPinned(HWND target);
// The border window of a pinned window; null when it has none (yet).
HWND PinBorderOf(HWND target);
void OnPinnedWindowEvent(DWORD event, HWND window);
void DropPinnedOfProcess(DWORD pid);
// Reads pin.border and pin.color and redraws every border.
void ApplyPinLook();
void RemovePinBorders();

// --- keyboard shortcuts (hotkeys.cpp) -------------------------------------------

// Registers every shortcut anew from the file; returns those another
// program holds (bit per HotkeyIndex), which the tray icon reports.
DWORD RegisterHotkeys();
DWORD TakenHotkeys();
// Shows the shortcuts another program holds in a balloon (when any), as
// RegisterHotkeys does for new ones: at start, once the icon is there.
void ReportTakenHotkeys();
void UnregisterHotkeys();
void OnHotkey(WPARAM id);

// --- the hidden windows' menus (hidden_menu.cpp) -----------------------------------

// Inserts an item for each hidden window at the menu's top, the most
// recent first, ids from IDM_HIDDEN_FIRST; returns how many. Until
// EndHiddenWindowItems the host draws their icons (WM_MEASUREITEM and
// WM_DRAWITEM come to OnHiddenMenuMeasure and OnHiddenMenuDraw: TRUE when
// the item was theirs) and HiddenWindowOfItem names the window of an id
// (null when it is no item of theirs or is hidden no longer).
int AppendHiddenWindowItems(HMENU menu);
HWND HiddenWindowOfItem(UINT id);
void EndHiddenWindowItems();
BOOL OnHiddenMenuMeasure(MEASUREITEMSTRUCT *mi);
BOOL OnHiddenMenuDraw(const DRAWITEMSTRUCT *di);
// The shortcut's menu: the hidden windows at the pointer, the first one
// selected; the one chosen comes back.
void ShowHiddenWindowsMenu();
// The menu of a hidden window's tray icon: Restore, and Close (restored
// first, then asked to close).
void ShowWindowTrayMenu(UINT trayId);

// --- into view (into_view.cpp) ------------------------------------------------------

// Where a window placed at place must go to be seen (TRUE), on the
// monitors there are now; FALSE when it can be seen where it is.
BOOL IntoViewPlace(const RECT &place, RECT *out);
// Moves a window that lies off every monitor into view, keeping its size
// where it fits; never waits for its program.
void BringWindowIntoView(HWND window);

// --- rules (rules.cpp) ----------------------------------------------------------------

// A HOSTCMD_RULE_* command for a window the host may act on.
void OnRuleCommand(WPARAM code, HWND target);
// A window that is gone is forgotten (a new one may get its handle).
void ForgetRuledWindow(HWND window);
// After a change of the settings: when section rules changed, every
// program is told (a posted broadcast of the announcement, wParam
// SETTINGS_RULES_CHANGED) and reads its rules again.
void AnnounceRulesIfChanged(UINT settingsChanged);
// At start: the rules as they are need no announcement.
void RememberAnnouncedRules();

// --- why nothing happened (refusals.cpp) -------------------------------------------

// TRUE when the window's thread answers within a short wait (the host
// answers its own messages meanwhile).
BOOL WindowAnswers(HWND window);
// The refusal a command refused for the window is (CommandRefusal).
int RefusalFor(HWND window);
// Tells the user about the refusal in a balloon, once per window.
void TellRefused(HWND window, int refusal);

// --- tray (tray.cpp) ------------------------------------------------------------

// A balloon from the host's icon; without the icon (trayrun=0) the icon
// comes for the balloon and goes again BALLOON_ICON_MS later.
void ShowHostBalloon(const char *title, const char *text);
void OnBalloonIconTimer();

// The host icon's tooltip from now on, and a balloon to show once (null:
// none).
void SetHostTrayNote(const char *tip, const char *balloon);
void SyncHostTrayIcon();          // shows or removes it as runInTray says
void RemoveHostTrayIcon();
void ReAddHostTrayIcon();
void OnHostTrayMessage(LPARAM mouse);
void ShowHostMenu();
BOOL AddWindowTrayIcon(UINT id, HICON icon, HWND window);
void RemoveWindowTrayIcon(UINT id);

// --- files and paths (paths.cpp) -----------------------------------------------

// brivane.exe's folder with its trailing backslash; FALSE (empty) when the
// path does not fit.
BOOL ProgramFolderW(wchar_t *out, DWORD size);
// The configuration file: the full path of given (from --config), else
// brivane.ini beside the program when there is one (portable use), else
// %APPDATA%\Brivane\brivane.ini with its folder created. FALSE when the
// path does not fit size.
BOOL ChooseConfigPathW(const wchar_t *given, wchar_t *out, DWORD size);

enum AnsiPathKind {
    ANSI_PATH_AS_IS,   // the ANSI code page spells it, within MAX_PATH
    ANSI_PATH_SHORT,   // its short (8.3) form does
    ANSI_PATH_NONE     // neither: out is empty
};
// How the module, which works in ANSI, can be given path: as it is, or in
// its short form (the file need not exist yet, its folder must).
AnsiPathKind AnsiPathFor(const wchar_t *path, char *out, DWORD size);

// --- start with Windows (autostart.cpp) ---------------------------------------

// The --config path the host runs with (null: none); a Run value written
// later starts the host with it again.
void SetAutostartConfig(const wchar_t *configGiven);
// TRUE when the Run value "Brivane" starts this brivane.exe.
BOOL StartsWithWindows();
// Writes "<this exe>" [--config "<path>"] as the Run value, or removes it.
BOOL SetStartWithWindows(BOOL on);

// --- screen scale (dpi.cpp) ---------------------------------------------------

// Sent by Windows 8.1 and later; the headers keep it from a Vista target.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// Dots per inch of the monitor or of the window's monitor; the system's
// when the system cannot tell them apart.
UINT MonitorDpi(HMONITOR monitor);
UINT WindowDpi(HWND window);

// --- floating icons (floaticon.cpp) -----------------------------------------

BOOL RegisterFloatIconClass();
// Creates and shows the floating icon for a window about to be hidden.
HWND CreateFloatIcon(HWND target, HICON icon);

// --- requests of a second start (requests.cpp) -----------------------------------

enum PipeReservation { PIPE_RESERVED, PIPE_TAKEN, PIPE_FAILED };
// Makes the instances of the request pipe, before anything else is set up:
// PIPE_TAKEN when its name exists already (somebody else made it first, and
// would answer our later starts), PIPE_FAILED when it cannot be made.
PipeReservation ReserveRequestPipe();
// Serves the requests of later starts on threads of their own; each one
// reaches the window as WM_HOSTREQUEST. Call once the block names the window.
void StartRequestPipe(HWND window);

enum HostReply {
    HOST_REPLY_TAKEN,     // the running host took the request
    HOST_REPLY_NONE,      // nobody answered in time
    HOST_REPLY_FOREIGN    // whoever answered is not this user's running host
};
// A later start: hands the request to the running host, waiting up to
// timeoutMs for it to be there. Only a server that is this user's, at our
// integrity level or above, is spoken to, and only a reply naming the
// process that owns the block's host window counts. HOST_REPLY_TAKEN sets
// hostPid to that process.
HostReply SendHostRequest(DWORD request, DWORD timeoutMs, DWORD *hostPid);

// --- commands (commands.cpp) ------------------------------------------------------

void OnHostCommand(WPARAM code, HWND window);
// Pins the window (topmost, with its border) or takes that back; never
// waits for its program.
void SetTopmost(HWND window, BOOL topmost);
// TRUE when the process runs above the host (as administrator while the
// host does not), or its level cannot be read where there are levels.
BOOL ProgramAboveHost(DWORD pid);
void OpenSettings();
// When the sheet is open: asks it to close and exits once it has; TRUE then.
BOOL OpenSettingsClose();
// A copy of the window's icon that the host owns; never blocks on a hung
// window. small picks the small icon.
HICON CopyWindowIcon(HWND window, BOOL small);
