// Installing and removing the hooks, and the three hooks that serve
// top-level windows. Hook procedures run inside every GUI program: they test
// the cheapest things first and always hand the event on.
#include "hooks.h"
#include "../core/shared.h"
#include "../core/exports.h"
#include "filedialog.h"
#include "menu_ids.h"

HHOOK g_hooks[HOOK_COUNT];

// The window whose Minimize or Maximize button the right button went down on.
static HWND s_pressedWindow;
// The last forwarded system command message, to drop a second sighting of
// that same message: the message hook also sees peeks that leave it in the
// queue. A message is told by its window, command, cursor and time stamp;
// any other message is new and always forwarded.
static HWND s_lastCommandWindow;
static WPARAM s_lastCommandWParam;
static LPARAM s_lastCommandLParam;
static DWORD s_lastCommandTime;
static BOOL s_haveLastCommand;

BOOL PostHostCommand(WPARAM code, HWND window)
{
    // A null target would land in this program's own thread queue.
    HWND host = LiveHostWindow();
    return host && PostMessageA(host, WM_HOSTCOMMAND, code, (LPARAM)window);
}

void HintHost(const CWPRETSTRUCT *ret)
{
    // Only windows the host acts on: top-level, with a system menu.
    HWND window = ret->hwnd;
    if ((GetWindowLongA(window, GWL_STYLE) & (WS_CHILD | WS_SYSMENU)) != WS_SYSMENU)
        return;
    const WINDOWPOS *pos = (const WINDOWPOS *)ret->lParam;   // null when a program sent it so
    WPARAM hint = ret->message == WM_NCDESTROY ? HOSTCMD_WINDOW_GONE
                : pos && (pos->flags & SWP_SHOWWINDOW) ? HOSTCMD_WINDOW_SHOWN
                : GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST ? HOSTCMD_WINDOW_MOVED : 0;
    if (hint)
        PostHostCommand(hint, window);
    if (hint == HOSTCMD_WINDOW_SHOWN)
        RulesOnShow(window);
}

BOOL WindowOfThisProcess(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == GetCurrentProcessId();
}

LRESULT CALLBACK ActivationProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_settings && WindowOfThisProcess((HWND)wParam))
        AddSysMenuItems((HWND)wParam);
    // The event names no window: a Minimize or Close reaches the window
    // that is active on this thread (the click, the key or the menu
    // activated it first).
    else if (code == HCBT_SYSCOMMAND && RulesOnSysCommand(GetActiveWindow(), wParam))
        return 1;   // the host takes the window instead
    return CallNextHookEx(g_hooks[HOOK_CBT], code, wParam, lParam);
}

LRESULT CALLBACK SysCommandProc(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = (MSG *)lParam;
    if (code == HC_ACTION && msg->message == WM_KEYDOWN && wParam == PM_REMOVE &&
        (msg->wParam == FAVOURITES_KEY || msg->wParam == LAST_OPEN_FOLDER_KEY))
        FavouritesKey(msg);
    if (code < 0 || msg->message != WM_SYSCOMMAND) {
        if (msg->message == g_rulesChangedMessage && code == HC_ACTION)
            ForgetRules();
        return CallNextHookEx(g_hooks[HOOK_GETMESSAGE], code, wParam, lParam);
    }
    WORD command = LOWORD(msg->wParam);
    if (command < IDM_TRAY || command > IDM_FLOAT || !g_settings || !WindowOfThisProcess(msg->hwnd))
        return CallNextHookEx(g_hooks[HOOK_GETMESSAGE], code, wParam, lParam);

    BOOL repeat = s_haveLastCommand && msg->hwnd == s_lastCommandWindow &&
                  msg->wParam == s_lastCommandWParam && msg->lParam == s_lastCommandLParam &&
                  msg->time == s_lastCommandTime;
    if (!repeat && PostHostCommand(command, msg->hwnd)) {
        s_lastCommandWindow = msg->hwnd;
        s_lastCommandWParam = msg->wParam;
        s_lastCommandLParam = msg->lParam;
        s_lastCommandTime = msg->time;
        s_haveLastCommand = TRUE;
    }
    // The window still gets its WM_SYSCOMMAND; the message is never altered.
    return CallNextHookEx(g_hooks[HOOK_GETMESSAGE], code, wParam, lParam);
}

LRESULT CALLBACK CaptionClickProc(int code, WPARAM wParam, LPARAM lParam)
{
    const MOUSEHOOKSTRUCT *mouse = (const MOUSEHOOKSTRUCT *)lParam;
    if (code >= 0 && (mouse->wHitTestCode == HTMINBUTTON || mouse->wHitTestCode == HTMAXBUTTON) &&
        (wParam == WM_NCRBUTTONDOWN || wParam == WM_NCRBUTTONUP) && g_settings &&
        WindowOfThisProcess(mouse->hwnd) && EligibleSystemMenu(mouse->hwnd)) {
        if (wParam == WM_NCRBUTTONDOWN) {
            s_pressedWindow = mouse->hwnd;
        } else if (mouse->hwnd == s_pressedWindow) {
            s_pressedWindow = NULL;
            PostHostCommand(mouse->wHitTestCode == HTMINBUTTON ? HOSTCMD_MIN_RCLICK
                                                               : HOSTCMD_MAX_RCLICK,
                            mouse->hwnd);
        }
    }
    // The click itself always reaches the window.
    return CallNextHookEx(g_hooks[HOOK_MOUSE], code, wParam, lParam);
}

static BOOL CALLBACK SysMenuEnumProc(HWND window, LPARAM add)
{
    if (add)
        AddSysMenuItems(window);
    else
        RemoveSysMenuItems(window);
    return TRUE;
}

static void RemoveHooks()
{
    for (int i = 0; i < HOOK_COUNT; i++) {
        if (g_hooks[i])
            UnhookWindowsHookEx(g_hooks[i]);
        g_hooks[i] = NULL;
    }
}

static const HookEntry s_hookTable[HOOK_COUNT] = {
    { WH_CALLWNDPROCRET, DialogHookProc },
    { WH_MOUSE,          CaptionClickProc },
    { WH_GETMESSAGE,     SysCommandProc },
    { WH_CBT,            ActivationProc },
};

// Installs the four hooks for every thread of the desktop (under Wine beside
// a 32-bit host, the 64-bit module sets them per thread: threadhooks.cpp)
// and adds the items to the existing windows. A second call while installed adds no second set.
// Returns FALSE when there is no shared block or a hook could not be set.
BOOL WINAPI SetHook_(void)
{
    if (!g_settings)
        return FALSE;
    if (!g_hooks[HOOK_DIALOG] && !PerThreadHooksSet()) {
        if (PerThreadHooksNeeded()) {
            if (!SetPerThreadHooks(s_hookTable))
                return FALSE;
        } else {
            for (int i = 0; i < HOOK_COUNT; i++) {
                g_hooks[i] = SetWindowsHookExA(s_hookTable[i].type, s_hookTable[i].proc, g_instance, 0);
                if (!g_hooks[i]) {
                    RemoveHooks();   // all four or none
                    return FALSE;
                }
            }
        }
    }
    return EnumWindows(SysMenuEnumProc, 1);
}

// Removes the hooks (clearing the handles, so a later SetHook_ starts
// afresh) and takes the items out of the system menu of every top-level
// window that this process can reach.
BOOL WINAPI UnHook_(void)
{
    RemoveHooks();
    RemovePerThreadHooks();
    return EnumWindows(SysMenuEnumProc, 0);
}
