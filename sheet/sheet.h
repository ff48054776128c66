// The configuration sheet and its pages.
#pragma once
#include <windows.h>

// The instance given to the latest EditIni_; pages load their dialogs from it.
extern HINSTANCE SheetInstance;

INT_PTR CALLBACK AboutPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MenuItemsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyboardPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RulesPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);

// The sheet's callback: no help button, and one button "OK" in the Cancel
// role. Returns 1 for every message.
int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM lParam);

// Fill the Settings page's controls from the file (reloaded first), and
// store them into the shared block and the file.
void InitSettingsPage(HWND page);
void SaveSettingsPage(HWND page);

// Helpers of the Settings and Keyboard pages: a formatted number into a
// control (shlwapi's formatter), one integer key of section settings as
// "%i", 1 when a check box is checked, and a colour box's text as "0x" +
// text in SectionBuffer (what the file gets), returned parsed as a COLORREF.
void SetDlgItemFormatted(HWND page, int id, const char *format, int value);
void WriteInt(const char *key, int value);
int CheckedValue(HWND page, int id);
DWORD BoxColor(HWND page, int id);

// Tells the host that section settings changed (SETTINGS_CHANGED) or only
// asks (SETTINGS_QUERY); returns its answer, the shortcuts another program
// holds, or 0 when no host answered.
DWORD AnnounceSettings(WPARAM what);

// Moves window so that it is centred on reference; size and z-order stay.
void CenterWindowOn(HWND reference, HWND window);
