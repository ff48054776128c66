// File-dialog augmentation: the dialog hook recognises standard file dialogs
// at WM_INITDIALOG, appends the favourites button to their toolbar and
// subclasses them so that the button and the menu's commands reach us.
#include "hooks.h"
#include "filedialog.h"
#include "../core/exports.h"
#include "../core/ini.h"
#include "../core/shared.h"
#include "../core/textbuf.h"
#include <commctrl.h>

#define TOOLBAR_EXTRA_WIDTH 16

static BOOL BelongsToThisProcess(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == GetCurrentProcessId();
}

static void AddFavouritesButton(HWND toolbar)
{
    // Without an image list the button still works, showing no image.
    int image = I_IMAGENONE;
    HIMAGELIST list = (HIMAGELIST)SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0);
    HICON icon = LoadIconA(g_instance, "Favico");
    if (list && icon) {
        int added = ImageList_ReplaceIcon(list, -1, icon);
        if (added >= 0)
            image = added;
        SendMessageA(toolbar, TB_SETIMAGELIST, 0, (LPARAM)list);
    }

    RECT rect;
    if (GetWindowRect(toolbar, &rect))
        SetWindowPos(toolbar, HWND_TOP, 0, 0, rect.right - rect.left + TOOLBAR_EXTRA_WIDTH,
                     rect.bottom - rect.top, SWP_NOMOVE | SWP_NOOWNERZORDER);

    int count = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    TBBUTTON separator = {};
    separator.fsState = TBSTATE_ENABLED;
    separator.fsStyle = TBSTYLE_SEP;
    SendMessageA(toolbar, TB_INSERTBUTTONA, count, (LPARAM)&separator);
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = IDC_FAVOURITES;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = TBSTYLE_BUTTON;
    SendMessageA(toolbar, TB_INSERTBUTTONA, count + 1, (LPARAM)&button);
}

BOOL AugmentFileDialog(HWND dialog)
{
    char className[16];
    if (!GetClassNameA(dialog, className, COUNTOF(className)) || lstrcmpA(className, "#32770") != 0)
        return FALSE;
    // A 32-bit module may run hooks of 64-bit programs in the host's own
    // process: their windows are not ours to subclass.
    if (!BelongsToThisProcess(dialog) || SubclassedKind(dialog) != DIALOG_NONE)
        return FALSE;
    DialogControls controls;
    if (!FindDialogControls(dialog, &controls))
        return FALSE;
    if (controls.processName[0] && IniGetInt("exception", controls.processName, 0) == 1)
        return FALSE;

    // Subclassed first: a button nobody answers would be worse than none,
    // and a dialog we failed to subclass is left exactly as it was.
    if (!SubclassDialog(dialog, DIALOG_CLASSIC))
        return FALSE;
    AddFavouritesButton(controls.toolbar);
    return TRUE;
}

LRESULT CALLBACK DialogHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Runs for every message of every program: the two cheap tests first.
    const CWPRETSTRUCT *ret = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && ret->message == WM_INITDIALOG)
        AugmentFileDialog(ret->hwnd);
    return CallNextHookEx(g_hooks[HOOK_DIALOG], code, wParam, lParam);
}

// --- the subclass -------------------------------------------------------------

static BOOL OnNotify(WPARAM id, NMHDR *header)
{
    if (id != IDC_FAVOURITES || !header)
        return FALSE;
    // The toolbar asks in the character set its parent had when it was
    // created; a Unicode dialog asks with the wide code.
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA *info = (NMTTDISPINFOA *)header;
        info->lpszText = (LPSTR)"Brivane";
        info->hinst = NULL;
        return TRUE;
    }
    if (header->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW *info = (NMTTDISPINFOW *)header;
        info->lpszText = (LPWSTR)L"Brivane";
        info->hinst = NULL;
        return TRUE;
    }
    return FALSE;
}

static void OnCommand(HWND dialog, WPARAM wParam)
{
    WORD id = LOWORD(wParam);
    if (id != IDC_FAVOURITES && (HIWORD(wParam) != 0 || id < IDM_FAV_EDIT))
        return;
    // The controls of the dialog that got the command, not of the one
    // recognised last: two file dialogs may be open at once.
    DialogControls controls;
    if (!FindDialogControls(dialog, &controls))
        return;
    if (id == IDC_FAVOURITES)
        ShowFavouritesMenu(dialog, &controls);
    else if (id == IDM_FAV_EDIT)
        EditIni_(g_instance, dialog);
    else if (id < IDM_FAV_PROGRAM)
        ApplyEntry(dialog, &controls, id - IDM_FAV_GLOBAL, "global");
    else if (controls.processName[0])
        ApplyEntry(dialog, &controls, id - IDM_FAV_PROGRAM, controls.processName);
}

LRESULT CALLBACK FavouritesDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = PreviousDialogProc(dialog);
    switch (msg) {
    case WM_NOTIFY:
        if (OnNotify(wParam, (NMHDR *)lParam))
            return 0;   // the tooltip is ours alone
        break;
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        break;   // every command goes on to the dialog as well
    case WM_NCDESTROY:
        RemoveSubclass(dialog, previous);
        break;
    }
    return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}
