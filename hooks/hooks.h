// The module's four hooks (global, or per thread, see threadhooks.cpp) and
// what they share.
#pragma once
#include <windows.h>

// Installed in this order; the handles are set only in the process that
// called SetHook_ and are zero elsewhere (CallNextHookEx ignores them there).
enum HookIndex { HOOK_DIALOG, HOOK_MOUSE, HOOK_GETMESSAGE, HOOK_CBT, HOOK_COUNT };
extern HHOOK g_hooks[HOOK_COUNT];

struct HookEntry {
    int type;
    HOOKPROC proc;
};

// Under Wine, the 64-bit module beside a 32-bit host sets the hooks on each
// 64-bit GUI thread instead of globally (threadhooks.cpp says why). The
// calling thread must pump messages: it learns of new threads there.
#ifdef _WIN64
BOOL PerThreadHooksNeeded();
BOOL PerThreadHooksSet();
// FALSE when nothing could be set; threads that cannot be hooked are left.
BOOL SetPerThreadHooks(const HookEntry *entries);   // HOOK_COUNT entries
void RemovePerThreadHooks();
#else
inline BOOL PerThreadHooksNeeded() { return FALSE; }
inline BOOL PerThreadHooksSet() { return FALSE; }
inline BOOL SetPerThreadHooks(const HookEntry *) { return FALSE; }
inline void RemovePerThreadHooks() {}
#endif

// WH_CALLWNDPROCRET: augments file dialogs at WM_INITDIALOG.
LRESULT CALLBACK DialogHookProc(int code, WPARAM wParam, LPARAM lParam);
// WH_MOUSE: right clicks on the Minimize and Maximize caption buttons.
LRESULT CALLBACK CaptionClickProc(int code, WPARAM wParam, LPARAM lParam);
// WH_GETMESSAGE: the three system-menu commands, and the key that opens the
// favourites menu.
LRESULT CALLBACK SysCommandProc(int code, WPARAM wParam, LPARAM lParam);
// Ctrl+B taken from the queue of an augmented file dialog: it opens the
// favourites menu there (msg becomes WM_NULL). Other keys are left alone.
void FavouritesKey(MSG *msg);
// WH_CBT: adds the system-menu items to windows as they are activated.
LRESULT CALLBACK ActivationProc(int code, WPARAM wParam, LPARAM lParam);

// Whether the window belongs to the process running this code. On 64-bit
// Windows a global hook of one bitness is also called, on the installing
// thread, for events of programs of the other bitness: those windows are
// the other module's business, and their events are only passed on.
BOOL WindowOfThisProcess(HWND window);

// System-menu items owned by the module.
enum SysMenuId {
    IDM_SEPARATOR = 499,
    IDM_TRAY = 500,
    IDM_TOPMOST = 501,
    IDM_FLOAT = 502
};

// The window's system menu when the window is top-level and its system menu
// has a Minimize command; null otherwise.
HMENU EligibleSystemMenu(HWND window);
void AddSysMenuItems(HWND window);
void RemoveSysMenuItems(HWND window);

// WH_CALLWNDPROCRET after WM_WINDOWPOSCHANGED or WM_NCDESTROY: tells the
// host to look at a top-level window it may have hidden or pinned again.
void HintHost(const CWPRETSTRUCT *ret);

// The running program's rules (rules.cpp). A window of it first shown:
// the start and on-top rules go to the host.
void RulesOnShow(HWND window);
// A system command about to be carried out for the window (HCBT_SYSCOMMAND):
// TRUE when a rule sent the window to the host instead, and the command is
// to be held back.
BOOL RulesOnSysCommand(HWND window, WPARAM command);
// The announcement of changed settings, once the rules were read (until
// then a value no message has); seen, the rules are read again when next
// needed.
extern UINT g_rulesChangedMessage;
void ForgetRules();

// Posts WM_HOSTCOMMAND to the host window; nothing when there is no live
// host window. Returns whether a message was posted.
BOOL PostHostCommand(WPARAM code, HWND window);

