// File-dialog augmentation: the dialog hook recognises file dialogs of both
// kinds at WM_INITDIALOG, subclasses them so that the button and the menu's
// commands reach us, and adds the favourites button.
#include "hooks.h"
#include "filedialog.h"
#include "../core/exports.h"
#include "../core/ini.h"
#include "../core/shared.h"
#include "../core/textbuf.h"
#include <commctrl.h>

// The classic dialog's "Look in" box, narrowed when the toolbar needs room;
// never below a width that still shows the start of a folder's name.
#define ID_LOOK_IN        0x0471
#define MIN_LOOK_IN_WIDTH 40

static RECT RectInDialog(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
    return rect;
}

HWND CreateTooltip(HWND dialog)
{
    // Owned by the dialog, the tooltip goes when the dialog goes.
    return CreateWindowExA(0, TOOLTIPS_CLASSA, NULL, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, dialog, NULL,
                           (HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE), NULL);
}

int AppendFavouritesButton(HWND toolbar)
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

    // The toolbar adds a tool for each button inserted once it has tooltips.
    if (!SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0)) {
        HWND tips = CreateTooltip(GetParent(toolbar));
        if (tips)
            SendMessageA(toolbar, TB_SETTOOLTIPS, (WPARAM)tips, 0);
    }
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

    int index = (int)SendMessageA(toolbar, TB_COMMANDTOINDEX, IDC_FAVOURITES, 0);
    RECT sep = {}, own = {};
    if (index < 1 || !SendMessageA(toolbar, TB_GETITEMRECT, index - 1, (LPARAM)&sep) ||
        !SendMessageA(toolbar, TB_GETITEMRECT, index, (LPARAM)&own))
        return 0;
    return (sep.right - sep.left) + (own.right - own.left);
}

// Widens the classic dialog's toolbar by what the separator and the button
// take, and at least so far that the button lies inside it: a fixed amount
// left a part of the button cut off.
static void WidenToolbar(HWND toolbar, int extent)
{
    RECT bar, client, button = {};
    if (!GetWindowRect(toolbar, &bar) || !GetClientRect(toolbar, &client))
        return;
    SendMessageA(toolbar, TB_GETRECT, IDC_FAVOURITES, (LPARAM)&button);
    int width = bar.right - bar.left + extent;
    int need = button.right + (bar.right - bar.left - client.right);
    if (width < need)
        width = need;
    SetWindowPos(toolbar, HWND_TOP, 0, 0, width, bar.bottom - bar.top, SWP_NOMOVE | SWP_NOOWNERZORDER);
}

// Keeps the classic dialog's toolbar inside the dialog's client area: moved
// left by what reaches past the edge, the "Look in" box narrowed to make room.
static void KeepToolbarInView(HWND dialog, HWND toolbar)
{
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

POINT MenuAnchor(const DialogControls *controls)
{
    POINT at = {};
    RECT rect;
    if (controls->toolbar && GetWindowRect(controls->toolbar, &rect)) {
        RECT button = {};
        SendMessageA(controls->toolbar, TB_GETRECT, IDC_FAVOURITES, (LPARAM)&button);
        at.x = rect.left + button.left;
        at.y = rect.bottom;
    } else if (controls->button && GetWindowRect(controls->button, &rect)) {
        at.x = rect.left;
        at.y = rect.bottom;
    }
    return at;
}

static BOOL FindControls(HWND dialog, int kind, DialogControls *controls)
{
    if (kind == DIALOG_CLASSIC)
        return FindDialogControls(dialog, controls);
    return kind == DIALOG_ITEM && FindItemDialogControls(dialog, controls);
}

BOOL AugmentFileDialog(HWND dialog)
{
    char className[16];
    if (!GetClassNameA(dialog, className, COUNTOF(className)) || lstrcmpA(className, "#32770") != 0)
        return FALSE;
    // A 32-bit module may run hooks of 64-bit programs in the host's own
    // process: their windows are not ours to subclass.
    if (!WindowOfThisProcess(dialog) || SubclassedKind(dialog) != DIALOG_NONE)
        return FALSE;
    DialogControls controls;
    int kind = DIALOG_CLASSIC;
    if (!FindDialogControls(dialog, &controls)) {
        kind = DIALOG_ITEM;
        if (!FindItemDialogControls(dialog, &controls))
            return FALSE;
    }
    if (controls.processName[0] && IniGetInt("exception", controls.processName, 0) == 1)
        return FALSE;

    // Subclassed first: a button nobody answers would be worse than none,
    // and a dialog we failed to subclass is left exactly as it was.
    if (!SubclassDialog(dialog, kind))
        return FALSE;
    if (kind == DIALOG_ITEM) {
        AddItemDialogButton(dialog, &controls);
        return TRUE;
    }
    WidenToolbar(controls.toolbar, AppendFavouritesButton(controls.toolbar));
    KeepToolbarInView(dialog, controls.toolbar);
    return TRUE;
}

void FavouritesKey(MSG *msg)
{
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
        return;
    HWND dialog = GetAncestor(msg->hwnd, GA_ROOT);
    if (SubclassedKind(dialog) == DIALOG_NONE)
        return;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FAVOURITES, 1), 0);
    msg->message = WM_NULL;   // taken: no character, no other handler
}

LRESULT CALLBACK DialogHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Runs for every message of every program: the two cheap tests first.
    const CWPRETSTRUCT *ret = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && ret->message == WM_INITDIALOG)
        AugmentFileDialog(ret->hwnd);
    else if (code == HC_ACTION && (ret->message == WM_WINDOWPOSCHANGED || ret->message == WM_NCDESTROY))
        HintHost(ret);
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
        info->lpszText = (LPSTR)FAVOURITES_TIP;
        info->hinst = NULL;
        return TRUE;
    }
    if (header->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW *info = (NMTTDISPINFOW *)header;
        info->lpszText = (LPWSTR)(L"" FAVOURITES_TIP);
        info->hinst = NULL;
        return TRUE;
    }
    return FALSE;
}

static void OnCommand(HWND dialog, int kind, WPARAM wParam)
{
    // The button's command comes as a click (0) or from the key (1, as an
    // accelerator's); the menu's commands come with 0.
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_FAVOURITES ? code > 1 : (code != 0 || id < IDM_ADD_GLOBAL))
        return;
    // The controls of the dialog that got the command, not of the one
    // recognised last: two file dialogs may be open at once.
    DialogControls controls;
    if (!FindControls(dialog, kind, &controls))
        return;
    if (id == IDC_FAVOURITES) {
        // Opened from the keyboard, the menu starts with its first item
        // selected: the menu's loop takes the key posted before it starts.
        if (code == 1)
            PostMessageA(dialog, WM_KEYDOWN, VK_DOWN, 0);
        ShowFavouritesMenu(dialog, &controls);
    } else if (id == IDM_ADD_GLOBAL)
        AddCurrentFolder(dialog, "global");
    else if (id == IDM_ADD_PROGRAM)
        AddCurrentFolder(dialog, controls.processName);
    else if (id == IDM_FAV_EDIT)
        EditIni_(g_instance, dialog);
    else if (id < IDM_FAV_PROGRAM)
        ApplyEntry(dialog, &controls, id - IDM_FAV_GLOBAL, "global");
    else if (controls.processName[0])
        ApplyEntry(dialog, &controls, id - IDM_FAV_PROGRAM, controls.processName);
}

static void OnSize(HWND dialog, int kind)
{
    DialogControls controls;
    if (!FindControls(dialog, kind, &controls))
        return;
    if (kind == DIALOG_CLASSIC)
        KeepToolbarInView(dialog, controls.toolbar);
    else if (controls.button)
        PlaceItemDialogButton(dialog, &controls);
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
        OnCommand(dialog, SubclassedKind(dialog), wParam);
        break;   // every command goes on to the dialog as well
    case WM_SIZE: {
        // The dialog lays out its controls first; then the button is put
        // back in view.
        LRESULT result = CallWindowProcA(previous, dialog, msg, wParam, lParam);
        if (wParam != SIZE_MINIMIZED)
            OnSize(dialog, SubclassedKind(dialog));
        return result;
    }
    case WM_NCDESTROY:
        RemoveSubclass(dialog, previous);
        break;
    }
    return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}
