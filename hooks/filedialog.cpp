// Dialog augmentation: the dialog hook recognises the dialogs of every kind
// at WM_INITDIALOG, subclasses them so that the button and the menu's
// commands reach us, and adds the favourites button; what the kinds share.
#include "hooks.h"
#include "filedialog.h"
#include "dialogkind.h"
#include "favadd.h"
#include "favmenu.h"
#include "recent.h"
#include "subclass.h"
#include "../core/exports.h"
#include "../core/ini.h"
#include "../core/shared.h"
#include "../core/textbuf.h"
#include <commctrl.h>
#include <shlwapi.h>

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

static const char kButtonText[] = "Brivane";

void AddPushButton(HWND dialog, const DialogControls *controls)
{
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
    PlacePushButton(dialog, &placed);
}

// Whether a visible control of the dialog other than button lies in place
// (dialog client coordinates).
static BOOL PlaceTaken(HWND dialog, HWND button, const RECT *place)
{
    RECT other, both;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == button || !IsWindowVisible(child) || !GetWindowRect(child, &other))
            continue;
        MapWindowPoints(NULL, dialog, (POINT *)&other, 2);
        if (IntersectRect(&both, place, &other))
            return TRUE;
    }
    return FALSE;
}

void PlacePushButton(HWND dialog, const DialogControls *controls)
{
    RECT ok;
    if (!GetWindowRect(controls->ok, &ok))
        return;
    MapWindowPoints(NULL, dialog, (POINT *)&ok, 2);
    // As large as OK (its text is no longer than a button's usual), with
    // the usual dialog-unit gap to its left.
    RECT units = { 0, 0, 4, 0 };
    MapDialogRect(dialog, &units);
    int width = ok.right - ok.left, height = ok.bottom - ok.top;
    RECT place = { ok.left - units.right - width, ok.top, ok.left - units.right, ok.bottom };
    // Where a control of the dialog's own lies there (a picker's "Make New
    // Folder"), the button goes above OK, if that place is free.
    RECT above = { ok.right - width, ok.top - units.right - height, ok.right, ok.top - units.right };
    if (PlaceTaken(dialog, controls->button, &place) && !PlaceTaken(dialog, controls->button, &above))
        place = above;
    // Just before OK in the tab order, so the keyboard reaches it there.
    HWND before = GetWindow(controls->ok, GW_HWNDPREV);
    UINT keep = before == controls->button ? SWP_NOZORDER : 0;
    SetWindowPos(controls->button, before ? before : HWND_TOP, place.left, place.top, width, height,
                 SWP_NOACTIVATE | keep);
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

static const DialogKind *const kKinds[DIALOG_KINDS] = {
    NULL, &g_classicDialog, &g_itemDialog, &g_folderPicker,
};

const DialogKind *KindOf(HWND dialog)
{
    return kKinds[SubclassedKind(dialog)];
}

void NavigateDialog(HWND dialog, const DialogControls *controls, const char *path)
{
    const DialogKind *kind = KindOf(dialog);
    if (kind)
        kind->navigate(dialog, controls, path);
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
    while (!kKinds[kind]->find(dialog, &controls))
        if (++kind == DIALOG_KINDS)
            return FALSE;
    if (controls.processName[0] && IniGetInt("exception", controls.processName, 0) == 1)
        return FALSE;

    // Subclassed first: a button nobody answers would be worse than none,
    // and a dialog we failed to subclass is left exactly as it was.
    if (!SubclassDialog(dialog, kind))
        return FALSE;
    kKinds[kind]->addButton(dialog, &controls);
    return TRUE;
}

void TypePathAndPressOk(HWND dialog, const DialogControls *controls, const char *path)
{
    HWND target = controls->combo ? controls->combo : controls->edit;
    // Kept on this stack: pressing OK runs the dialog's own code, and other
    // threads of the program may use the shared buffers meanwhile.
    char saved[MAX_PATH];
    saved[0] = '\0';
    GetWindowTextA(target, saved, COUNTOF(saved));
    SetWindowTextA(target, path);
    SetFocus(target);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    // The dialog may have closed on a file path; the text goes back only
    // into a field that still exists.
    if (IsWindow(target))
        SetWindowTextA(target, saved);
}

void FavouritesKey(MSG *msg)
{
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
        return;
    HWND dialog = GetAncestor(msg->hwnd, GA_ROOT);
    if (SubclassedKind(dialog) == DIALOG_NONE)
        return;
    WORD id = msg->wParam == FAVOURITES_KEY ? IDC_FAVOURITES : IDM_OPEN_LAST;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 1), 0);
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

static void OnCommand(HWND dialog, const DialogKind *kind, WPARAM wParam)
{
    // The button's command comes as a click (0) or from a key (1, as an
    // accelerator's); the menu's commands come with 0.
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    BOOL fromKey = code == 1 && (id == IDC_FAVOURITES || id == IDM_OPEN_LAST);
    if (!fromKey && (code != 0 || (id != IDC_FAVOURITES && id < IDM_ADD_GLOBAL)))
        return;
    // The controls of the dialog that got the command, not of the one
    // recognised last: two file dialogs may be open at once.
    DialogControls controls;
    if (!kind->find(dialog, &controls))
        return;
    if (id == IDC_FAVOURITES) {
        // Opened from the keyboard, the menu starts with its first item
        // selected: the menu's loop takes the key posted before it starts.
        if (code == 1)
            PostMessageA(dialog, WM_KEYDOWN, VK_DOWN, 0);
        ShowFavouritesMenu(dialog, &controls);
    } else if (id == IDM_FAV_EDIT)
        EditIni_(g_instance, dialog);
    else
        FavouritesCommand(dialog, &controls, id);
}

// OK, and the dialog ended on it: the folder chosen goes first in the
// recent list. That is the folder of a file whose path was typed in (OK
// opens it), else the folder the dialog showed, or its picker selected,
// when OK was pressed: once the dialog has ended it may no longer tell.
static LRESULT OnOk(HWND dialog, const DialogKind *kind, WNDPROC previous, WPARAM wParam, LPARAM lParam)
{
    DialogControls controls;
    HWND field = kind->find(dialog, &controls) ? (controls.combo ? controls.combo : controls.edit) : NULL;
    char chosen[MAX_PATH];
    DWORD attributes;
    if (field && GetWindowTextA(field, chosen, COUNTOF(chosen)) && IsFullyQualifiedPath(chosen, MAX_PATH) &&
        (attributes = GetFileAttributesA(chosen)) != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        PathRemoveFileSpecA(chosen);
    else if (!kind->folder(dialog, chosen))
        chosen[0] = '\0';
    LRESULT result = CallWindowProcA(previous, dialog, WM_COMMAND, wParam, lParam);
    // A dialog that ends hides itself at once; one that went to a folder
    // stays in view.
    DialogOutcome *outcome = OutcomeOf(dialog);
    if (outcome && chosen[0] && IsWindow(dialog) && !IsWindowVisible(dialog)) {
        outcome->recorded = TRUE;
        RecentFolders_Add(chosen);
    }
    return result;
}

// A dialog that ended other than by Cancel or OK (a double click on a file,
// say) chose something too: the folder it shows still, if it can tell. One
// still in view did not end: its program is closing it.
static void OnDestroy(HWND dialog, const DialogKind *kind)
{
    DialogOutcome *outcome = OutcomeOf(dialog);
    char folder[MAX_PATH];
    if (outcome && !outcome->cancelled && !outcome->recorded && !IsWindowVisible(dialog) &&
        kind->folder(dialog, folder))
        RecentFolders_Add(folder);
}

LRESULT CALLBACK FavouritesDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = PreviousDialogProc(dialog);
    const DialogKind *kind = KindOf(dialog);
    switch (msg) {
    case WM_NOTIFY:
        if (OnNotify(wParam, (NMHDR *)lParam))
            return 0;   // the tooltip is ours alone
        break;
    case WM_COMMAND:
        if (!kind || HIWORD(wParam) > 1)
            break;
        if (LOWORD(wParam) == IDCANCEL && OutcomeOf(dialog))
            OutcomeOf(dialog)->cancelled = TRUE;
        if (LOWORD(wParam) == IDOK)
            return OnOk(dialog, kind, previous, wParam, lParam);
        OnCommand(dialog, kind, wParam);
        break;   // every command goes on to the dialog as well
    case WM_INITMENUPOPUP:
        // Our menu's submenus are filled as they open; the dialog's own
        // menus (a list's context menu) pass by.
        if (kind && !HIWORD(lParam))
            FavouritesMenuOpening(dialog, (HMENU)wParam);
        break;
    case WM_SIZE: {
        // The dialog lays out its controls first; then the button is put
        // back in view.
        LRESULT result = CallWindowProcA(previous, dialog, msg, wParam, lParam);
        DialogControls controls;
        if (wParam != SIZE_MINIMIZED && kind && kind->find(dialog, &controls))
            kind->place(dialog, &controls);
        return result;
    }
    case WM_DESTROY:
        if (kind)
            OnDestroy(dialog, kind);
        break;
    case WM_NCDESTROY:
        RemoveSubclass(dialog, previous);
        break;
    }
    return CallWindowProcA(previous, dialog, msg, wParam, lParam);
}
