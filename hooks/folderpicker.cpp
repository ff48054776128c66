// The Browse for Folder dialog (SHBrowseForFolder): a dialog with a tree of
// folders and OK. It gets the push button beside OK; an entry chosen from
// the menu is selected in the tree, and the picker's own OK returns it.
#include "dialogkind.h"
#include "subclass.h"
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

static BOOL SelectionIs(HWND dialog, const char *path)
{
    char now[MAX_PATH];
    return PickerFolder(dialog, now) && !lstrcmpiA(now, path);
}

// The child of item named name (case ignored), item filled first; null
// when it has none.
static HTREEITEM ChildNamed(HWND tree, HTREEITEM item, const char *name)
{
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
    char text[MAX_PATH];
    for (HTREEITEM child = TreeView_GetChild(tree, item); child; child = TreeView_GetNextSibling(tree, child))
        if (ItemText(tree, child, text, COUNTOF(text)) && !lstrcmpiA(text, name))
            return child;
    return NULL;
}

static BOOL NamesDrive(HWND tree, HTREEITEM item, char drive)
{
    char text[MAX_PATH];
    ItemText(tree, item, text, COUNTOF(text));
    char named = DriveOf(text);
    return named && (named | 0x20) == (drive | 0x20);
}

// The item of the drive: an ancestor of the selection, or an item the tree
// shows already one or two levels under its top ("Computer"'s drives).
// Nothing is expanded to find it: a network would be asked.
static HTREEITEM DriveItem(HWND tree, char drive)
{
    for (HTREEITEM item = TreeView_GetSelection(tree); item; item = TreeView_GetParent(tree, item))
        if (NamesDrive(tree, item, drive))
            return item;
    for (HTREEITEM top = TreeView_GetRoot(tree); top; top = TreeView_GetNextSibling(tree, top))
        for (HTREEITEM item = TreeView_GetChild(tree, top); item; item = TreeView_GetNextSibling(tree, item)) {
            if (NamesDrive(tree, item, drive))
                return item;
            for (HTREEITEM sub = TreeView_GetChild(tree, item); sub; sub = TreeView_GetNextSibling(tree, sub))
                if (NamesDrive(tree, sub, drive))
                    return sub;
        }
    return NULL;
}

// The folder's item found by its names from its drive down, and selected:
// the picker takes the selection from the tree's own notice.
static void SelectByNames(HWND tree, const char *path)
{
    if (!path[0] || path[1] != ':' || path[2] != '\\')
        return;
    HTREEITEM item = DriveItem(tree, path[0]);
    char name[MAX_PATH];
    for (const char *p = path + 3; item && *p;) {
        const char *end = StrChrA(p, '\\');
        size_t n = end ? (size_t)(end - p) : (size_t)lstrlenA(p);
        if (n && !(BufSetN(name, COUNTOF(name), p, n) == n && (item = ChildNamed(tree, item, name)) != NULL))
            return;
        p += n + (end ? 1 : 0);
    }
    if (item) {
        TreeView_SelectItem(tree, item);
        TreeView_EnsureVisible(tree, item);
    }
}

// Selected, not returned: the picker's OK is left to the user. Wine's
// picker finds the folder by comparing each level's shell item with the
// one it made when it listed that level, bytes and all; those hold the
// folder's times, so a folder written in (the configuration file's, say)
// or first read since then is not found, and nothing is selected. The
// tree is then walked by the folders' names.
static void SelectInPicker(HWND dialog, const DialogControls *controls, const char *path)
{
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM)path);
    if (!SelectionIs(dialog, path))
        SelectByNames(controls->tree, path);
}

const DialogKind g_folderPicker = {
    FindPicker, AddPushButton, PlacePickerButton, PickerFolder, SelectInPicker,
};
