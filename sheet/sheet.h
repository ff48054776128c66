// The configuration sheet and its pages.
#pragma once
#include <windows.h>

// The instance given to the latest EditIni_; pages load their dialogs from it.
extern HINSTANCE SheetInstance;

INT_PTR CALLBACK AboutPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MenuItemsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);

// Moves window so that it is centred on reference; size and z-order stay.
void CenterWindowOn(HWND reference, HWND window);
