// The configuration sheet and its pages.
#pragma once
#include <windows.h>

// The instance given to the latest EditIni_; pages load their dialogs from it.
extern HINSTANCE SheetInstance;

INT_PTR CALLBACK AboutPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MenuItemsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);

// The sheet's callback: no help button, and one button "OK" in the Cancel
// role. Returns 1 for every message.
int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM lParam);

// Fill the Settings page's controls from the file (reloaded first), and
// store them into the shared block and the file.
void InitSettingsPage(HWND page);
void SaveSettingsPage(HWND page);

// Moves window so that it is centred on reference; size and z-order stay.
void CenterWindowOn(HWND reference, HWND window);
