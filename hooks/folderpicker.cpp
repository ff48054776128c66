// The Browse for Folder dialog (SHBrowseForFolder): a dialog with a tree of
// folders and OK. It gets the push button beside OK; an entry chosen from
// the menu is selected in the tree, and the picker's own OK returns it.
#include "filedialog.h"
#include "../core/textbuf.h"
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

// The tree's id in the dialog's template; Windows' newer look keeps the
// tree inside a control of its own.
#define ID_FOLDER_TREE 0x3741
static const char kNamespaceControl[] = "SHBrowseForFolder ShellNameSpace Control";
// Folders deeper than this under their drive are not told.
#define MAX_TREE_DEPTH 64

static BOOL FindPicker(HWND dialog, DialogControls *controls)
{
    HWND tree = FindChild(dialog, ID_FOLDER_TREE, WC_TREEVIEWA);
    HWND space = tree ? NULL : FindChild(dialog, 0, kNamespaceControl);
    if (space)
        tree = FindChild(space, 0, WC_TREEVIEWA);
    HWND ok = FindChild(dialog, IDOK, "Button");
    if (!tree || !ok)
        return FALSE;
    controls->toolbar = NULL;
    controls->edit = NULL;
    controls->combo = NULL;
    controls->ok = ok;
    controls->button = FindChild(dialog, IDC_FAVOURITES, "Button");
    controls->tree = tree;
    ProcessNameFromCommandLine(GetCommandLineA(), controls->processName, COUNTOF(controls->processName));
    return TRUE;
}

static BOOL ItemText(HWND tree, HTREEITEM item, char *text, int cap)
{
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = cap;
    text[0] = '\0';
    return (BOOL)SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
}

// The drive letter an item's text names ("Local Disk (C:)", "C:\"), or 0.
// No folder's name holds a colon, so only drives match.
static char DriveOf(const char *text)
{
    for (const char *c = text; *c; c++)
        if (c[1] == ':' && (c[2] == ')' || c[2] == '\\' || !c[2]) &&
            ((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z')))
            return *c;
    return 0;
}

// The folder selected in the tree: the tree shows display names, so the
// path is built from the drive an ancestor names and the names below it,
// and taken only when that folder exists. Folders reached otherwise (on the
// desktop, in libraries, on the network) are not told.
static BOOL PickerFolder(HWND dialog, char *out)
{
    DialogControls controls;
    if (!FindPicker(dialog, &controls))
        return FALSE;
    HTREEITEM chain[MAX_TREE_DEPTH];
    int depth = 0;
    char text[MAX_PATH], drive = 0;
    for (HTREEITEM item = TreeView_GetSelection(controls.tree); item && !drive && depth < MAX_TREE_DEPTH;
         item = TreeView_GetParent(controls.tree, item)) {
        ItemText(controls.tree, item, text, COUNTOF(text));
        drive = DriveOf(text);
        chain[depth++] = item;
    }
    if (!drive)
        return FALSE;
    char path[MAX_PATH] = { drive, ':', '\\', '\0' };
    for (int i = depth - 2; i >= 0; i--) {
        ItemText(controls.tree, chain[i], text, COUNTOF(text));
        if (!text[0] || StrChrA(text, '\\') || !BufJoin(path, COUNTOF(path), path, text) ||
            (i > 0 && !BufJoin(path, COUNTOF(path), path, "\\")))
            return FALSE;
    }
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    return BufSet(out, MAX_PATH, path) > 0;
}

static void PlacePickerButton(HWND dialog, const DialogControls *controls)
{
    if (controls->button)
        PlacePushButton(dialog, controls);
}

// A selection asked for again: the picker drops one that comes while it
// fills its tree anew, which it does after a change in a folder it shows
// (Wine's does, after a file was written beside the folders). One slot: one
// pending selection per program.
static struct {
    HWND dialog;
    int triesLeft;
    char path[MAX_PATH];
} s_pending;

static BOOL SelectionIs(HWND dialog, const char *path)
{
    char now[MAX_PATH];
    return PickerFolder(dialog, now) && !lstrcmpiA(now, path);
}

// Selected, not returned: the picker's OK is left to the user.
static void SelectInPicker(HWND dialog, const DialogControls *, const char *path)
{
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)path);
    if (SelectionIs(dialog, path) || !BufSet(s_pending.path, COUNTOF(s_pending.path), path))
        return;
    s_pending.dialog = dialog;
    s_pending.triesLeft = PICKER_RETRIES;
    SetTimer(dialog, PICKER_RETRY_TIMER, PICKER_RETRY_MS, NULL);
}

void RetryPickerSelection(HWND dialog)
{
    if (dialog != s_pending.dialog || s_pending.triesLeft-- <= 0) {
        KillTimer(dialog, PICKER_RETRY_TIMER);
        return;
    }
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)s_pending.path);
    if (SelectionIs(dialog, s_pending.path)) {
        KillTimer(dialog, PICKER_RETRY_TIMER);
        s_pending.dialog = NULL;
    }
}

const DialogKind g_folderPicker = {
    FindPicker, AddPushButton, PlacePickerButton, PickerFolder, SelectInPicker,
};
