// Settings page.
#include "sheet.h"

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)page; (void)wParam; (void)lParam;
    return msg == WM_INITDIALOG;
}
