// Client commands for the file-dialog tests. Every dialog runs on a thread
// of its own, so that the control window stays free to inspect it while it
// is modal (menus and toolbars can only be read from inside this process).
#undef _WIN32_IE
#define _WIN32_IE 0x0700   // the item dialog's helpers
#include "support/client.h"
#include "core/shared.h"
#include "support/png.h"
#include <commctrl.h>
#include <commdlg.h>
#include <shobjidl.h>
#include <shlobj.h>
#include <algorithm>
#include <stdio.h>
#include <map>
#include <mutex>

namespace {

// Pumps this thread's messages until pred holds or timeoutMs passes.
template <class Pred> bool PumpUntil(Pred pred, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return pred();
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

std::string Num(long long v)
{
    char buf[32];
    sprintf(buf, "%lld", v);
    return buf;
}

struct FakeLayout;
struct ItemEvents;

// One dialog's thread. Written by that thread only before it starts its
// dialog and after the dialog ended; read by the control thread.
struct DialogThread {
    HANDLE thread = NULL;
    DWORD threadId = 0;
    std::string result = "running";
    FakeLayout *fake = nullptr;
    ItemEvents *events = nullptr;   // item dialogs: the folder they are in
};

std::map<HWND, DialogThread *> s_dialogs;

struct ThreadWindowQuery { const char *cls; bool visibleOnly; HWND found; };

BOOL CALLBACK MatchThreadWindow(HWND w, LPARAM lp)
{
    ThreadWindowQuery *q = (ThreadWindowQuery *)lp;
    char cls[64];
    GetClassNameA(w, cls, sizeof(cls));
    if (lstrcmpA(cls, q->cls) == 0 && (!q->visibleOnly || IsWindowVisible(w))) {
        q->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND ThreadWindow(DWORD threadId, const char *cls, bool visibleOnly = true)
{
    ThreadWindowQuery q = { cls, visibleOnly, NULL };
    EnumThreadWindows(threadId, MatchThreadWindow, (LPARAM)&q);
    return q.found;
}

// Runs body on a new thread and waits for a window of class cls on it.
std::string StartDialogThread(DialogThread *t, LPTHREAD_START_ROUTINE body, void *param,
                              const char *cls = "#32770")
{
    t->thread = CreateThread(NULL, 0, body, param, 0, &t->threadId);
    HWND dialog = NULL;
    if (!PumpUntil([&] { return (dialog = ThreadWindow(t->threadId, cls)) != NULL; }))
        return "no dialog";
    s_dialogs[dialog] = t;
    return Hwnd2Str(dialog);
}

// --- common dialogs ---------------------------------------------------------

struct FileDialogParams {
    bool save;
    std::string dir;
    DialogThread *owner;
    bool pick;          // item dialog: picks folders; picker: the newer look
};

char s_fileBuffers[8][MAX_PATH];
int s_nextBuffer;

DWORD WINAPI FileDialogThread(void *p)
{
    FileDialogParams *params = (FileDialogParams *)p;
    char *file = s_fileBuffers[s_nextBuffer++ % 8];
    file[0] = '\0';
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFilter = "All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = params->dir.empty() ? NULL : params->dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
    BOOL ok = params->save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    params->owner->result = ok ? std::string("chosen ") + file : "cancelled";
    delete params;
    return 0;
}

// --- the Common Item Dialog -------------------------------------------------

std::string Narrow(const WCHAR *w)
{
    char out[2 * MAX_PATH];
    if (!w || !WideCharToMultiByte(CP_ACP, 0, w, -1, out, sizeof(out), NULL, NULL))
        return "";
    return out;
}

// Records the folder the dialog shows, as the dialog itself reports it at
// each change; read by the control thread.
struct ItemEvents : IFileDialogEvents {
    LONG refs = 1;
    std::mutex lock;
    std::string folder, log;

    std::string Folder()
    {
        std::lock_guard<std::mutex> hold(lock);
        return folder;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IFileDialogEvents) {
            *out = static_cast<IFileDialogEvents *>(this);
            AddRef();
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs); }   // owned by its thread
    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog *, IShellItem *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog *dialog) override
    {
        IShellItem *item = NULL;
        std::string path = "?";
        if (SUCCEEDED(dialog->GetFolder(&item)) && item) {
            WCHAR *name = NULL;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
                path = Narrow(name);
                CoTaskMemFree(name);
            }
            item->Release();
        }
        std::lock_guard<std::mutex> hold(lock);
        folder = path;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog *, IShellItem *, FDE_SHAREVIOLATION_RESPONSE *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog *, IShellItem *, FDE_OVERWRITE_RESPONSE *) override { return S_OK; }
};

DWORD WINAPI ItemDialogThread(void *p)
{
    FileDialogParams *params = (FileDialogParams *)p;
    DialogThread *owner = params->owner;
    std::string result = "no dialog";
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IFileDialog *dialog = NULL;
    HRESULT hr = params->save
                     ? CoCreateInstance(CLSID_FileSaveDialog, NULL, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog, (void **)&dialog)
                     : CoCreateInstance(CLSID_FileOpenDialog, NULL, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog, (void **)&dialog);
    if (SUCCEEDED(hr)) {
        if (!params->dir.empty()) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, params->dir.c_str(), -1, wide, MAX_PATH);
            IShellItem *start = NULL;
            if (SUCCEEDED(SHCreateItemFromParsingName(wide, NULL, IID_IShellItem, (void **)&start))) {
                dialog->SetFolder(start);
                start->Release();
            }
        }
        if (params->pick) {
            FILEOPENDIALOGOPTIONS options = 0;
            dialog->GetOptions(&options);
            dialog->SetOptions(options | FOS_PICKFOLDERS);
        }
        DWORD cookie = 0;
        dialog->Advise(owner->events, &cookie);
        hr = dialog->Show(NULL);
        result = "cancelled";
        IShellItem *chosen = NULL;
        if (SUCCEEDED(hr) && SUCCEEDED(dialog->GetResult(&chosen))) {
            WCHAR *name = NULL;
            chosen->GetDisplayName(SIGDN_FILESYSPATH, &name);
            result = "chosen " + Narrow(name);
            CoTaskMemFree(name);
            chosen->Release();
        }
        dialog->Unadvise(cookie);
        dialog->Release();
    }
    CoUninitialize();
    owner->result = result;
    delete params;
    return 0;
}

// --- the Browse for Folder dialog ------------------------------------------------

int CALLBACK PickerCallback(HWND dialog, UINT msg, LPARAM, LPARAM start)
{
    if (msg == BFFM_INITIALIZED && start)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

DWORD WINAPI PickerThread(void *p)
{
    FileDialogParams *params = (FileDialogParams *)p;
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    char name[MAX_PATH] = "", path[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.pszDisplayName = name;
    info.lpszTitle = "Pick a folder";
    info.ulFlags = BIF_RETURNONLYFSDIRS | (params->pick ? BIF_NEWDIALOGSTYLE : 0);
    info.lpfn = PickerCallback;
    info.lParam = params->dir.empty() ? 0 : (LPARAM)params->dir.c_str();
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    std::string result = chosen && SHGetPathFromIDListA(chosen, path) ? std::string("chosen ") + path : "cancelled";
    CoTaskMemFree(chosen);
    CoUninitialize();
    params->owner->result = result;
    delete params;
    return 0;
}

// A dialog template with no controls: the test dialogs make their own in
// WM_INITDIALOG, before the hook sees the dialog.
struct EmptyTemplate {
    DLGTEMPLATE t;
    WORD menu, cls, title;
};

struct FakeLayout {
    int toolbarId;      // 0: none
    bool edit, combo, ok, imageList, unicode;
    int ownSubclass;    // 0, or which of our subclass procedures the program puts in first
    std::string log;    // WM_COMMANDs seen: id.hi[=field text at IDOK]
    std::string folder; // the stand-in item dialog's folder
};

// The program's own subclass, put in before the dialog procedure sees
// WM_INITDIALOG (and so before the module's hook): the dialog's previous
// procedure is then one of these, different for each dialog.
const char kOwnPrevProp[] = "ClientOwnPrev";
const char kOwnLayoutProp[] = "ClientOwnLayout";

LRESULT OwnSubclass(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, const char *tag)
{
    FakeLayout *layout = (FakeLayout *)GetPropA(dialog, kOwnLayoutProp);
    if (msg == WM_COMMAND && LOWORD(wParam) == 1000 && layout)
        layout->log += (layout->log.empty() ? "" : " ") + std::string(tag);
    return CallWindowProcA((WNDPROC)GetPropA(dialog, kOwnPrevProp), dialog, msg, wParam, lParam);
}

LRESULT CALLBACK OwnSubclassOne(HWND h, UINT m, WPARAM w, LPARAM l) { return OwnSubclass(h, m, w, l, "own1"); }
LRESULT CALLBACK OwnSubclassTwo(HWND h, UINT m, WPARAM w, LPARAM l) { return OwnSubclass(h, m, w, l, "own2"); }

thread_local FakeLayout *t_creating;
thread_local HHOOK t_ownHook;

LRESULT CALLBACK OwnSubclassHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *cwp = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && cwp->message == WM_INITDIALOG && t_creating && !GetPropA(cwp->hwnd, kOwnPrevProp)) {
        WNDPROC own = t_creating->ownSubclass == 1 ? OwnSubclassOne : OwnSubclassTwo;
        SetPropA(cwp->hwnd, kOwnLayoutProp, t_creating);
        SetPropA(cwp->hwnd, kOwnPrevProp, (HANDLE)GetWindowLongPtrA(cwp->hwnd, GWLP_WNDPROC));
        SetWindowLongPtrA(cwp->hwnd, GWLP_WNDPROC, (LONG_PTR)own);
    }
    return CallNextHookEx(t_ownHook, code, wParam, lParam);
}

struct DescendantQuery { const char *cls; int id; HWND found; };

BOOL CALLBACK MatchDescendant(HWND w, LPARAM lp)
{
    DescendantQuery *q = (DescendantQuery *)lp;
    char cls[64];
    GetClassNameA(w, cls, sizeof(cls));
    if (lstrcmpA(cls, q->cls) == 0 && GetDlgCtrlID(w) == q->id) {
        q->found = w;
        return FALSE;
    }
    return TRUE;
}

// A window of the class and id at any depth under root.
HWND FindDescendant(HWND root, const char *cls, int id)
{
    DescendantQuery q = { cls, id, NULL };
    EnumChildWindows(root, MatchDescendant, (LPARAM)&q);
    return q.found;
}

// The file-name field: the combo box, else the edit, wherever it is.
HWND FakeField(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (!combo)
        combo = FindDescendant(dialog, "ComboBox", 0x47C);
    return combo ? combo : GetDlgItem(dialog, 0x480);
}

INT_PTR CALLBACK FakeDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        FakeLayout *layout = (FakeLayout *)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)layout);
        HINSTANCE inst = GetModuleHandleA(NULL);
        if (layout->toolbarId) {
            HWND tb = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS |
                                      CCS_NORESIZE | CCS_NODIVIDER, 10, 10, 100, 26, dialog,
                                      (HMENU)(INT_PTR)layout->toolbarId, inst, NULL);
            SendMessageA(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
            if (layout->imageList) {
                HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 2, 2);
                ImageList_AddIcon(list, LoadIcon(NULL, IDI_APPLICATION));
                SendMessageA(tb, TB_SETIMAGELIST, 0, (LPARAM)list);
            }
            TBBUTTON b = {};
            b.iBitmap = layout->imageList ? 0 : I_IMAGENONE;
            b.idCommand = 900;
            b.fsState = TBSTATE_ENABLED;
            SendMessageA(tb, TB_ADDBUTTONSA, 1, (LPARAM)&b);
        }
        if (layout->edit)
            CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 50, 150, 20,
                            dialog, (HMENU)0x480, inst, NULL);
        if (layout->combo)
            CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 80, 150, 100,
                            dialog, (HMENU)0x47C, inst, NULL);
        if (layout->ok)
            CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE, 10, 120, 60, 24, dialog,
                            (HMENU)IDOK, inst, NULL);
        return TRUE;
    }
    FakeLayout *layout = (FakeLayout *)GetWindowLongPtrA(dialog, DWLP_USER);
    // Commands only: the notifications of the field's own controls are noise.
    if (msg == WM_COMMAND && layout && LOWORD(wParam) != 0x47C && LOWORD(wParam) != 0x480) {
        std::string entry = Num(LOWORD(wParam)) + "." + Num(HIWORD(wParam));
        if (LOWORD(wParam) == IDOK) {
            char text[300] = "";
            GetWindowTextA(FakeField(dialog), text, sizeof(text));
            HWND focus = GetFocus();
            HWND field = FakeField(dialog);
            bool focused = focus == field || IsChild(field, focus);
            entry += "=" + std::string(text) + (focused ? "" : "(unfocused)");
        }
        layout->log += (layout->log.empty() ? "" : " ") + entry;
        return TRUE;
    }
    if (msg == WM_CLOSE) {
        DestroyWindow(dialog);
        return TRUE;
    }
    return FALSE;
}

DWORD WINAPI FakeDialogThread(void *p)
{
    static EmptyTemplate tmpl = { { WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, 0, 0,
                                    40, 40, 200, 150 }, 0, 0, 0 };
    FakeLayout *layout = (FakeLayout *)p;
    if (layout->ownSubclass) {
        t_creating = layout;
        t_ownHook = SetWindowsHookExA(WH_CALLWNDPROC, OwnSubclassHook, NULL, GetCurrentThreadId());
    }
    // A Unicode dialog's toolbar asks for tooltips with the wide code.
    HWND dialog = ((FakeLayout *)p)->unicode
                      ? CreateDialogIndirectParamW(GetModuleHandleA(NULL), &tmpl.t, NULL, FakeDialogProc, (LPARAM)p)
                      : CreateDialogIndirectParamA(GetModuleHandleA(NULL), &tmpl.t, NULL, FakeDialogProc, (LPARAM)p);
    if (t_ownHook)
        UnhookWindowsHookEx(t_ownHook);
    MSG msg;
    while (IsWindow(dialog) && GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}

// --- the stand-in for Windows' item dialog ------------------------------------

const char *const kStandInClasses[] = { "WorkerW", "DUIViewWndClassName", "DirectUIHWND",
                                        "FloatNotifySink", "Address Band Root" };

HWND Child(HWND parent, const char *cls, int id, DWORD style, int x, int y, int w, int h)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           (HMENU)(INT_PTR)id, GetModuleHandleA(NULL), NULL);
}

// What the view holds: a sink with the types box first, as on Windows, then
// the one with the file-name combo box (whose edit is Edit 1001).
void MakeStandInView(HWND dialog)
{
    HWND view = FindWindowExA(dialog, NULL, "DUIViewWndClassName", NULL);
    RECT r;
    GetClientRect(view, &r);
    HWND ui = Child(view, "DirectUIHWND", 0, 0, 0, 0, r.right, r.bottom);
    HWND types = Child(ui, "FloatNotifySink", 0, 0, r.right - 160, r.bottom - 30, 150, 24);
    Child(types, "ComboBox", 0x470, CBS_DROPDOWNLIST, 0, 0, 150, 100);
    HWND name = Child(ui, "FloatNotifySink", 0, 0, 10, r.bottom - 30, r.right - 180, 24);
    FakeLayout *layout = (FakeLayout *)GetWindowLongPtrA(dialog, DWLP_USER);
    Child(name, "ComboBox", 0x47C, layout->edit ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST, 0, 0,
          r.right - 180, 100);

    HWND worker = FindWindowExA(dialog, NULL, "WorkerW", NULL);
    GetClientRect(worker, &r);
    HWND rebar = Child(worker, REBARCLASSNAMEA, 0, CCS_NORESIZE | CCS_NODIVIDER, 0, 0, r.right, r.bottom);
    HWND band = Child(rebar, "Address Band Root", 0, 0, 0, 0, r.right, r.bottom);
    HWND bar = Child(band, TOOLBARCLASSNAMEA, 0, CCS_NORESIZE | CCS_NODIVIDER, r.right - 60, 0, 60, r.bottom);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
}

// Lays the dialog out as its size asks: view across, buttons bottom right.
void LayOutStandIn(HWND dialog)
{
    RECT c, b;
    GetClientRect(dialog, &c);
    HWND ok = GetDlgItem(dialog, IDOK), cancel = GetDlgItem(dialog, IDCANCEL);
    GetWindowRect(ok, &b);
    int w = b.right - b.left, h = b.bottom - b.top;
    SetWindowPos(cancel, NULL, c.right - 8 - w, c.bottom - 8 - h, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(ok, NULL, c.right - 16 - 2 * w, c.bottom - 8 - h, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK StandInProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FakeLayout *layout = (FakeLayout *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        MakeStandInView(dialog);
        return TRUE;
    case WM_SIZE:
        LayOutStandIn(dialog);
        return TRUE;
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        if (id == 0x47C || id == 0x470)
            return FALSE;
        if (id == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        std::string entry = Num(id) + "." + Num(HIWORD(wParam));
        if (id == IDOK) {
            // As the real dialog does with a folder typed in: goes there.
            char text[300] = "";
            GetWindowTextA(FakeField(dialog), text, sizeof(text));
            DWORD attributes = GetFileAttributesA(text);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                layout->folder = text;
            entry += "=" + std::string(text);
        }
        layout->log += (layout->log.empty() ? "" : " ") + entry;
        return TRUE;
    }
    case CDM_GETFOLDERPATH:
        // The test reads the stand-in's folder as it reads a real dialog's.
        lstrcpynA((char *)lParam, layout->folder.c_str(), (int)wParam);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, (LONG_PTR)layout->folder.size() + 1);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

DWORD WINAPI StandInThread(void *p)
{
    DialogBoxParamA(GetModuleHandleA(NULL), "WINDOWSSHAPE", NULL, StandInProc, (LPARAM)p);
    return 0;
}

DWORD WINAPI MessageBoxThread(void *)
{
    MessageBoxA(NULL, "A message box", "client message", MB_OK);
    return 0;
}

// The file dialog's toolbar (id 0x440 or 1; Wine's places bar is another
// toolbar), else the first toolbar there is.
HWND Toolbar(HWND dialog)
{
    HWND first = FindWindowExA(dialog, NULL, TOOLBARCLASSNAMEA, NULL);
    for (HWND tb = first; tb; tb = FindWindowExA(dialog, tb, TOOLBARCLASSNAMEA, NULL))
        if (GetDlgCtrlID(tb) == 0x440 || GetDlgCtrlID(tb) == 1)
            return tb;
    return first;
}

std::string MenuDump(HMENU menu)
{
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        char text[300] = "";
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &mii);
        out += i ? "|" : "";
        if (mii.fType & MFT_SEPARATOR)
            out += "-";
        else
            out += Num(mii.wID) + ((mii.fState & MFS_DISABLED) ? "~:" : ":") + text;
        if (mii.hSubMenu)
            out += "{" + MenuDump(mii.hSubMenu) + "}";
    }
    return out;
}

} // namespace

// open <open|save> [dir]: a file dialog on a thread of its own; its hwnd.
CLIENT_COMMAND(open)
{
    DialogThread *t = new DialogThread;
    FileDialogParams *params = new FileDialogParams{ args.at(1) == "save",
                                                     args.size() > 2 ? args[2] : "", t, false };
    return StartDialogThread(t, FileDialogThread, params);
}

// itemopen <open|save|pick> [dir]: IFileOpenDialog (pick: picking folders)
// or IFileSaveDialog on a thread of its own; its hwnd.
CLIENT_COMMAND(itemopen)
{
    DialogThread *t = new DialogThread;
    t->events = new ItemEvents;
    FileDialogParams *params = new FileDialogParams{ args.at(1) == "save",
                                                     args.size() > 2 ? args[2] : "", t, args[1] == "pick" };
    return StartDialogThread(t, ItemDialogThread, params);
}

// picker <old|new> [dir]: SHBrowseForFolder (new: BIF_NEWDIALOGSTYLE) on a
// thread of its own, dir selected; its hwnd.
CLIENT_COMMAND(picker)
{
    DialogThread *t = new DialogThread;
    std::string dir = args.size() > 2 ? args[2] : "";
    FileDialogParams *params = new FileDialogParams{ false, dir, t, args.at(1) == "new" };
    std::string dialog = StartDialogThread(t, PickerThread, params);
    // Wine's picker now and then drops the selection its callback asks for
    // while it fills its tree: asked again until something is selected.
    HWND tree = FindDescendant(Str2Hwnd(dialog), WC_TREEVIEWA, 0x3741);
    if (tree && !dir.empty())
        PumpUntil([&] {
            if (TreeView_GetSelection(tree))
                return true;
            SendMessageA(Str2Hwnd(dialog), BFFM_SETSELECTIONA, TRUE, (LPARAM)dir.c_str());
            return false;
        }, 5000);
    return dialog;
}

// fake <toolbarId> <edit> <combo> <ok> [imageList] [unicode] [ownSubclass]:
// a "#32770" dialog of our own with just these controls; its hwnd.
CLIENT_COMMAND(fake)
{
    FakeLayout *layout = new FakeLayout{ (int)ArgInt(args, 1), ArgInt(args, 2) != 0, ArgInt(args, 3) != 0,
                                   ArgInt(args, 4) != 0, ArgInt(args, 5, 1) != 0, ArgInt(args, 6) != 0,
                                         (int)ArgInt(args, 7), "", "" };
    DialogThread *t = new DialogThread;
    t->fake = layout;
    return StartDialogThread(t, FakeDialogThread, layout);
}

// windowsshape [nofield]: the stand-in for Windows' item dialog, with or
// without an edit in its file-name box; its hwnd.
CLIENT_COMMAND(windowsshape)
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_COOL_CLASSES | ICC_BAR_CLASSES };
    InitCommonControlsEx(&icc);
    for (const char *cls : kStandInClasses) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = cls;
        RegisterClassA(&wc);
    }
    FakeLayout *layout = new FakeLayout{};
    layout->edit = !(args.size() > 1 && args[1] == "nofield");
    DialogThread *t = new DialogThread;
    t->fake = layout;
    return StartDialogThread(t, StandInThread, layout);
}

// setfolder <dlg> <path>: the folder the stand-in says it shows.
CLIENT_COMMAND(setfolder)
{
    auto it = s_dialogs.find(Str2Hwnd(args.at(1)));
    if (it == s_dialogs.end() || !it->second->fake)
        return "no such dialog";
    it->second->fake->folder = args.size() > 2 ? args[2] : "";
    return "done";
}

// addfolders <dlg> <base> <count>: the stand-in shows base\1 .. base\count
// in turn, each added with "Add this folder > to all programs"; answers
// the count. Run through post, two programs at once add side by side.
CLIENT_COMMAND(addfolders)
{
    HWND dialog = Str2Hwnd(args.at(1));
    auto it = s_dialogs.find(dialog);
    if (it == s_dialogs.end() || !it->second->fake)
        return "no such dialog";
    long count = ArgInt(args, 3);
    for (long i = 1; i <= count; i++) {
        char folder[MAX_PATH];
        sprintf(folder, "%s\\%ld", args.at(2).c_str(), i);
        it->second->fake->folder = folder;
        SendMessageA(dialog, WM_COMMAND, 1277, 0);
    }
    return Num(count);
}

// fakelog <dlg>: the WM_COMMANDs the fake dialog's own procedure got.
CLIENT_COMMAND(fakelog)
{
    auto it = s_dialogs.find(Str2Hwnd(args.at(1)));
    return it == s_dialogs.end() || !it->second->fake ? "no such dialog" : it->second->fake->log;
}

CLIENT_COMMAND(msgbox)
{
    (void)args;
    return StartDialogThread(new DialogThread, MessageBoxThread, NULL);
}

// subclassed <hwnd>: whether the window's procedure differs from its class's.
CLIENT_COMMAND(subclassed)
{
    HWND w = Str2Hwnd(args.at(1));
    return GetWindowLongPtrA(w, GWLP_WNDPROC) != (LONG_PTR)GetClassLongPtrA(w, GCLP_WNDPROC) ? "yes" : "no";
}

void DumpTree(HWND parent, int depth, std::string &out)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64], text[64] = "";
        GetClassNameA(c, cls, sizeof(cls));
        GetWindowTextA(c, text, sizeof(text));
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, GetAncestor(c, GA_ROOT), (POINT *)&r, 2);
        char line[256];
        sprintf(line, "%*s%s:%d '%s' %ld,%ld-%ld,%ld%s\n", depth * 2, "", cls, GetDlgCtrlID(c), text,
                r.left, r.top, r.right, r.bottom, IsWindowVisible(c) ? "" : " hidden");
        out += line;
        DumpTree(c, depth + 1, out);
    }
}

// tree <dlg>: every descendant, indented, with its rectangle in the
// dialog's client coordinates.
CLIENT_COMMAND(tree)
{
    HWND dialog = Str2Hwnd(args.at(1));
    RECT client;
    GetClientRect(dialog, &client);
    std::string out = "client " + Num(client.right) + "x" + Num(client.bottom) + "\n";
    DumpTree(dialog, 0, out);
    return out;
}

// children <dlg>: class:id of the direct children.
CLIENT_COMMAND(children)
{
    std::string out;
    for (HWND c = GetWindow(Str2Hwnd(args.at(1)), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(c, cls, sizeof(cls));
        out += (out.empty() ? "" : " ") + std::string(cls) + ":" + Num(GetDlgCtrlID(c));
    }
    return out;
}

// toolbar <dlg>: count=N images=M then id,state,style,image of every button.
CLIENT_COMMAND(toolbar)
{
    HWND tb = Toolbar(Str2Hwnd(args.at(1)));
    if (!tb)
        return "no toolbar";
    int count = (int)SendMessageA(tb, TB_BUTTONCOUNT, 0, 0);
    HIMAGELIST list = (HIMAGELIST)SendMessageA(tb, TB_GETIMAGELIST, 0, 0);
    std::string out = "count=" + Num(count) + " images=" + (list ? Num(ImageList_GetImageCount(list)) : "none");
    for (int i = 0; i < count; i++) {
        TBBUTTON b = {};
        SendMessageA(tb, TB_GETBUTTON, i, (LPARAM)&b);
        out += " " + Num(b.idCommand) + "," + Num(b.fsState) + "," + Num(b.fsStyle) + "," + Num(b.iBitmap);
    }
    return out;
}

// tip <dlg>: the favourites button's tooltip as the toolbar's tooltip control
// gets it, and as the dialog answers TTN_GETDISPINFOA and TTN_GETDISPINFOW.
CLIENT_COMMAND(tip)
{
    HWND dialog = Str2Hwnd(args.at(1));
    HWND tb = Toolbar(dialog);
    char text[100] = "";
    HWND tips = (HWND)SendMessageA(tb, TB_GETTOOLTIPS, 0, 0);
    TTTOOLINFOA ti = {};
    ti.cbSize = sizeof(ti);
    ti.hwnd = tb;
    ti.uId = 371;
    ti.lpszText = text;
    if (tips)
        SendMessageA(tips, TTM_GETTEXTA, sizeof(text), (LPARAM)&ti);
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = tips;
    info.hdr.idFrom = 371;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(dialog, WM_NOTIFY, 371, (LPARAM)&info);
    // Windows' toolbars ask a Unicode parent with the wide code.
    NMTTDISPINFOW wide = {};
    wide.hdr = info.hdr;
    wide.hdr.code = TTN_GETDISPINFOW;
    SendMessageA(dialog, WM_NOTIFY, 371, (LPARAM)&wide);
    char narrow[100] = "(null)";
    if (wide.lpszText)
        WideCharToMultiByte(CP_ACP, 0, wide.lpszText, -1, narrow, sizeof(narrow), NULL, NULL);
    return std::string(text) + "|" + (info.lpszText ? info.lpszText : "(null)") + "|" + narrow;
}

// Clicks the favourites button (or, with byCommand, posts its WM_COMMAND)
// and waits for the popup menu; null when none opens.
// The push button that stands in for the toolbar button, or null.
HWND PushButton(HWND dialog)
{
    HWND b = GetDlgItem(dialog, 371);
    char cls[16] = "";
    GetClassNameA(b, cls, sizeof(cls));
    return lstrcmpiA(cls, "Button") == 0 ? b : NULL;
}

HWND OpenFavouritesMenu(HWND dialog, bool byCommand)
{
    HWND tb = Toolbar(dialog);
    HWND push = PushButton(dialog);
    DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    RECT button = {};
    SendMessageA(tb, TB_GETRECT, 371, (LPARAM)&button);
    if (byCommand) {
        PostMessageA(dialog, WM_COMMAND, 371, (LPARAM)(push ? push : tb));
    } else if (push) {
        PostMessageA(push, BM_CLICK, 0, 0);
    } else {
        LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        PostMessageA(tb, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(tb, WM_LBUTTONUP, 0, at);
    }
    HWND popup = NULL;
    PumpUntil([&] { return (popup = ThreadWindow(thread, "#32768")) != NULL; }, 5000);
    return popup;
}

bool WaitMenuClosed(HWND dialog)
{
    DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    return PumpUntil([&] { return ThreadWindow(thread, "#32768") == NULL; }, 5000);
}

struct Popups { RECT all; int count; };

// Adds a visible popup menu window to the rectangle of the picture.
BOOL CALLBACK AddVisiblePopup(HWND w, LPARAM lp)
{
    Popups *q = (Popups *)lp;
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(w)) {
        RECT r;
        GetWindowRect(w, &r);
        UnionRect(&q->all, &q->all, &r);
        q->count++;
    }
    return TRUE;
}

// favmenu <dlg> [command] [shot NAME | addshot NAME]: opens the favourites menu, reads it,
// closes it and answers the menu as id:text|-|id:text{submenu} @x,y want x,y.
// With shot, the dialog with the open menu goes to build/artifacts/NAME;
// with addshot, with "Add this folder" open as well.
CLIENT_COMMAND(favmenu)
{
    HWND dialog = Str2Hwnd(args.at(1));
    HWND popup = OpenFavouritesMenu(dialog, args.size() > 2 && args[2] == "command");
    if (!popup)
        return "no menu";
    for (size_t i = 2; i + 1 < args.size(); i++)
        if (args[i] == "addshot") {
            // "Add this folder" open: the item above the last, then right.
            PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
            PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
            PostMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
            DWORD thread = GetWindowThreadProcessId(dialog, NULL);
            Popups p = { {}, 0 };
            GetWindowRect(dialog, &p.all);
            PumpUntil([&] {
                p.count = 0;
                EnumThreadWindows(thread, AddVisiblePopup, (LPARAM)&p);
                return p.count >= 2;
            }, 3000);
            RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            if (p.count < 2 || !th::SaveScreenPng(p.all, th::ArtifactPath(args[i + 1])))
                return "no shot";
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (args[i] == "shot") {
            // Both paint in the dialog's thread, the dialog's controls maybe
            // not yet: have them all painted before the picture.
            RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            RedrawWindow(popup, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            RECT a, b, both;
            GetWindowRect(dialog, &a);
            GetWindowRect(popup, &b);
            UnionRect(&both, &a, &b);
            if (!th::SaveScreenPng(both, th::ArtifactPath(args[i + 1])))
                return "no shot";
        }
    HMENU menu = (HMENU)SendMessageA(popup, MN_GETHMENU, 0, 0);
    std::string out = menu ? MenuDump(menu) : "no hmenu";
    HWND tb = Toolbar(dialog);
    RECT placed, bar, button = {};
    GetWindowRect(popup, &placed);
    if (HWND push = PushButton(dialog)) {
        GetWindowRect(push, &bar);
    } else {
        GetWindowRect(tb, &bar);
        SendMessageA(tb, TB_GETRECT, 371, (LPARAM)&button);
    }
    out += " @" + Num(placed.left) + "," + Num(placed.top) + " want " + Num(bar.left + button.left) +
           "," + Num(bar.bottom);
    PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitMenuClosed(dialog) ? out : "menu stays open";
}

// The time the dialog's thread spent on the last WM_INITMENUPOPUP of a
// submenu, taken by hooks of this program on that thread around the
// dialog's procedure (ours, the module's subclass, and the dialog's own).
LARGE_INTEGER g_popupStart, g_popupTicks;

LRESULT CALLBACK PopupStart(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *m = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && m->message == WM_INITMENUPOPUP)
        QueryPerformanceCounter(&g_popupStart);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

LRESULT CALLBACK PopupEnd(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *m = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && m->message == WM_INITMENUPOPUP) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        g_popupTicks.QuadPart = now.QuadPart - g_popupStart.QuadPart;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// opensub <dlg> <n>: opens the favourites menu and, with the keyboard, the
// submenu of its n-th item (from 1); answers that submenu as favmenu
// answers a menu, then " ms=" and the time the dialog's thread took to
// answer its WM_INITMENUPOPUP.
CLIENT_COMMAND(opensub)
{
    HWND dialog = Str2Hwnd(args.at(1));
    DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    HHOOK start = SetWindowsHookExA(WH_CALLWNDPROC, PopupStart, NULL, thread);
    HHOOK end = SetWindowsHookExA(WH_CALLWNDPROCRET, PopupEnd, NULL, thread);
    g_popupTicks.QuadPart = -1;
    HWND popup = OpenFavouritesMenu(dialog, false);
    std::string out = "no menu";
    if (popup) {
        for (long i = 0; i < ArgInt(args, 2); i++)
            PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
        HWND sub = NULL;
        PumpUntil([&] {
            for (HWND w = FindWindowExA(NULL, NULL, "#32768", NULL); w; w = FindWindowExA(NULL, w, "#32768", NULL))
                if (w != popup && IsWindowVisible(w) && GetWindowThreadProcessId(w, NULL) == thread)
                    sub = w;
            return sub != NULL;
        }, 5000);
        HMENU menu = sub ? (HMENU)SendMessageA(sub, MN_GETHMENU, 0, 0) : NULL;
        out = menu ? MenuDump(menu) : "no submenu";
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        char ms[32];
        snprintf(ms, sizeof(ms), " ms=%.1f", g_popupTicks.QuadPart < 0 ? -1.0 : g_popupTicks.QuadPart * 1000.0 / f.QuadPart);
        out += ms;
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        if (!WaitMenuClosed(dialog))
            out = "menu stays open";
    }
    if (start)
        UnhookWindowsHookEx(start);
    if (end)
        UnhookWindowsHookEx(end);
    return out;
}

// favpick <dlg> <n> [command] [sub <m>]: opens the favourites menu (by a
// click, or with its command) and picks its n-th item (from 1) with the
// keyboard; with sub, the m-th item of the submenu that item opens.
CLIENT_COMMAND(favpick)
{
    HWND dialog = Str2Hwnd(args.at(1));
    // A cursor resting where the menu opens would select the item under it.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    HWND popup = OpenFavouritesMenu(dialog, std::find(args.begin(), args.end(), "command") != args.end());
    if (!popup)
        return "no menu";
    for (long i = 0; i < ArgInt(args, 2); i++)
        PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    size_t sub = std::find(args.begin(), args.end(), "sub") - args.begin();
    if (sub + 1 < args.size()) {
        // Right opens the submenu with its first item selected.
        PostMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
        for (long i = 1; i < ArgInt(args, sub + 1); i++)
            PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    if (!WaitMenuClosed(dialog))
        return "menu stays open";
    // The choice arrives as a posted WM_COMMAND; a message sent to the
    // dialog's thread returns only after the ones posted before it ran.
    DWORD_PTR ignored;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    return "picked";
}

struct TipQuery { HWND dialog, push; char text[100]; };

// Asks a tooltip window of the dialog's thread for the push button's tip.
BOOL CALLBACK ReadButtonTip(HWND w, LPARAM lp)
{
    TipQuery *q = (TipQuery *)lp;
    char cls[64];
    GetClassNameA(w, cls, sizeof(cls));
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0)
        return TRUE;
    TTTOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = q->dialog;
    ti.uId = (UINT_PTR)q->push;
    ti.lpszText = q->text;
    SendMessageA(w, TTM_GETTEXTA, sizeof(q->text), (LPARAM)&ti);
    return !q->text[0];
}

// pushbutton <dlg>: the favourites push button's text, and whether it is a
// tab stop, where it sits by OK (left: same row and size, just left of it;
// above: same column and size, just above it), whether it is clear of every
// other visible control of the dialog, lies in the client area and comes
// just before OK in the tab order.
CLIENT_COMMAND(pushbutton)
{
    HWND dialog = Str2Hwnd(args.at(1));
    HWND push = PushButton(dialog), ok = GetDlgItem(dialog, IDOK);
    if (!push)
        return "none";
    RECT b, o, c;
    GetWindowRect(push, &b);
    GetWindowRect(ok, &o);
    MapWindowPoints(NULL, dialog, (POINT *)&b, 2);
    MapWindowPoints(NULL, dialog, (POINT *)&o, 2);
    GetClientRect(dialog, &c);
    char text[64] = "";
    GetWindowTextA(push, text, sizeof(text));
    bool size = b.right - b.left == o.right - o.left && b.bottom - b.top == o.bottom - o.top;
    const char *at = !size ? "other"
                     : b.top == o.top && b.right < o.left && o.left - b.right <= 12 ? "left"
                     : b.right == o.right && b.bottom < o.top && o.top - b.bottom <= 12 ? "above" : "other";
    bool clear = true;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r, both;
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, dialog, (POINT *)&r, 2);
        if (c != push && IsWindowVisible(c) && IntersectRect(&both, &r, &b))
            clear = false;
    }
    bool inside = b.left >= 0 && b.top >= 0 && b.right <= c.right && b.bottom <= c.bottom;
    bool tab = (GetWindowLongA(push, GWL_STYLE) & WS_TABSTOP) != 0;
    // The tooltip of the button, from whichever tooltip window has it.
    TipQuery q = { dialog, push, "" };
    EnumThreadWindows(GetWindowThreadProcessId(dialog, NULL), ReadButtonTip, (LPARAM)&q);
    const char *tip = q.text;
    return std::string(text) + " tab=" + Num(tab) + " at=" + at + " clear=" + Num(clear) + " inside=" + Num(inside) +
           " order=" + Num(GetWindow(push, GW_HWNDNEXT) == ok) + " tip=" + tip;
}

// resize <dlg> <dx> <dy>: changes the dialog's size by dx, dy and answers
// once its thread has handled that.
CLIENT_COMMAND(resize)
{
    HWND dialog = Str2Hwnd(args.at(1));
    RECT r;
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, NULL, 0, 0, r.right - r.left + ArgInt(args, 2), r.bottom - r.top + ArgInt(args, 3),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return "done";
}

// command <dlg> <id> [high]: sends WM_COMMAND and returns when it was handled.
CLIENT_COMMAND(command)
{
    SendMessageA(Str2Hwnd(args.at(1)), WM_COMMAND, MAKEWPARAM(ArgInt(args, 2), ArgInt(args, 3)), 0);
    return "done";
}

// folder <dlg>: the folder the file dialog shows.
CLIENT_COMMAND(folder)
{
    auto it = s_dialogs.find(Str2Hwnd(args.at(1)));
    if (it != s_dialogs.end() && it->second->events)
        return it->second->events->Folder();
    char buf[2 * MAX_PATH + 2] = {};
    LRESULT n = SendMessageA(Str2Hwnd(args.at(1)), CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)buf);
    if (n <= 0)
        return "error " + Num(n);
    if (n > 1 && buf[1] == '\0') {   // answered in UTF-16
        char narrow[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, (const WCHAR *)buf, -1, narrow, sizeof(narrow), NULL, NULL);
        return narrow;
    }
    return buf;
}

// field <dlg> [text]: the file-name field's text; sets it first when given.
CLIENT_COMMAND(field)
{
    HWND dialog = Str2Hwnd(args.at(1));
    HWND field = FakeField(dialog);
    if (!field)
        return "no field";
    if (args.size() > 2)
        SetWindowTextA(field, args[2].c_str());
    char text[300] = "";
    GetWindowTextA(field, text, sizeof(text));
    return text;
}

// pickersel <dlg>: the texts of the folder picker's selected item and its
// ancestors, innermost first, joined by |.
CLIENT_COMMAND(pickersel)
{
    HWND tree = FindDescendant(Str2Hwnd(args.at(1)), WC_TREEVIEWA, 0x3741);
    std::string out;
    for (HTREEITEM item = tree ? TreeView_GetSelection(tree) : NULL; item; item = TreeView_GetParent(tree, item)) {
        char text[MAX_PATH] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof(text);
        TreeView_GetItem(tree, &tv);
        out += (out.empty() ? "" : "|") + std::string(text);
    }
    return tree ? out : "no tree";
}

// close <dlg> [ok]: cancels a file dialog (or closes a fake), or with ok
// presses its OK, and waits for its thread; answers how the dialog ended.
CLIENT_COMMAND(close)
{
    HWND dialog = Str2Hwnd(args.at(1));
    auto it = s_dialogs.find(dialog);
    if (it == s_dialogs.end())
        return "unknown dialog";
    if (it->second->fake)
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, args.size() > 2 && args[2] == "ok" ? IDOK : IDCANCEL, 0);
    HANDLE thread = it->second->thread;
    if (!PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 5000))
        return "still open";
    return it->second->result;
}

// ended <dlg>: how a file dialog ended, or "running".
CLIENT_COMMAND(ended)
{
    auto it = s_dialogs.find(Str2Hwnd(args.at(1)));
    if (it == s_dialogs.end())
        return "unknown dialog";
    WaitForSingleObject(it->second->thread, 0);
    return it->second->result;
}

// unloadmodule: drops every reference to the module that this program holds,
// as the system does once the hooks are gone; answers whether it stayed.
CLIENT_COMMAND(unloadmodule)
{
    (void)args;
    for (int i = 0; i < 64; i++) {
        HMODULE module = GetModuleHandleA(BRIVANE_MODULE_FILE);
        if (!module)
            return "unloaded";
        FreeLibrary(module);
    }
    return GetModuleHandleA(BRIVANE_MODULE_FILE) ? "loaded" : "unloaded";
}
