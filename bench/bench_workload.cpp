// The program whose work the whole-system benchmark times, run once per
// measurement while the controller (bench_system.exe) holds no hooks, a
// pass-through hook set or the module's hooks.
//   bench_workload.exe loop <out file> [iterations]
//     posted messages (post, retrieve, dispatch), sent messages, and the
//     creation and destruction of top-level windows; writes
//     "post_us send_us create_us module_loaded private_kib_delta"
//   bench_workload.exe filedialog <out file> [opens]
//     opens and closes standard Open dialogs; each is timed from its
//     WM_INITDIALOG to the first moment its modal loop is idle (the
//     augmented, painted dialog); writes "median_ms min_ms max_ms augmented opened"
//   bench_workload.exe press <out file> [items] [rounds] [classic|item] [file to touch]
//     shows one standard Open dialog (item: the Common Item Dialog), and
//     from another thread presses its favourites button (posts the command)
//     and has the dialog's thread show a plain popup menu of that many
//     items in the same place, as any program could, by turns; each is
//     timed until its menu window is on screen; with a file to touch, that
//     file's time of writing is renewed before each. Writes two lines of times
//     in ms, the plain menu's and the favourites menu's
//   bench_workload.exe footprint <out file> <dll>
//     what loading the DLL costs this process: heap bytes and blocks that
//     its load allocates, load time, writable image bytes (the pages that
//     can become private to the process), whether it had to be rebased;
//     writes "heap_bytes heap_blocks load_ms writable_bytes image_bytes rebased"
#include <windows.h>
#include "core/shared.h"
#include <commdlg.h>
#include <commctrl.h>
#include <psapi.h>
#include <shobjidl.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

static const char kClass[] = "BrivaneBenchWorkload";
static const UINT kFavouritesButton = 371;

static double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)freq.QuadPart;
}

static SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc;
    memset(&pmc, 0, sizeof(pmc));
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&pmc, sizeof(pmc));
    return pmc.PrivateUsage;
}

// --- loop -------------------------------------------------------------------

static double s_dialogStart;
static std::vector<double> s_dialogMs;
static int s_augmented;

static LRESULT CALLBACK WorkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && s_dialogStart > 0) {
        // The file dialog has shown itself and waits for the user.
        s_dialogMs.push_back((Now() - s_dialogStart) * 1000.0);
        s_dialogStart = 0;
        HWND dialog = (HWND)lParam;
        for (HWND tb = FindWindowExA(dialog, NULL, TOOLBARCLASSNAMEA, NULL); tb;
             tb = FindWindowExA(dialog, tb, TOOLBARCLASSNAMEA, NULL))
            if (SendMessageA(tb, TB_COMMANDTOINDEX, kFavouritesButton, 0) >= 0) {
                s_augmented++;
                break;
            }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (msg == WM_APP || msg == WM_APP + 1)
        return (LRESULT)wParam;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static HWND MakeWindow()
{
    return CreateWindowExA(0, kClass, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

static void RunLoop(FILE *out, int n, SIZE_T privateAtStart)
{
    HWND w = MakeWindow();
    MSG msg;
    // Warm-up: lets the hooks load their module into this process first.
    for (int i = 0; i < 50; i++) {
        PostMessageA(w, WM_APP, i, 0);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        SendMessageA(w, WM_APP + 1, i, 0);
    }
    for (int i = 0; i < 5; i++)
        DestroyWindow(MakeWindow());
    int loaded = GetModuleHandleA(BRIVANE_MODULE_FILE) != NULL || GetModuleHandleA("bench_passthru.dll") != NULL;
    double privateKib = ((double)PrivateBytes() - (double)privateAtStart) / 1024.0;

    double t0 = Now();
    for (int i = 0; i < n; i++) {
        PostMessageA(w, WM_APP, i, 0);
        GetMessageA(&msg, NULL, 0, 0);
        DispatchMessageA(&msg);
    }
    double t1 = Now();
    for (int i = 0; i < n; i++)
        SendMessageA(w, WM_APP + 1, i, 0);
    double t2 = Now();
    int windows = n / 10 > 0 ? n / 10 : 1;
    for (int i = 0; i < windows; i++)
        DestroyWindow(MakeWindow());
    double t3 = Now();
    DestroyWindow(w);
    fprintf(out, "%.3f %.3f %.3f %d %.0f\n", (t1 - t0) * 1e6 / n, (t2 - t1) * 1e6 / n,
            (t3 - t2) * 1e6 / windows, loaded, privateKib);
}

// --- file dialogs -------------------------------------------------------------

static LRESULT CALLBACK SeeInitDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *cwp = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && cwp->message == WM_INITDIALOG && s_dialogStart == 0)
        s_dialogStart = Now();
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void RunFileDialogs(FILE *out, int n)
{
    HWND owner = MakeWindow();
    // Sees WM_INITDIALOG before the dialog's own procedure does.
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SeeInitDialog, NULL, GetCurrentThreadId());
    char file[MAX_PATH] = "";
    for (int i = 0; i < n; i++) {
        OPENFILENAMEA ofn;
        memset(&ofn, 0, sizeof(ofn));
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof(file);
        ofn.lpstrFilter = "All files\0*.*\0";
        ofn.Flags = OFN_EXPLORER;
        s_dialogStart = 0;
        GetOpenFileNameA(&ofn);
    }
    UnhookWindowsHookEx(hook);
    DestroyWindow(owner);
    std::vector<double> v = s_dialogMs;
    std::sort(v.begin(), v.end());
    double med = v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    fprintf(out, "%.2f %.2f %.2f %d %d\n", med, v.empty() ? 0 : v.front(), v.empty() ? 0 : v.back(),
            s_augmented, (int)v.size());
}

// --- press ---------------------------------------------------------------------

static int s_plainItems, s_pressRounds;
static HANDLE s_shown;
static HWND s_popup;
static LARGE_INTEGER s_shownAt;

// Thread hook of the dialog's thread: a plain menu, built and shown the way
// any program would, under the favourites button.
static LRESULT CALLBACK PlainMenuHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = (MSG *)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_APP + 1) {
        HWND dialog = msg->hwnd;
        msg->message = WM_NULL;
        RECT bar = {}, button = {};
        for (HWND tb = FindWindowExA(dialog, NULL, TOOLBARCLASSNAMEA, NULL); tb;
             tb = FindWindowExA(dialog, tb, TOOLBARCLASSNAMEA, NULL))
            if (SendMessageA(tb, TB_GETRECT, kFavouritesButton, (LPARAM)&button)) {
                GetWindowRect(tb, &bar);
                break;
            }
        HMENU menu = CreatePopupMenu();
        char text[32];
        for (int i = 1; i <= s_plainItems; i++) {
            sprintf(text, "Folder %d", i);
            AppendMenuA(menu, MF_STRING, 1280 + i, text);
        }
        TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, bar.left + button.left, bar.bottom, dialog, NULL);
        DestroyMenu(menu);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// Thread hook of the dialog's thread: the moment a popup menu window of
// this thread is shown, whoever built the menu.
static LRESULT CALLBACK MenuShownHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *ret = (const CWPRETSTRUCT *)lParam;
    char cls[16];
    if (code == HC_ACTION && ret->message == WM_WINDOWPOSCHANGED &&
        (((const WINDOWPOS *)ret->lParam)->flags & SWP_SHOWWINDOW) && GetClassNameA(ret->hwnd, cls, sizeof(cls)) &&
        !strcmp(cls, "#32768")) {
        QueryPerformanceCounter(&s_shownAt);
        s_popup = ret->hwnd;
        SetEvent(s_shown);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

struct PressDriver { DWORD thread; const char *touch; std::vector<double> ms[2]; };

// Gives the file a new time of last writing, as any edit would: the
// profile functions read a file anew once it changed.
static void Touch(const char *path)
{
    HANDLE f = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                           NULL);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    if (f != INVALID_HANDLE_VALUE) {
        SetFileTime(f, NULL, NULL, &now);
        CloseHandle(f);
    }
}

// Another thread of the program presses, as a user or a test would: posts
// the command (or the plain menu's message) to the dialog and takes the
// time until the menu is on screen; Esc closes it. The first round warms up.
static DWORD WINAPI DrivePresses(void *p)
{
    PressDriver *d = (PressDriver *)p;
    HWND dialog = NULL;
    for (int i = 0; i < 3000 && !dialog; i++) {
        Sleep(10);
        for (HWND w = FindWindowExA(NULL, NULL, "#32770", NULL); w; w = FindWindowExA(NULL, w, "#32770", NULL))
            if (GetWindowThreadProcessId(w, NULL) == d->thread && IsWindowVisible(w))
                dialog = w;
    }
    Sleep(500);   // the dialog fills its view once it shows
    LARGE_INTEGER freq, start;
    QueryPerformanceFrequency(&freq);
    for (int r = 0; dialog && r <= s_pressRounds; r++)
        for (int k = 0; k < 2; k++) {
            if (d->touch)
                Touch(d->touch);
            ResetEvent(s_shown);
            QueryPerformanceCounter(&start);
            PostMessageA(dialog, k ? WM_COMMAND : WM_APP + 1, k ? kFavouritesButton : 0, 0);
            if (WaitForSingleObject(s_shown, 10000) != WAIT_OBJECT_0)
                break;
            if (r > 0)
                d->ms[k].push_back((double)(s_shownAt.QuadPart - start.QuadPart) * 1000.0 / (double)freq.QuadPart);
            PostMessageA(s_popup, WM_KEYDOWN, VK_ESCAPE, 0);
            for (int i = 0; i < 1000 && IsWindowVisible(s_popup); i++)
                Sleep(5);
            Sleep(100);
        }
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

static void RunPress(FILE *out, int items, int rounds, bool item, const char *touch)
{
    s_plainItems = items;
    s_pressRounds = rounds;
    s_shown = CreateEventA(NULL, TRUE, FALSE, NULL);
    HHOOK plain = SetWindowsHookExA(WH_GETMESSAGE, PlainMenuHook, NULL, GetCurrentThreadId());
    HHOOK shown = SetWindowsHookExA(WH_CALLWNDPROCRET, MenuShownHook, NULL, GetCurrentThreadId());
    PressDriver driver;
    driver.thread = GetCurrentThreadId();
    driver.touch = touch;
    HANDLE thread = CreateThread(NULL, 0, DrivePresses, &driver, 0, NULL);
    if (item) {
        CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
        IFileOpenDialog *dialog = NULL;
        if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, NULL, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                       (void **)&dialog))) {
            dialog->Show(NULL);
            dialog->Release();
        }
        CoUninitialize();
    } else {
        char file[MAX_PATH] = "";
        OPENFILENAMEA ofn;
        memset(&ofn, 0, sizeof(ofn));
        ofn.lStructSize = sizeof(ofn);
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof(file);
        ofn.lpstrFilter = "All files\0*.*\0";
        ofn.Flags = OFN_EXPLORER;
        GetOpenFileNameA(&ofn);
    }
    WaitForSingleObject(thread, 60000);
    UnhookWindowsHookEx(plain);
    UnhookWindowsHookEx(shown);
    for (int k = 0; k < 2; k++) {
        for (double t : driver.ms[k])
            fprintf(out, "%.3f ", t);
        fprintf(out, "\n");
    }
}

// --- footprint ------------------------------------------------------------------

static void HeapTotals(double *bytes, double *blocks)
{
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    *bytes = *blocks = 0;
    for (DWORD i = 0; i < n && i < 64; i++) {
        PROCESS_HEAP_ENTRY e;
        e.lpData = NULL;
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                *bytes += e.cbData;
                *blocks += 1;
            }
        HeapUnlock(heaps[i]);
    }
}

static void RunFootprint(FILE *out, const char *dll)
{
    double bytes0, blocks0, bytes1, blocks1;
    HeapTotals(&bytes0, &blocks0);
    double t0 = Now();
    HMODULE m = LoadLibraryA(dll);
    double t1 = Now();
    HeapTotals(&bytes1, &blocks1);
    if (!m)
        return;
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)m;
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)((const char *)m + dos->e_lfanew);
    DWORD image = nt->OptionalHeader.SizeOfImage;
    int rebased = (ULONG_PTR)m != nt->OptionalHeader.ImageBase;
    double writable = 0;
    for (const char *p = (const char *)m; p < (const char *)m + image;) {
        MEMORY_BASIC_INFORMATION mbi;
        if (!VirtualQuery(p, &mbi, sizeof(mbi)) || !mbi.RegionSize)
            break;
        DWORD prot = mbi.Protect & 0xFF;
        if (prot == PAGE_READWRITE || prot == PAGE_WRITECOPY || prot == PAGE_EXECUTE_READWRITE ||
            prot == PAGE_EXECUTE_WRITECOPY)
            writable += (double)mbi.RegionSize;
        p = (const char *)mbi.BaseAddress + mbi.RegionSize;
    }
    fprintf(out, "%.0f %.0f %.3f %.0f %lu %d\n", bytes1 - bytes0, blocks1 - blocks0,
            (t1 - t0) * 1000.0, writable, (unsigned long)image, rebased);
}

int main(int argc, char **argv)
{
    SIZE_T privateAtStart = PrivateBytes();
    if (argc < 3)
        return 2;
    WNDCLASSA wc;
    memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = WorkProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    FILE *out = fopen(argv[2], "w");
    if (!out)
        return 3;
    int n = argc > 3 ? atoi(argv[3]) : 0;
    if (!strcmp(argv[1], "loop"))
        RunLoop(out, n > 0 ? n : 2000, privateAtStart);
    else if (!strcmp(argv[1], "filedialog"))
        RunFileDialogs(out, n > 0 ? n : 50);
    else if (!strcmp(argv[1], "press"))
        RunPress(out, n > 0 ? n : 500, argc > 4 ? atoi(argv[4]) : 3, argc > 5 && !strcmp(argv[5], "item"),
                 argc > 6 ? argv[6] : NULL);
    else if (!strcmp(argv[1], "footprint") && argc > 3)
        RunFootprint(out, argv[3]);
    else
        return 2;
    fclose(out);
    return 0;
}
