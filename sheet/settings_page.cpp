// Settings page: shows section settings of the configuration file and
// writes all of it back, to the shared block and to the file, whenever the
// page is left or the sheet is closed while it shows.
#include "sheet.h"
#include "resource.h"
#include "../core/shared.h"
#include "../core/exports.h"
#include "../core/ini.h"
#include "../core/buffers.h"
#include "../core/textbuf.h"
#include "../core/values.h"
#include "../core/recent_list.h"
#include "../hooks/recent.h"
#include <commctrl.h>
#include <shlwapi.h>

static const char SETTINGS_SECTION[] = "settings";

// Combo item index == initPosition. The names are kept in the table, not
// pointed to: no addresses for the loader to relocate.
static const char POSITION_NAMES[][13] = {
    "Top-Left", "Top-Right", "Bottom-Left", "Bottom-Right", "Center"
};

// Typing limits. The screenshot boxes take four digits so that the largest
// stored size, 1000, can be typed back in.
enum { OPACITY_DIGITS = 3, SHOT_SIZE_DIGITS = 4, COLOR_DIGITS = 6 };

// shlwapi's formatter, not the C runtime's: that one would carry its
// floating-point and locale code into every program the module is loaded in.
void SetDlgItemFormatted(HWND page, int id, const char *format, int value)
{
    wnsprintfA(MenuItemBuffer, COUNTOF(MenuItemBuffer), format, value);
    SetDlgItemTextA(page, id, MenuItemBuffer);
}

// WM_ENABLE goes to the edit box itself: it greys or restores its look, but
// stays enabled, still takes typing, and its text is saved regardless.
static void ShowEditEnabled(HWND page, int id, BOOL enabled)
{
    SendDlgItemMessageA(page, id, WM_ENABLE, enabled ? 1 : 0, 0);
}

void InitSettingsPage(HWND page)
{
    RequestSettings_();
    const SharedSettings *s = g_settings;
    if (!s)
        return;   // no shared block in this process: nothing to show

    for (size_t i = 0; i < COUNTOF(POSITION_NAMES); i++)
        SendDlgItemMessageA(page, IDC_INITPOS, CB_ADDSTRING, 0, (LPARAM)POSITION_NAMES[i]);
    SendDlgItemMessageA(page, IDC_INITPOS, CB_SETCURSEL, (WPARAM)s->initPosition, 0);

    CheckDlgButton(page, IDC_FOLLOW, s->followMode != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_ONTOP, s->onTop != 0 ? BST_CHECKED : BST_UNCHECKED);

    // The sign is the check box, the magnitude the number.
    int magnitude;
    if (s->opacity > 0) {
        CheckDlgButton(page, IDC_OPACITY, BST_CHECKED);
        magnitude = s->opacity;
    } else {
        CheckDlgButton(page, IDC_OPACITY, BST_UNCHECKED);
        ShowEditEnabled(page, IDC_OPACITY_VALUE, FALSE);
        magnitude = -s->opacity;
    }
    SetDlgItemFormatted(page, IDC_OPACITY_VALUE, "%i", magnitude);
    SendDlgItemMessageA(page, IDC_OPACITY_VALUE, EM_LIMITTEXT, OPACITY_DIGITS, 0);

    CheckDlgButton(page, IDC_SCREENSHOTS, s->makeScreenshots != 0 ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(page, IDC_SHOT_WIDTH, EM_LIMITTEXT, SHOT_SIZE_DIGITS, 0);
    SendDlgItemMessageA(page, IDC_SHOT_HEIGHT, EM_LIMITTEXT, SHOT_SIZE_DIGITS, 0);
    SetDlgItemFormatted(page, IDC_SHOT_WIDTH, "%i", s->screenshotWidth);
    SetDlgItemFormatted(page, IDC_SHOT_HEIGHT, "%i", s->screenshotHeight);
    if (s->makeScreenshots == 0) {
        ShowEditEnabled(page, IDC_SHOT_WIDTH, FALSE);
        ShowEditEnabled(page, IDC_SHOT_HEIGHT, FALSE);
    }

    SendDlgItemMessageA(page, IDC_ICON_COLOR, EM_LIMITTEXT, COLOR_DIGITS, 0);
    SetDlgItemFormatted(page, IDC_ICON_COLOR, "%06X", (int)SwapRedBlue(s->iconColor));
    SendDlgItemMessageA(page, IDC_BORDER_COLOR, EM_LIMITTEXT, COLOR_DIGITS, 0);
    SetDlgItemFormatted(page, IDC_BORDER_COLOR, "%06X", (int)SwapRedBlue(s->borderColor));

    CheckDlgButton(page, IDC_RUNINTRAY, s->runInTray != 0 ? BST_CHECKED : BST_UNCHECKED);
    // Not in the shared block: only file dialogs read it, from the file.
    CheckDlgButton(page, IDC_RECENT, IniGetInt(SETTINGS_SECTION, RECENT_SWITCH_KEY, 1) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// Writes one integer key as "%i".
void WriteInt(const char *key, int value)
{
    wnsprintfA(SectionBuffer, COUNTOF(SectionBuffer), "%i", value);
    IniWriteString(SETTINGS_SECTION, key, SectionBuffer);
}

int CheckedValue(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
}

// Decimal text of an edit box (read into a buffer of size, so at most
// size - 1 characters) through StrToIntA, limited to [low, high].
static int BoxNumber(HWND page, int id, int size, int low, int high)
{
    GetDlgItemTextA(page, id, MenuItemBuffer, size);
    return ClampInt(StrToIntA(MenuItemBuffer), low, high);
}

// A colour box's text behind "0x", which is both what the file gets (as
// typed, in whatever case) and what is parsed for the shared block.
DWORD BoxColor(HWND page, int id)
{
    GetDlgItemTextA(page, id, MenuItemBuffer, COLOR_DIGITS + 1);
    wnsprintfA(SectionBuffer, COUNTOF(SectionBuffer), "0x%s", MenuItemBuffer);
    return SwapRedBlue((uint32_t)ParseInteger(SectionBuffer));
}

// Every key is written every time, each field stored just before its key.
// A program that may not write the block (below the level of an elevated
// host) still saves the file; the host takes it at its next start.
void SaveSettingsPage(HWND page)
{
    static SharedSettings unshared;
    SharedSettings *s = WritableSettings();
    if (!s)
        s = &unshared;

    s->initPosition = (INT32)SendDlgItemMessageA(page, IDC_INITPOS, CB_GETCURSEL, 0, 0);
    WriteInt("fi.init", s->initPosition);

    s->followMode = CheckedValue(page, IDC_FOLLOW);
    WriteInt("fi.follow", s->followMode);

    s->onTop = CheckedValue(page, IDC_ONTOP);
    WriteInt("fi.top", s->onTop);

    int opacity = BoxNumber(page, IDC_OPACITY_VALUE, OPACITY_DIGITS + 1, 10, 100);
    s->opacity = CheckedValue(page, IDC_OPACITY) ? opacity : -opacity;
    WriteInt("fi.trans", s->opacity);

    s->makeScreenshots = CheckedValue(page, IDC_SCREENSHOTS);
    WriteInt("ft.scrsh", s->makeScreenshots);

    s->screenshotWidth = BoxNumber(page, IDC_SHOT_WIDTH, (int)COUNTOF(MenuItemBuffer), 10, 1000);
    WriteInt("ft.scrsh.width", s->screenshotWidth);

    s->screenshotHeight = BoxNumber(page, IDC_SHOT_HEIGHT, (int)COUNTOF(MenuItemBuffer), 10, 1000);
    WriteInt("ft.scrsh.height", s->screenshotHeight);

    s->iconColor = BoxColor(page, IDC_ICON_COLOR);
    IniWriteString(SETTINGS_SECTION, "fi.color.background", SectionBuffer);

    s->borderColor = BoxColor(page, IDC_BORDER_COLOR);
    IniWriteString(SETTINGS_SECTION, "fi.color.border", SectionBuffer);

    s->runInTray = CheckedValue(page, IDC_RUNINTRAY);
    WriteInt("trayrun", s->runInTray);

    // Off, nothing is recorded, and what was recorded is forgotten.
    int recent = CheckedValue(page, IDC_RECENT);
    WriteInt(RECENT_SWITCH_KEY, recent);
    if (!recent)
        RecentFolders_Clear();
    // The host shows or removes its tray icon now, not at a poll.
    AnnounceSettings(SETTINGS_CHANGED);
}

static INT_PTR OnCommand(HWND page, WPARAM wParam)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_OPACITY:
        ShowEditEnabled(page, IDC_OPACITY_VALUE, CheckedValue(page, IDC_OPACITY));
        return TRUE;
    case IDC_SCREENSHOTS: {
        BOOL on = CheckedValue(page, IDC_SCREENSHOTS);
        ShowEditEnabled(page, IDC_SHOT_WIDTH, on);
        ShowEditEnabled(page, IDC_SHOT_HEIGHT, on);
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        InitSettingsPage(page);
        return TRUE;   // the sheet sets the initial focus
    case WM_NOTIFY: {
        const NMHDR *nm = (const NMHDR *)lParam;
        if (nm && (nm->code == (UINT)PSN_KILLACTIVE || nm->code == (UINT)PSN_QUERYCANCEL))
            SaveSettingsPage(page);
        // FALSE for every notification: leaving the page and closing the
        // sheet are never refused.
        return FALSE;
    }
    case WM_COMMAND:
        return OnCommand(page, wParam);
    }
    return FALSE;
}
