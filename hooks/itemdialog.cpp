// The Common Item Dialog (IFileOpenDialog, IFileSaveDialog, and
// GetOpenFileName without hook or template since Vista): recognised by its
// controls and given the same favourites button as the classic dialog.
#include "dialogkind.h"
#include "subclass.h"
#include "hooks.h"
#include "../core/textbuf.h"
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#define ID_NAV_TOOLBAR    0x00C8   // Wine's: a direct child of the dialog
#define ID_FILENAME_EDIT  0x0480
#define ID_FILENAME_COMBO 0x047C
#define ID_COMBO_EDIT     1001     // the edit a drop-down combo box makes

// What a shell view asks its host window for: the browser it lives in.
#define CWM_GETISHELLBROWSER (WM_USER + 7)

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

static BOOL FindItem(HWND dialog, DialogControls *controls)
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

static void AddItemButton(HWND dialog, const DialogControls *controls)
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
    AddPushButton(dialog, controls);
}

static void PlaceItemButton(HWND dialog, const DialogControls *controls)
{
    if (controls->button)
        PlacePushButton(dialog, controls);
}

// The dialog's shell view, a child at any depth; null when there is none.
static BOOL CALLBACK FindShellView(HWND child, LPARAM found)
{
    char cls[20];
    if (GetClassNameA(child, cls, COUNTOF(cls)) && lstrcmpA(cls, "SHELLDLL_DefView") == 0) {
        *(HWND *)found = child;
        return FALSE;
    }
    return TRUE;
}

// The browser hosting the dialog's shell view, lent (not counted); null
// when there is none.
static IShellBrowser *ViewBrowser(HWND dialog)
{
    HWND view = NULL;
    EnumChildWindows(dialog, FindShellView, (LPARAM)&view);
    // A window of another program put into the dialog would hand us a
    // pointer of its own: only our program's windows are asked.
    HWND host = view ? GetParent(view) : NULL;
    if (!host || !WindowOfThisProcess(host))
        return NULL;
    return (IShellBrowser *)SendMessageA(host, CWM_GETISHELLBROWSER, 0, 0);
}

// The folder of the dialog's shell view, asked of the browser hosting it:
// the item dialog has no CDM_GETFOLDERPATH.
static BOOL BrowserFolder(HWND dialog, WCHAR *out)
{
    IShellBrowser *browser = ViewBrowser(dialog);
    IShellView *shellView = NULL;
    IFolderView *folderView = NULL;
    IPersistFolder2 *folder = NULL;
    PIDLIST_ABSOLUTE pidl = NULL;
    BOOL got = FALSE;
    if (browser && SUCCEEDED(browser->QueryActiveShellView(&shellView)) && shellView &&
        SUCCEEDED(shellView->QueryInterface(__uuidof(IFolderView), (void **)&folderView)) && folderView &&
        SUCCEEDED(folderView->GetFolder(__uuidof(IPersistFolder2), (void **)&folder)) && folder &&
        SUCCEEDED(folder->GetCurFolder(&pidl)) && pidl)
        got = SHGetPathFromIDListW(pidl, out);
    CoTaskMemFree(pidl);
    if (folder)
        folder->Release();
    if (folderView)
        folderView->Release();
    if (shellView)
        shellView->Release();
    return got;
}

static BOOL ItemFolder(HWND dialog, char *out)
{
    // The stand-in of Windows' shape answers CDM_GETFOLDERPATH; Wine's
    // dialog answers through its view.
    WCHAR answer[MAX_PATH + 1] = {};
    LRESULT n = SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)answer);
    if (n == 0 && BrowserFolder(dialog, answer))
        n = lstrlenW(answer) + 1;
    return AnsiFolder(answer, n, out);
}

// A folder is browsed to through the view's browser: the field keeps its
// text and OK is not pressed, so a dialog picking folders selects it rather
// than returning it. A file, or a dialog without a view we can reach, gets
// the path typed in.
static void NavigateItem(HWND dialog, const DialogControls *controls, const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    IShellBrowser *browser = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                 ? ViewBrowser(dialog) : NULL;
    PIDLIST_ABSOLUTE pidl = browser ? ILCreateFromPathA(path) : NULL;
    BOOL done = pidl && SUCCEEDED(browser->BrowseObject(pidl, SBSP_ABSOLUTE | SBSP_SAMEBROWSER));
    ILFree(pidl);
    if (!done)
        TypePathAndPressOk(dialog, controls, path);
}

const DialogKind g_itemDialog = {
    FindItem, AddItemButton, PlaceItemButton, ItemFolder, NavigateItem,
};
