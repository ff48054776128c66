// The global keyboard shortcuts: read from section settings, registered
// with the system, registered anew whenever the settings are announced as
// changed. One that another program holds is reported, never dropped
// without a word: in the tray icon's tooltip, in a balloon when it is new,
// and in the answer to the Keyboard page.
#include "host.h"
#include "../core/hotkeys.h"
#include "../core/textbuf.h"

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

static const char *const kHotkeyNames[HOTKEY_COUNT] = {
    "Always on top", "Minimize to tray", "To floating icon", "Restore all windows", "Restore the last hidden window",
    "Hidden windows menu",
};

static int s_values[HOTKEY_COUNT];
static DWORD s_taken;

// "Ctrl+Alt+F7" for a stored value.
static void ComboText(int value, char *out, size_t cap)
{
    UINT modifiers = 0, vk = 0;
    HotkeyFromValue(value, &modifiers, &vk);
    char key[32] = "", text[64];
    UINT scan = MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
    if (!scan || !GetKeyNameTextA((LONG)(scan << 16), key, COUNTOF(key)))
        wsprintfA(key, "key %u", vk);
    wsprintfA(text, "%s%s%s%s", modifiers & MOD_CONTROL ? "Ctrl+" : "", modifiers & MOD_ALT ? "Alt+" : "",
              modifiers & MOD_SHIFT ? "Shift+" : "", key);
    BufSet(out, cap, text);
}

// Lists the shortcuts of the mask as "Ctrl+Alt+F7 (Minimize to tray), ...".
static void ListCombos(DWORD mask, char *out, size_t cap)
{
    out[0] = 0;
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        if (!((mask >> i) & 1))
            continue;
        char combo[64], item[128];
        ComboText(s_values[i], combo, COUNTOF(combo));
        wsprintfA(item, "%s%s (%s)", out[0] ? ", " : "", combo, kHotkeyNames[i]);
        BufJoin(out, cap, out, item);
    }
}

static void Report(DWORD fresh)
{
    char list[512], tip[128], balloon[256];
    ListCombos(s_taken, list, COUNTOF(list));
    BufSet(tip, COUNTOF(tip), "Brivane");
    if (s_taken) {
        char line[600];
        wsprintfA(line, "Brivane\nTaken by another program: %.500s", list);
        BufSet(tip, COUNTOF(tip), line);
    }
    balloon[0] = 0;
    if (fresh) {
        ListCombos(fresh, list, COUNTOF(list));
        char line[700];
        wsprintfA(line, "Another program holds %.400s. Choose another shortcut on the Keyboard page of the settings.",
                  list);
        BufSet(balloon, COUNTOF(balloon), line);
    }
    SetHostTrayNote(tip, fresh ? balloon : NULL);
}

DWORD RegisterHotkeys()
{
    DWORD taken = 0;
    for (int i = 0; i < HOTKEY_COUNT; i++)
        UnregisterHotKey(g_host, HOTKEY_FIRST_ID + i);
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        s_values[i] = (int)GetPrivateProfileIntA("settings", kHotkeySettings[i].key, kHotkeySettings[i].def,
                                                 g_configPath);
        UINT modifiers, vk;
        if (!HotkeyFromValue(s_values[i], &modifiers, &vk))
            continue;
        // Held down, a shortcut acts once. Systems before Windows 7 know no
        // MOD_NOREPEAT and refuse it as a bad parameter.
        BOOL ok = RegisterHotKey(g_host, HOTKEY_FIRST_ID + i, modifiers | MOD_NOREPEAT, vk);
        if (!ok && GetLastError() != ERROR_HOTKEY_ALREADY_REGISTERED)
            ok = RegisterHotKey(g_host, HOTKEY_FIRST_ID + i, modifiers, vk);
        if (!ok)
            taken |= 1u << i;
    }
    DWORD fresh = taken & ~s_taken;
    s_taken = taken;
    Report(fresh);
    return taken;
}

DWORD TakenHotkeys() { return s_taken; }

void ReportTakenHotkeys() { Report(s_taken); }

void UnregisterHotkeys()
{
    for (int i = 0; i < HOTKEY_COUNT; i++)
        UnregisterHotKey(g_host, HOTKEY_FIRST_ID + i);
}

// The window commands act on the foreground window, as if chosen from its
// system menu: OnHostCommand refuses the same windows. One that does not
// answer takes the command once it responds (the host never waits for
// it), and the user hears why nothing happens yet.
static void ForegroundCommand(WPARAM code)
{
    HWND window = GetForegroundWindow();
    if (window && !WindowAnswers(window))
        TellRefused(window, REFUSAL_HUNG);
    OnHostCommand(code, window);
}

void OnHotkey(WPARAM id)
{
    switch ((int)id - HOTKEY_FIRST_ID) {
    case HOTKEY_TOPMOST:
        ForegroundCommand(HOSTCMD_TOPMOST);
        break;
    case HOTKEY_TRAY:
        ForegroundCommand(HOSTCMD_TRAY);
        break;
    case HOTKEY_FLOAT:
        ForegroundCommand(HOSTCMD_FLOAT);
        break;
    case HOTKEY_RESTORE_ALL:
        RestoreAllHidden();
        break;
    case HOTKEY_RESTORE_LAST:
        RestoreMostRecent();
        break;
    case HOTKEY_HIDDEN_MENU:
        ShowHiddenWindowsMenu();
        break;
    }
}
