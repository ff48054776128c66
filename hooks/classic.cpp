// The classic Open/Save dialog (GetOpenFileName/GetSaveFileName with the
// Explorer look): recognised by its toolbar, OK and file-name field; the
// button goes at the end of its toolbar.
#include "dialogkind.h"
#include "subclass.h"
#include "../core/textbuf.h"
#include <commctrl.h>
#include <commdlg.h>

// Control ids of the standard file dialog.
#define ID_TOOLBAR       0x0440
#define ID_TOOLBAR_ALT   1
#define ID_FILENAME_EDIT 0x0480
#define ID_FILENAME_COMBO 0x047C
// The "Look in" box, narrowed when the toolbar needs room; never below a
// width that still shows the start of a folder's name.
#define ID_LOOK_IN        0x0471
#define MIN_LOOK_IN_WIDTH 40

HWND FindChild(HWND parent, int id, const char *className)
{
    HWND child = FindWindowExA(parent, NULL, className, NULL);
    while (child && id != 0 && GetDlgCtrlID(child) != id)
        child = FindWindowExA(parent, child, className, NULL);
    return child;
}

static BOOL FindClassic(HWND dialog, DialogControls *controls)
{
    HWND toolbar = FindChild(dialog, ID_TOOLBAR, "ToolbarWindow32");
    if (!toolbar)
        toolbar = FindChild(dialog, ID_TOOLBAR_ALT, "ToolbarWindow32");
    HWND edit = FindChild(dialog, ID_FILENAME_EDIT, "Edit");
    HWND combo = FindChild(dialog, ID_FILENAME_COMBO, "ComboBoxEx32");
    HWND ok = FindChild(dialog, IDOK, "Button");
    if (!toolbar || !ok || (!edit && !combo))
        return FALSE;
    controls->toolbar = toolbar;
    controls->edit = edit;
    controls->combo = combo;
    controls->ok = ok;
    controls->button = NULL;
    ProcessNameFromCommandLine(GetCommandLineA(), controls->processName,
                               COUNTOF(controls->processName));
    return TRUE;
}

static RECT RectInDialog(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
    return rect;
}

// Keeps the toolbar inside the dialog's client area: moved left by what
// reaches past the edge, the "Look in" box narrowed to make room.
static void KeepToolbarInView(HWND dialog, const DialogControls *controls)
{
    HWND toolbar = controls->toolbar;
    RECT client;
    if (!toolbar || !GetClientRect(dialog, &client))
        return;
    RECT bar = RectInDialog(dialog, toolbar);
    int over = bar.right - client.right;
    if (over <= 0)
        return;
    int left = bar.left - over > 0 ? bar.left - over : 0;
    HWND lookIn = FindChild(dialog, ID_LOOK_IN, "ComboBox");
    if (lookIn) {
        RECT box = RectInDialog(dialog, lookIn);
        int gap = bar.left > box.right ? bar.left - box.right : 0;
        int width = left - gap - box.left;
        if (width < MIN_LOOK_IN_WIDTH)
            width = MIN_LOOK_IN_WIDTH;
        // A combo box's height includes its drop-down list: keep that.
        RECT dropped = {};
        SendMessageA(lookIn, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&dropped);
        MapWindowPoints(NULL, dialog, (POINT *)&dropped, 2);
        int height = dropped.bottom > box.bottom ? dropped.bottom - box.top : box.bottom - box.top;
        if (width < box.right - box.left)
            SetWindowPos(lookIn, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(toolbar, NULL, left, bar.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Widens the toolbar by what the separator and the button take, and at
// least so far that the button lies inside it: a fixed amount left a part
// of the button cut off. Then keeps it in view.
static void AddClassicButton(HWND dialog, const DialogControls *controls)
{
    HWND toolbar = controls->toolbar;
    int extent = AppendFavouritesButton(toolbar);
    RECT bar, client, button = {};
    if (GetWindowRect(toolbar, &bar) && GetClientRect(toolbar, &client)) {
        SendMessageA(toolbar, TB_GETRECT, IDC_FAVOURITES, (LPARAM)&button);
        int width = bar.right - bar.left + extent;
        int need = button.right + (bar.right - bar.left - client.right);
        if (width < need)
            width = need;
        SetWindowPos(toolbar, HWND_TOP, 0, 0, width, bar.bottom - bar.top, SWP_NOMOVE | SWP_NOOWNERZORDER);
    }
    KeepToolbarInView(dialog, controls);
}

static BOOL ClassicFolder(HWND dialog, char *out)
{
    // The dialog gives up its view and its folder as it ends, and answers
    // with the desktop then.
    if (!FindChild(dialog, 0, "SHELLDLL_DefView"))
        return FALSE;
    WCHAR answer[MAX_PATH + 1] = {};
    return AnsiFolder(answer, SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)answer), out);
}

const DialogKind g_classicDialog = {
    FindClassic, AddClassicButton, KeepToolbarInView, ClassicFolder, TypePathAndPressOk,
};
