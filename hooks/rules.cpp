// The rules of the running program (section rules): read the first time a
// window of it needs them and again after the host announced changed
// settings, never once per message. They act through the host: the module
// only tells it which rule a window meets, and holds back a Minimize or a
// Close only when the host took the message.
#include "hooks.h"
#include "procname.h"
#include "../core/ini.h"
#include "../core/rules_value.h"
#include "../core/shared.h"
#include "../core/textbuf.h"

// Never a message number (those are below 0x10000) until registered.
UINT g_rulesChangedMessage = (UINT)-1;

static volatile LONG s_rules = -1;   // -1: to be read
static volatile LONG s_firstShown;   // the program's first window has shown

void ForgetRules()
{
    InterlockedExchange(&s_rules, -1);
}

static unsigned ProgramRules()
{
    LONG rules = s_rules;
    if (rules >= 0)
        return (unsigned)rules;
    // Registered before the read: an announcement that comes while reading
    // makes the next need read again.
    if (g_rulesChangedMessage == (UINT)-1) {
        UINT message = RegisterWindowMessageA(BRIVANE_SETTINGS_CHANGED);
        if (message)
            g_rulesChangedMessage = message;
    }
    char name[MAX_PATH], value[128];
    ProcessNameFromCommandLine(GetCommandLineA(), name, COUNTOF(name));
    rules = 0;
    if (name[0] && IniGetString(RULES_SECTION, name, "", value, COUNTOF(value)))
        rules = (LONG)ParseRules(value, COUNTOF(value));
    InterlockedCompareExchange(&s_rules, rules, -1);
    return (unsigned)rules;
}

// A window rules are for: a top-level window of this program with a
// caption and the system menu's commands, not a dialog, not a tool window,
// and not one of the host's.
static BOOL RuleWindow(HWND window)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if ((style & WS_CAPTION) != WS_CAPTION || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return FALSE;
    HWND host = LiveHostWindow();
    DWORD hostPid = 0;
    if (!host || (GetWindowThreadProcessId(host, &hostPid) && hostPid == GetCurrentProcessId()))
        return FALSE;
    char cls[16];
    if (!WindowOfThisProcess(window) || (GetClassNameA(window, cls, COUNTOF(cls)) && !lstrcmpA(cls, "#32770")))
        return FALSE;
    return EligibleSystemMenu(window) != NULL;
}

void RulesOnShow(HWND window)
{
    if (!g_settings)
        return;
    // The first window counts whether or not there is a rule for it then:
    // a start rule written later is for the next start. Without rules the
    // window is looked at no further.
    unsigned rules = ProgramRules();
    if (!rules) {
        if ((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION && !GetParent(window))
            InterlockedExchange(&s_firstShown, 1);
        return;
    }
    if (!RuleWindow(window))
        return;
    BOOL first = InterlockedExchange(&s_firstShown, 1) == 0;
    if (first && (rules & RULE_START_TRAY))
        PostHostCommand(HOSTCMD_RULE_START_TRAY, window);
    if (rules & RULE_TOPMOST)
        PostHostCommand(HOSTCMD_RULE_TOPMOST, window);
}

BOOL RulesOnSysCommand(HWND window, WPARAM command)
{
    command &= 0xFFF0;
    if ((command != SC_MINIMIZE && command != SC_CLOSE) || !g_settings)
        return FALSE;
    unsigned rules = ProgramRules();
    WPARAM code = command == SC_CLOSE ? (rules & RULE_CLOSE_TRAY ? HOSTCMD_RULE_CLOSE_TRAY : 0)
                : rules & RULE_MIN_TRAY ? HOSTCMD_RULE_MIN_TRAY
                : rules & RULE_MIN_FLOAT ? HOSTCMD_RULE_MIN_FLOAT : 0;
    // Held back only when the host has the command: without a host the
    // window minimizes or closes as it always did.
    return code && RuleWindow(window) && PostHostCommand(code, window);
}
