// About page.
#include "sheet.h"

INT_PTR CALLBACK AboutPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam; (void)lParam;
    if (msg == WM_INITDIALOG) {
        CenterWindowOn(GetDesktopWindow(), GetParent(page));
        return TRUE;
    }
    return FALSE;
}
