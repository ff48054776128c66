// What the host does for each command the module forwards.
#include "host.h"
#include <shellapi.h>
#include "../core/textbuf.h"

static BOOL s_sheetOpen;
static BOOL s_exitAfterSheet;

// The shell's own top-level windows: hiding or pinning them takes the
// taskbar, the tray or the desktop's icons away from the user.
static const char *const kShellClasses[] = {
    "Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Progman", "WorkerW", "NotifyIconOverflowWindow",
};

// The integrity level (the last part of the label's SID) of a process; 0
// when it cannot be read.
static DWORD IntegrityOf(HANDLE process)
{
    HANDLE token;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return 0;
    union { TOKEN_MANDATORY_LABEL label; BYTE bytes[128]; } info;
    DWORD size = 0, level = 0;
    if (GetTokenInformation(token, TokenIntegrityLevel, &info, sizeof(info), &size)) {
        PSID sid = info.label.Label.Sid;
        UCHAR parts = *GetSidSubAuthorityCount(sid);
        if (parts > 0)
            level = *GetSidSubAuthority(sid, parts - 1);
    }
    CloseHandle(token);
    return level;
}

// TRUE when the window's program runs above the host: the host acts on no
// window it could not be asked about by that program's equals. A program
// whose level cannot be read counts as above, where the host has a level.
BOOL ProgramAboveHost(DWORD pid)
{
    static DWORD own = (DWORD)-1;
    if (own == (DWORD)-1)
        own = IntegrityOf(GetCurrentProcess());
    if (own == 0)
        return FALSE;   // no integrity levels on this system
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    DWORD level = process ? IntegrityOf(process) : 0;
    if (process)
        CloseHandle(process);
    return level == 0 || level > own;
}

// The window the command is about, when the host may act on it: a
// top-level window with a system menu, as the module gives its items to
// (whose menu the host cannot ask about from outside: asking would give the
// window a menu of the host's), and never the desktop, the shell's
// windows, one of the host's own or one of a program above the host.
// Anything else may be a forged command and does nothing.
static HWND CommandTarget(HWND window)
{
    if (!window || !IsWindow(window) || GetParent(window) != NULL || GetAncestor(window, GA_ROOT) != window)
        return NULL;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if ((style & WS_CHILD) || !(style & WS_SYSMENU))
        return NULL;
    if (window == GetDesktopWindow() || window == GetShellWindow())
        return NULL;
    char cls[64];
    if (!GetClassNameA(window, cls, COUNTOF(cls)))
        return NULL;
    for (size_t i = 0; i < COUNTOF(kShellClasses); i++)
        if (!lstrcmpiA(cls, kShellClasses[i]))
            return NULL;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || pid == GetCurrentProcessId() || ProgramAboveHost(pid))
        return NULL;
    return window;
}

static void ToggleTopmost(HWND window)
{
    SetTopmost(window, !(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST));
}

void SetTopmost(HWND window, BOOL topmost)
{
    // Asynchronous: a hung program never holds the host up.
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    // Pinned here, it gets its border; one that was topmost on its own
    // never had one.
    SetPinned(window, topmost);
    // The module checks the item only when it inserts it; keep it true.
    // GetSystemMenu on another program's window makes the copy of the menu
    // belong to the caller when the window has none yet, and the copy would
    // go when the host exits; 501 comes from the item the module put into
    // the window's own copy, so that copy exists and is only looked up here.
    // Where menus are private to their process this finds no menu.
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu)
        CheckMenuItem(menu, HOSTCMD_TOPMOST, MF_BYCOMMAND | (topmost ? MF_CHECKED : MF_UNCHECKED));
}

// The module's hints about a window the host may have hidden or pinned,
// as the window events that say the same where the system sends them.
static const struct { WPARAM hint; DWORD event; } kHints[] = {
    { HOSTCMD_WINDOW_SHOWN, EVENT_OBJECT_SHOW },
    { HOSTCMD_WINDOW_MOVED, EVENT_OBJECT_LOCATIONCHANGE },
    { HOSTCMD_WINDOW_GONE, EVENT_OBJECT_DESTROY },
};

// Windows whose "gone" hint is being checked: one question each at a time,
// however many hints arrive, so a flood of hints costs the host nothing.
static HWND s_askedGone[FLOAT_MAX_ICONS + MAX_PINNED];

static void LookAtWindow(DWORD event, HWND window)
{
    OnHiddenWindowEvent(event, window);
    OnPinnedWindowEvent(event, window);
    if (event == EVENT_OBJECT_DESTROY)
        ForgetRuledWindow(window);
}

// The window's thread has answered, or the window is gone: looked at now.
static void CALLBACK AnsweredGone(HWND window, UINT, ULONG_PTR, LRESULT)
{
    for (size_t i = 0; i < COUNTOF(s_askedGone); i++)
        if (s_askedGone[i] == window)
            s_askedGone[i] = NULL;
    LookAtWindow(EVENT_OBJECT_DESTROY, window);
}

// "Gone" comes from inside the destruction, before it is over: the host
// asks the window's thread a question whose answer comes once it is free
// again, without waiting for it (the answer arrives as a message).
static void AskGone(HWND window)
{
    size_t free = COUNTOF(s_askedGone);
    for (size_t i = 0; i < COUNTOF(s_askedGone); i++) {
        if (s_askedGone[i] && !IsWindow(s_askedGone[i]))
            s_askedGone[i] = NULL;
        if (s_askedGone[i] == window)
            return;   // asked already
        if (!s_askedGone[i] && free == COUNTOF(s_askedGone))
            free = i;
    }
    // No room, or no question to be had: the window's end event and its
    // program's end still reach the host.
    if (free < COUNTOF(s_askedGone) && SendMessageCallbackA(window, WM_NULL, 0, 0, AnsweredGone, 0))
        s_askedGone[free] = window;
}

void OnHostCommand(WPARAM code, HWND window)
{
    for (size_t i = 0; i < COUNTOF(kHints); i++) {
        if (code == kHints[i].hint) {
            // Any program may post these, and a posted message names no
            // sender: they only make the host look at a window of its
            // lists again, and what it sees decides.
            if (code == HOSTCMD_WINDOW_GONE && IsWindow(window) && (FindHidden(window) || IsPinned(window)))
                AskGone(window);
            else
                LookAtWindow(kHints[i].event, window);
            return;
        }
    }
    BOOL known = code == HOSTCMD_MIN_RCLICK || code == HOSTCMD_MAX_RCLICK ||
                 (code >= HOSTCMD_TRAY && code <= HOSTCMD_FLOAT) ||
                 (code >= HOSTCMD_RULE_TOPMOST && code <= HOSTCMD_RULE_CLOSE_TRAY);
    if (!known)
        return;
    HWND target = CommandTarget(window);
    // Nothing is done: said when the user can do something about it.
    if (!target) {
        TellRefused(window, RefusalFor(window));
        return;
    }
    if (code >= HOSTCMD_RULE_TOPMOST) {
        OnRuleCommand(code, target);
        return;
    }
    switch (code) {
    case HOSTCMD_TRAY:
    case HOSTCMD_MIN_RCLICK:   // right click on Minimize: to the tray
        HideWindowAs(target, HIDDEN_TRAY);
        break;
    case HOSTCMD_FLOAT:
    case HOSTCMD_MAX_RCLICK:   // right click on Maximize: to a floating icon
        HideWindowAs(target, HIDDEN_FLOAT);
        break;
    case HOSTCMD_TOPMOST:
        ToggleTopmost(target);
        break;
    }
}

void OpenSettings()
{
    if (s_sheetOpen) {
        // Already open: bring it forward instead of a second one.
        HWND sheet = GetLastActivePopup(g_host);
        if (sheet && sheet != g_host)
            SetForegroundWindow(sheet);
        return;
    }
    s_sheetOpen = TRUE;
    g_module.EditIni(g_module.handle, g_host);
    s_sheetOpen = FALSE;
    SyncHostTrayIcon();
    if (s_exitAfterSheet)
        DestroyWindow(g_host);
}

BOOL OpenSettingsClose()
{
    if (!s_sheetOpen)
        return FALSE;
    s_exitAfterSheet = TRUE;
    HWND sheet = GetLastActivePopup(g_host);
    if (sheet && sheet != g_host)
        PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
}

// Asks with a short timeout and not at all when the program hangs; while
// waiting this thread still answers what is sent to it (hook calls that
// the system routes through it among them).
static HICON AskIcon(HWND window, WPARAM kind)
{
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutA(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200, &icon))
        return NULL;
    return (HICON)icon;
}

// The program's own icon from its file, for windows whose icon handle
// cannot be used from here.
static HICON ProgramIcon(HWND window, BOOL small)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process)
        return NULL;
    typedef BOOL (WINAPI *QueryNameFn)(HANDLE, DWORD, LPSTR, PDWORD);
    QueryNameFn query = (QueryNameFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    BOOL named = query && query(process, 0, path, &size);
    CloseHandle(process);
    if (!named)
        return NULL;
    HICON large = NULL, little = NULL;
    if (ExtractIconExA(path, 0, small ? NULL : &large, small ? &little : NULL, 1) == 0)
        return NULL;
    return small ? little : large;
}

HICON CopyWindowIcon(HWND window, BOOL small)
{
    HICON found = NULL;
    if (small) {
        found = AskIcon(window, 2 /* ICON_SMALL2 */);
        if (!found)
            found = AskIcon(window, ICON_SMALL);
        if (!found)
            found = (HICON)GetClassLongPtrA(window, GCLP_HICONSM);
    }
    if (!found)
        found = AskIcon(window, ICON_BIG);
    if (!found)
        found = (HICON)GetClassLongPtrA(window, GCLP_HICON);
    // A copy of our own: the window may die while its icon is shown.
    HICON copy = found ? CopyIcon(found) : NULL;
    if (!copy)
        copy = ProgramIcon(window, small);
    if (!copy)
        copy = CopyIcon(LoadIconA(NULL, (LPCSTR)IDI_APPLICATION));
    return copy;
}
