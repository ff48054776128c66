// What the host does when a window meets a rule of its program (the module
// tells it, hooks/rules.cpp), and the announcement of changed rules to
// every program.
#include "host.h"
#include "../core/rules_value.h"
#include "../core/textbuf.h"

enum { MAX_RULED = 256 };

// Windows pinned by the on-top rule once: unpinned by hand, they stay so.
static HWND s_ruled[MAX_RULED];
static int s_ruledCount;

static BOOL TakeFirstPin(HWND window)
{
    for (int i = 0; i < s_ruledCount; i++)
        if (s_ruled[i] == window)
            return FALSE;
    if (s_ruledCount >= MAX_RULED) {
        // Full: the windows that are gone make room.
        int kept = 0;
        for (int i = 0; i < s_ruledCount; i++)
            if (IsWindow(s_ruled[i]))
                s_ruled[kept++] = s_ruled[i];
        s_ruledCount = kept;
        if (s_ruledCount >= MAX_RULED)
            return FALSE;
    }
    s_ruled[s_ruledCount++] = window;
    return TRUE;
}

void ForgetRuledWindow(HWND window)
{
    if (IsWindow(window))
        return;   // a hint names a window still there: nothing ends
    for (int i = 0; i < s_ruledCount; i++) {
        if (s_ruled[i] == window) {
            s_ruled[i] = s_ruled[--s_ruledCount];
            return;
        }
    }
}

void OnRuleCommand(WPARAM code, HWND target)
{
    switch (code) {
    case HOSTCMD_RULE_TOPMOST:
        if (TakeFirstPin(target) && !(GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_TOPMOST))
            SetTopmost(target, TRUE);
        break;
    case HOSTCMD_RULE_START_TRAY:
        HideWindowAs(target, HIDDEN_TRAY);
        HoldHiddenWhileStarting(target);
        break;
    case HOSTCMD_RULE_MIN_TRAY:
    case HOSTCMD_RULE_MIN_FLOAT:
        HideWindowAs(target, code == HOSTCMD_RULE_MIN_TRAY ? HIDDEN_TRAY : HIDDEN_FLOAT);
        // The module held the Minimize back: when the window could not be
        // hidden, it is minimized as asked (ShowWindow is no system
        // command, so no rule holds it back again).
        if (!FindHidden(target) && IsWindowVisible(target))
            ShowWindowAsync(target, SW_MINIMIZE);
        break;
    case HOSTCMD_RULE_CLOSE_TRAY:
        HideWindowAs(target, HIDDEN_TRAY);
        // Hidden behind a floating icon for want of a tray, or not at all:
        // the close goes ahead rather than leaving a window nothing closes.
        if (!FindHidden(target) && IsWindowVisible(target))
            PostMessageA(target, WM_CLOSE, 0, 0);
        break;
    }
}

// The section as it was last announced; programs read their rules again
// only when it changed.
static char s_announced[8192];
static DWORD s_announcedLength = (DWORD)-1;   // -1: none to compare with

// The section's text and its length; -1 when it does not fit to compare.
static DWORD ReadRulesSection(char *out, DWORD size)
{
    DWORD n = GetPrivateProfileSectionA(RULES_SECTION, out, size, g_configPath);
    return n >= size - 2 ? (DWORD)-1 : n;
}

void AnnounceRulesIfChanged(UINT settingsChanged)
{
    static char now[sizeof(s_announced)];
    DWORD n = ReadRulesSection(now, sizeof(now));
    if (n != (DWORD)-1 && n == s_announcedLength && memcmp(now, s_announced, n) == 0)
        return;
    if (n != (DWORD)-1)
        memcpy(s_announced, now, n);
    s_announcedLength = n;
    // Posted: nobody is waited for, a hung program reads them later.
    PostMessageA(HWND_BROADCAST, settingsChanged, SETTINGS_RULES_CHANGED, 0);
}

void RememberAnnouncedRules()
{
    s_announcedLength = ReadRulesSection(s_announced, sizeof(s_announced));
}
