// The module's four exports (named in res/brivane.def, undecorated).
#pragma once
#include <windows.h>

extern "C" {
// Installs the hooks and adds the system-menu items; FALSE on failure.
BOOL WINAPI SetHook_(void);
// Removes the hooks and the system-menu items.
BOOL WINAPI UnHook_(void);
// Loads section settings of the configuration file into the shared block.
void WINAPI RequestSettings_(void);
// Shows the configuration sheet modally; returns PropertySheetA's result.
INT_PTR WINAPI EditIni_(HINSTANCE instance, HWND parent);
}
