// The Common Item Dialog (IFileOpenDialog, IFileSaveDialog, and
// GetOpenFileName without hook or template since Vista): recognised by its
// controls and given the same favourites button as the classic dialog.
#include "filedialog.h"
#include "../core/textbuf.h"
#include <commctrl.h>

#define ID_NAV_TOOLBAR    0x00C8   // Wine's: a direct child of the dialog
#define ID_FILENAME_EDIT  0x0480
#define ID_FILENAME_COMBO 0x047C
#define ID_COMBO_EDIT     1001     // the edit a drop-down combo box makes

static const char kButtonText[] = "Brivane";

// Windows keeps the file-name field deep inside the dialog's view.
struct ChildStep {
    const char *className;
    int id;                         // 0: any
};

static const ChildStep kWindowsNameField[] = {
    { "DUIViewWndClassName", 0 },
    { "DirectUIHWND",        0 },
    { "FloatNotifySink",     0 },
    { "ComboBox",            ID_FILENAME_COMBO },
    { "Edit",                ID_COMBO_EDIT },
};

// The first window reached from parent by the steps; every child that
// matches a step is tried, as the view holds several sinks.
static HWND FindByPath(HWND parent, const ChildStep *step, int steps)
{
    for (HWND child = FindWindowExA(parent, NULL, step->className, NULL); child;
         child = FindWindowExA(parent, child, step->className, NULL)) {
        if (step->id && GetDlgCtrlID(child) != step->id)
            continue;
        HWND found = steps == 1 ? child : FindByPath(child, step + 1, steps - 1);
        if (found)
            return found;
    }
    return NULL;
}

BOOL FindItemDialogControls(HWND dialog, DialogControls *controls)
{
    HWND ok = FindChild(dialog, IDOK, "Button");
    if (!ok)
        return FALSE;
    HWND toolbar = NULL;
    HWND edit = FindChild(dialog, ID_FILENAME_EDIT, "Edit");
    if (edit) {
        toolbar = FindChild(dialog, ID_NAV_TOOLBAR, TOOLBARCLASSNAMEA);
        if (!toolbar)
            return FALSE;
    } else {
        edit = FindByPath(dialog, kWindowsNameField, COUNTOF(kWindowsNameField));
        if (!edit)
            return FALSE;
    }
    if (toolbar && SendMessageA(toolbar, TB_COMMANDTOINDEX, IDC_FAVOURITES, 0) < 0)
        toolbar = NULL;
    controls->toolbar = toolbar;
    controls->edit = edit;
    controls->combo = NULL;
    controls->ok = ok;
    controls->button = FindChild(dialog, IDC_FAVOURITES, "Button");
    ProcessNameFromCommandLine(GetCommandLineA(), controls->processName,
                               COUNTOF(controls->processName));
    return TRUE;
}

static BOOL FitsInToolbar(HWND toolbar)
{
    RECT client, button = {};
    return GetClientRect(toolbar, &client) &&
           SendMessageA(toolbar, TB_GETRECT, IDC_FAVOURITES, (LPARAM)&button) &&
           button.left >= 0 && button.right <= client.right && button.bottom <= client.bottom;
}

void AddItemDialogButton(HWND dialog, const DialogControls *controls)
{
    // Wine's navigation toolbar spans the dialog with room to spare; a
    // toolbar without that room keeps its buttons and we use a push button.
    HWND toolbar = FindChild(dialog, ID_NAV_TOOLBAR, TOOLBARCLASSNAMEA);
    if (toolbar && controls->edit && GetParent(controls->edit) == dialog) {
        int count = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
        if (AppendFavouritesButton(toolbar) > 0 && FitsInToolbar(toolbar))
            return;
        while (SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0) > count &&
               SendMessageA(toolbar, TB_DELETEBUTTON, count, 0))
            ;
    }
    HWND button = CreateWindowExA(0, "Button", kButtonText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                  0, 0, 0, 0, dialog, (HMENU)(INT_PTR)IDC_FAVOURITES,
                                  (HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE), NULL);
    if (!button)
        return;
    HFONT font = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    SendMessageA(button, WM_SETFONT, (WPARAM)font, FALSE);
    HWND tips = CreateTooltip(dialog);
    if (tips) {
        TTTOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = (UINT_PTR)button;
        tool.lpszText = (LPSTR)FAVOURITES_TIP;
        SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    }
    DialogControls placed = *controls;
    placed.button = button;
    PlaceItemDialogButton(dialog, &placed);
}

void PlaceItemDialogButton(HWND dialog, const DialogControls *controls)
{
    RECT ok;
    if (!GetWindowRect(controls->ok, &ok))
        return;
    MapWindowPoints(NULL, dialog, (POINT *)&ok, 2);
    // As wide as its text needs with the margins of a dialog button, at the
    // height of OK and the usual dialog-unit gap to its left.
    RECT units = { 0, 0, 4, 0 };
    MapDialogRect(dialog, &units);
    SIZE text = {};
    HDC dc = GetDC(controls->button);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessageA(controls->button, WM_GETFONT, 0, 0));
        GetTextExtentPoint32A(dc, kButtonText, COUNTOF(kButtonText) - 1, &text);
        SelectObject(dc, old);
        ReleaseDC(controls->button, dc);
    }
    int width = text.cx + 4 * units.right;
    // Just before OK in the tab order, so the keyboard reaches it there.
    HWND before = GetWindow(controls->ok, GW_HWNDPREV);
    UINT keep = before == controls->button ? SWP_NOZORDER : 0;
    SetWindowPos(controls->button, before ? before : HWND_TOP, ok.left - units.right - width, ok.top,
                 width, ok.bottom - ok.top, SWP_NOACTIVATE | keep);
}
