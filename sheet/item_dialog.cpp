// The "Add/Edit menu item" dialog. MenuItemBuffer carries the row in (empty
// for a new one) and out as name NUL path NUL; the result says OK (1) or
// Cancel (0).
#include "sheet.h"
#include "menuitems.h"
#include "../core/buffers.h"
#include "resource.h"
#include <string.h>

static void EnablePathControls(HWND dialog, BOOL enable)
{
    EnableWindow(GetDlgItem(dialog, IDC_ITEM_PATH), enable);
    EnableWindow(GetDlgItem(dialog, IDC_ITEM_BROWSE), enable);
}

static void OnInit(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_ITEM_NAME, EM_LIMITTEXT, ROW_TEXT_SIZE, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_PATH, EM_LIMITTEXT, ROW_TEXT_SIZE, 0);
    const char *name = MenuItemBuffer;
    const char *path = MenuItemBuffer + strlen(MenuItemBuffer) + 1;
    if (SendMessageA(SectionList, LB_GETCURSEL, 0, 0) == SECTION_EXCEPTION) {
        // An exception is a program name whose value is always 1.
        EnableWindow(GetDlgItem(dialog, IDC_ITEM_SUBMENU), FALSE);
        EnablePathControls(dialog, FALSE);
        SetDlgItemTextA(dialog, IDC_ITEM_PATH, "1");
        if (name[0])
            SetDlgItemTextA(dialog, IDC_ITEM_NAME, name);
    } else if (name[0]) {
        if (name[0] == '-') {
            SetDlgItemTextA(dialog, IDC_ITEM_NAME, name + 1);
            CheckDlgButton(dialog, IDC_ITEM_SUBMENU, BST_CHECKED);
            EnablePathControls(dialog, FALSE);
        } else {
            SetDlgItemTextA(dialog, IDC_ITEM_NAME, name);
            SetDlgItemTextA(dialog, IDC_ITEM_PATH, path);
        }
        // An existing row stays an entry or a header.
        EnableWindow(GetDlgItem(dialog, IDC_ITEM_SUBMENU), FALSE);
    }
    MenuItemBuffer[0] = '\0';
}

static void OnOk(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_ITEM_SUBMENU) == BST_CHECKED) {
        // "-" and the title must still fit a row's name (259 characters),
        // or saving the section would cut the title's last character.
        MenuItemBuffer[0] = '-';
        UINT n = GetDlgItemTextA(dialog, IDC_ITEM_NAME, MenuItemBuffer + 1, ROW_TEXT_SIZE - 1);
        lstrcpyA(MenuItemBuffer + 1 + n + 1, "--");
    } else {
        UINT n = GetDlgItemTextA(dialog, IDC_ITEM_NAME, MenuItemBuffer, ROW_TEXT_SIZE);
        // Name and path share the row's 260 bytes.
        MenuItemBuffer[n + 1] = '\0';
        if (n + 1 < ROW_TEXT_SIZE)
            GetDlgItemTextA(dialog, IDC_ITEM_PATH, MenuItemBuffer + n + 1, ROW_TEXT_SIZE - 1 - n);
    }
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK MenuItemDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (LOWORD(wParam) == IDC_ITEM_SUBMENU) {
            EnablePathControls(dialog, IsDlgButtonChecked(dialog, IDC_ITEM_SUBMENU) != BST_CHECKED);
        } else if (LOWORD(wParam) == IDC_ITEM_BROWSE) {
            BrowseForFolder(dialog, 0, MenuItemBuffer);
            if (MenuItemBuffer[0])
                SetDlgItemTextA(dialog, IDC_ITEM_PATH, MenuItemBuffer);
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
