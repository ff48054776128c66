// Keyboard page: the shortcuts of the window commands and the border of
// the windows the host pinned, in section settings. A change of a shortcut
// is written and announced to the host at once; the host registers the
// shortcuts anew and answers with those another program holds, which the
// page marks "taken".
#include "sheet.h"
#include "resource.h"
#include "../core/shared.h"
#include "../core/hotkeys.h"
#include "../core/ini.h"
#include "../core/buffers.h"
#include "../core/textbuf.h"
#include "../core/values.h"
#include <commctrl.h>

static const char SETTINGS_SECTION[] = "settings";

// The colour is read as the loader reads colours: its first 9 characters.
enum { COLOR_TEXT_SIZE = 10 };

DWORD AnnounceSettings(WPARAM what)
{
    HWND host = LiveHostWindow();
    DWORD_PTR answer = 0;
    // Never long: the host may hang, and a lower-integrity program's
    // message does not reach an elevated host at all.
    if (!host || !SendMessageTimeoutA(host, RegisterWindowMessageA(BRIVANE_SETTINGS_CHANGED), what, 0,
                                      SMTO_ABORTIFHUNG | SMTO_NORMAL, 2000, &answer))
        answer = 0;
    return (DWORD)answer;
}

static void ShowTaken(HWND page, DWORD taken)
{
    static const char TAKEN[] = "taken";
    for (int i = 0; i < HOTKEY_COUNT; i++)
        SetDlgItemTextA(page, IDC_HK_STATE + i, TAKEN + ((taken >> i) & 1 ? 0 : COUNTOF(TAKEN) - 1));
}

static void InitKeyboardPage(HWND page)
{
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        // A key alone or with Shift is typed, not a shortcut: the control
        // adds Ctrl+Alt to it, as the host would refuse it.
        SendDlgItemMessageA(page, IDC_HK_KEY + i, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                            MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        int v = IniGetInt(SETTINGS_SECTION, kHotkeySettings[i].key, kHotkeySettings[i].def);
        CheckDlgButton(page, IDC_HK_ON + i, v > 0);   // BST_CHECKED is 1
        // Off keeps its combination as a negative value.
        SendDlgItemMessageA(page, IDC_HK_KEY + i, HKM_SETHOTKEY, (v < 0 ? 0u - (unsigned)v : (unsigned)v) & 0xFFFF, 0);
    }
    CheckDlgButton(page, IDC_PIN_BORDER, IniGetInt(SETTINGS_SECTION, PIN_BORDER_KEY, 1) != 0);
    // Typed beyond six digits the box is read cut to six, as on the Settings page.
    IniGetString(SETTINGS_SECTION, PIN_COLOR_KEY, PIN_COLOR_DEFAULT, MenuItemBuffer, COLOR_TEXT_SIZE);
    SetDlgItemFormatted(page, IDC_PIN_COLOR, "%06X", ParseInteger(MenuItemBuffer) & 0xFFFFFF);
    ShowTaken(page, AnnounceSettings(SETTINGS_QUERY));
}

static void SaveKeyboardPage(HWND page)
{
    for (int i = 0; i < HOTKEY_COUNT; i++) {
        int v = LOWORD(SendDlgItemMessageA(page, IDC_HK_KEY + i, HKM_GETHOTKEY, 0, 0));
        WriteInt(kHotkeySettings[i].key, CheckedValue(page, IDC_HK_ON + i) ? v : -v);
    }
    WriteInt(PIN_BORDER_KEY, CheckedValue(page, IDC_PIN_BORDER));
    BoxColor(page, IDC_PIN_COLOR);
    IniWriteString(SETTINGS_SECTION, PIN_COLOR_KEY, SectionBuffer);
    ShowTaken(page, AnnounceSettings(SETTINGS_CHANGED));
}

INT_PTR CALLBACK KeyboardPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        InitKeyboardPage(page);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR *nm = (const NMHDR *)lParam;
        if (nm && (nm->code == (UINT)PSN_KILLACTIVE || nm->code == (UINT)PSN_QUERYCANCEL))
            SaveKeyboardPage(page);
        return FALSE;   // leaving the page and closing the sheet are never refused
    }
    case WM_COMMAND:
        // A shortcut typed or switched takes effect at once; the colour,
        // typed a digit at a time, when the page is left.
        if (HIWORD(wParam) == BN_CLICKED || (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) != IDC_PIN_COLOR))
            SaveKeyboardPage(page);
        return FALSE;
    }
    return FALSE;
}
