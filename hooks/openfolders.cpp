// "Open folders": the folder each of the file manager's windows and tabs
// shows, from the Shell's list of its windows. Each call into that list
// goes to the file manager's process and waits while it hangs; so the
// calls run on a thread of their own, in its own multithreaded apartment,
// and the dialog's thread waits for the answer no longer than the deadline.
// The dialog's thread makes no COM call at all: nothing it does can wait
// on the worker, and the worker needs nothing of it.
#include "openfolders.h"
#include "folder_source.h"
#include "../core/path_expand.h"
#include "../core/textbuf.h"
#include "../core/favourite_add.h"
#include <ole2.h>
#include <exdisp.h>
#include <servprov.h>
#include <shlobj.h>
#include <shobjidl.h>

// The list may name many windows; these are asked, the first ones.
#define SHELL_WINDOWS_ASKED 64
// Top-level windows looked at to order the folders by their windows' use.
#define WINDOWS_WALKED 4096

static const CLSID kShellWindows = { 0x9BA05972, 0xF6A8, 0x11CF, { 0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39 } };
static const IID kIShellWindows = { 0x85CB6900, 0x4D95, 0x11CF, { 0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85 } };
static const IID kIServiceProvider = { 0x6D5140C1, 0x7436, 0x11CE, { 0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA } };
static const GUID kSTopLevelBrowser = { 0x4C96BE40, 0x915C, 0x11CF, { 0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37 } };
static const IID kIShellBrowser = { 0x000214E2, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
static const IID kIFolderView = { 0xCDE725B0, 0xCCC9, 0x4519, { 0x91, 0x7E, 0x32, 0x5D, 0x72, 0xFA, 0xB4, 0xCE } };
static const IID kIPersistFolder2 = { 0x1AC3D9F0, 0x175C, 0x11D1, { 0x95, 0xBE, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x4F } };

// One window's folder as the list gave it.
struct ShellWindowFolder {
    HWND window;   // its top-level window, or null when it did not say
    char folder[MAX_PATH];
};

// One question to the list, shared by the worker and whoever waits for
// it; freed by whichever lets go last. At most one is asked at a time in a
// program: whoever asks while it runs waits for the same.
struct OpenFoldersQuery {
    LONG volatile refs;
    LONG volatile givenUp;   // someone waited for it in vain
    LONG volatile answers;   // calls the file manager answered so far
    HANDLE done;             // set when the answer is in
    int count;
    ShellWindowFolder found[SHELL_WINDOWS_ASKED];
};

// The question being asked now, or null; it holds a reference of its own.
static SRWLOCK s_lock = SRWLOCK_INIT;
static OpenFoldersQuery *s_asking;

static void ReleaseQuery(OpenFoldersQuery *q)
{
    if (q && InterlockedDecrement(&q->refs) == 0) {
        CloseHandle(q->done);
        HeapFree(GetProcessHeap(), 0, q);
    }
}

// The file-system folder of one item of the list: This PC, Libraries and
// other places without a path of their own give none.
static BOOL ItemFolder(IDispatch *item, ShellWindowFolder *out)
{
    IServiceProvider *services = NULL;
    IShellBrowser *browser = NULL;
    IShellView *view = NULL;
    IFolderView *folderView = NULL;
    IPersistFolder2 *folder = NULL;
    LPITEMIDLIST pidl = NULL;
    BOOL ok = FALSE;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(item->QueryInterface(kIServiceProvider, (void **)&services)) && services &&
        SUCCEEDED(services->QueryService(kSTopLevelBrowser, kIShellBrowser, (void **)&browser)) && browser &&
        SUCCEEDED(browser->QueryActiveShellView(&view)) && view &&
        SUCCEEDED(view->QueryInterface(kIFolderView, (void **)&folderView)) && folderView &&
        SUCCEEDED(folderView->GetFolder(kIPersistFolder2, (void **)&folder)) && folder &&
        SUCCEEDED(folder->GetCurFolder(&pidl)) && pidl && SHGetPathFromIDListW(pidl, wide)) {
        // A name the code page cannot spell would be another folder's.
        BOOL lossy = FALSE;
        wide[MAX_PATH - 1] = L'\0';
        ok = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out->folder, MAX_PATH, NULL, &lossy) > 1 &&
             !lossy && IsFullyQualifiedPath(out->folder, MAX_PATH) && !HasControlCharacters(out->folder);
        HWND window = NULL;
        out->window = ok && SUCCEEDED(browser->GetWindow(&window)) && IsWindow(window)
                    ? GetAncestor(window, GA_ROOT) : NULL;
    }
    CoTaskMemFree(pidl);
    if (folder)
        folder->Release();
    if (folderView)
        folderView->Release();
    if (view)
        view->Release();
    if (browser)
        browser->Release();
    if (services)
        services->Release();
    return ok;
}

static void AskShellWindows(OpenFoldersQuery *q)
{
    IShellWindows *windows = NULL;
    if (FAILED(CoCreateInstance(kShellWindows, NULL, CLSCTX_ALL, kIShellWindows, (void **)&windows)) || !windows)
        return;
    InterlockedIncrement(&q->answers);
    LONG count = 0;
    if (FAILED(windows->get_Count(&count)))
        count = 0;
    InterlockedIncrement(&q->answers);
    for (LONG i = 0; i < count && i < SHELL_WINDOWS_ASKED; i++) {
        // A VARIANT made by hand: VT_I4 holds nothing to free.
        VARIANT index;
        ZeroMemory(&index, sizeof(index));
        index.vt = VT_I4;
        index.lVal = i;
        IDispatch *item = NULL;
        if (SUCCEEDED(windows->Item(index, &item)) && item) {
            if (ItemFolder(item, &q->found[q->count]))
                q->count++;
            item->Release();
        }
        InterlockedIncrement(&q->answers);
    }
    windows->Release();
}

// The worker: the module is pinned once a dialog is subclassed, so its
// code stays while a late answer comes back.
static DWORD WINAPI AskThread(void *context)
{
    OpenFoldersQuery *q = (OpenFoldersQuery *)context;
    if (SUCCEEDED(CoInitializeEx(NULL, COINIT_MULTITHREADED))) {
        AskShellWindows(q);
        CoUninitialize();
    }
    // Answered: the next question is asked afresh.
    AcquireSRWLockExclusive(&s_lock);
    OpenFoldersQuery *held = s_asking == q ? q : NULL;
    if (held)
        s_asking = NULL;
    ReleaseSRWLockExclusive(&s_lock);
    SetEvent(q->done);
    ReleaseQuery(held);
    ReleaseQuery(q);
    return 0;
}

// The question being asked now, or a new one; the caller holds a reference.
// Null when no thread could be started.
static OpenFoldersQuery *StartQuery()
{
    AcquireSRWLockExclusive(&s_lock);
    OpenFoldersQuery *q = s_asking;
    if (q) {
        InterlockedIncrement(&q->refs);
    } else if ((q = (OpenFoldersQuery *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(*q))) != NULL) {
        // The worker's, the list's and the caller's.
        q->refs = 3;
        q->done = CreateEventA(NULL, TRUE, FALSE, NULL);
        HANDLE thread = q->done ? CreateThread(NULL, 0, AskThread, q, 0, NULL) : NULL;
        if (thread) {
            CloseHandle(thread);
            s_asking = q;
        } else {
            if (q->done)
                CloseHandle(q->done);
            HeapFree(GetProcessHeap(), 0, q);
            q = NULL;
        }
    }
    ReleaseSRWLockExclusive(&s_lock);
    return q;
}

static void AddOnce(OpenFolderList *list, const char *folder)
{
    for (int i = 0; i < list->count; i++)
        if (SameFolder(list->folder[i], folder))
            return;
    if (list->count < OPEN_FOLDERS_MAX)
        BufSet(list->folder[list->count++], MAX_PATH, folder);
}

// The folders found, the window used last first: top-level windows are
// walked from the top of the order the system keeps by use; the tabs of
// one window keep the list's order; windows that did not say come last.
// Each folder once, at most OPEN_FOLDERS_MAX.
static void OrderByUse(const OpenFoldersQuery *q, OpenFolderList *list)
{
    BOOL placed[SHELL_WINDOWS_ASKED] = {};
    list->count = 0;
    int walked = 0, left = q->count;
    for (HWND w = GetTopWindow(NULL); w && left && walked < WINDOWS_WALKED; w = GetWindow(w, GW_HWNDNEXT), walked++)
        for (int i = 0; i < q->count; i++)
            if (!placed[i] && q->found[i].window == w) {
                placed[i] = TRUE;
                left--;
                AddOnce(list, q->found[i].folder);
            }
    for (int i = 0; i < q->count; i++)
        if (!placed[i])
            AddOnce(list, q->found[i].folder);
}

// The answer to q into list. The wait goes on while the file manager
// answers, each call within the deadline of the one before, up to the
// limit in all; a file manager that stops answering costs the deadline.
// Nobody waits again for a question someone waited for in vain: a hung
// file manager costs one wait, not one per question.
static int AwaitQuery(OpenFoldersQuery *q, OpenFolderList *list)
{
    list->count = 0;
    if (!q)
        return OPEN_FOLDERS_NONE;
    // Milliseconds by the performance counter: the tick count may move in
    // steps of 16 ms, a sixth of the deadline.
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    LONGLONG perMs = frequency.QuadPart / 1000 > 0 ? frequency.QuadPart / 1000 : 1;
    LONGLONG start = counter.QuadPart / perMs, lastAnswer = start;
    LONG seen = q->answers;
    while (WaitForSingleObject(q->done, q->givenUp ? 0 : OPEN_FOLDERS_SLICE_MS) != WAIT_OBJECT_0) {
        QueryPerformanceCounter(&counter);
        LONGLONG now = counter.QuadPart / perMs;
        LONG answers = q->answers;
        if (answers != seen) {
            seen = answers;
            lastAnswer = now;
        }
        if (q->givenUp || now - lastAnswer >= OPEN_FOLDERS_DEADLINE_MS || now - start >= OPEN_FOLDERS_LIMIT_MS) {
            q->givenUp = TRUE;
            return OPEN_FOLDERS_NO_ANSWER;
        }
    }
    OrderByUse(q, list);
    return list->count ? OPEN_FOLDERS_LISTED : OPEN_FOLDERS_NONE;
}

int ListOpenFolders(OpenFolderList *list)
{
    OpenFoldersQuery *q = StartQuery();
    int answer = AwaitQuery(q, list);
    ReleaseQuery(q);
    return answer;
}

void GoToLastOpenFolder(HWND dialog, const DialogControls *controls)
{
    OpenFolderList *list = (OpenFolderList *)HeapAlloc(GetProcessHeap(), 0, sizeof(OpenFolderList));
    if (!list)
        return;
    if (ListOpenFolders(list) == OPEN_FOLDERS_LISTED)
        NavigateDialog(dialog, controls, list->folder[0]);
    HeapFree(GetProcessHeap(), 0, list);
}

// --- the menu's source ---------------------------------------------------------

// What a press keeps: the submenu, filled when it first opens, and the
// folders it shows.
struct OpenFoldersState {
    HMENU submenu;
    BOOL filled;
    OpenFolderList list;
};

static const char kNoneOpen[] = "No folder open in Explorer";
static const char kNoAnswer[] = "Explorer does not answer";

// The submenu holds the greyed "none" item until it opens, and the question
// is asked only then: the press costs what an empty submenu costs. (Asked
// at the press instead, the worker's work competed with the menu's showing
// and made the press slower.)
static void FillOpenFolders(HMENU menu, MenuPress *press)
{
    OpenFoldersState *state = (OpenFoldersState *)HeapAlloc(GetProcessHeap(), 0, sizeof(OpenFoldersState));
    HMENU submenu = state ? CreatePopupMenu() : NULL;
    if (!submenu) {
        HeapFree(GetProcessHeap(), 0, state);
        return;
    }
    state->submenu = submenu;
    state->filled = FALSE;
    state->list.count = 0;
    press->state[SOURCE_OPEN] = state;
    AppendMenuA(submenu, MF_STRING | MF_GRAYED, IDM_OPEN_FOLDER_NONE, kNoneOpen);
    AppendSubmenu(menu, submenu, "Open folders");
}

static void OpeningOpenFolders(HMENU popup, MenuPress *press)
{
    OpenFoldersState *state = (OpenFoldersState *)press->state[SOURCE_OPEN];
    if (!state || popup != state->submenu || state->filled)
        return;
    state->filled = TRUE;
    int answer = ListOpenFolders(&state->list);
    if (answer == OPEN_FOLDERS_NO_ANSWER)
        ModifyMenuA(popup, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, IDM_OPEN_FOLDER_NONE, kNoAnswer);
    if (answer != OPEN_FOLDERS_LISTED)
        return;
    DeleteMenu(popup, 0, MF_BYPOSITION);
    for (int i = 0; i < state->list.count; i++)
        AppendMenuA(popup, MF_STRING, IDM_OPEN_FOLDER + i, state->list.folder[i]);
}

// A folder is taken from the list the submenu showed; the key's command
// asks afresh.
static BOOL ApplyOpenFolder(HWND dialog, const DialogControls *controls, UINT id, MenuPress *press)
{
    if (id < IDM_OPEN_FOLDER || id > IDM_OPEN_LAST)
        return FALSE;
    const OpenFoldersState *state = press ? (const OpenFoldersState *)press->state[SOURCE_OPEN] : NULL;
    int i = (int)(id - IDM_OPEN_FOLDER);
    if (state && i < state->list.count)
        NavigateDialog(dialog, controls, state->list.folder[i]);
    else if (!press && id == IDM_OPEN_LAST)
        GoToLastOpenFolder(dialog, controls);
    return TRUE;
}

static void ReleaseOpenFolders(MenuPress *press)
{
    HeapFree(GetProcessHeap(), 0, press->state[SOURCE_OPEN]);
    press->state[SOURCE_OPEN] = NULL;
}

const FolderSource g_openFoldersSource = { FillOpenFolders, OpeningOpenFolders, ApplyOpenFolder, ReleaseOpenFolders };
