// The windows the host has hidden, their icons, and the copy of the list on
// disk that lets the next start bring them back after a crash.
#include "host.h"
#include "../core/textbuf.h"
#include "../core/fresh_file.h"

enum { MAX_HIDDEN = FLOAT_MAX_ICONS, FIRST_TRAY_ID = 100 };

static HiddenWindow s_hidden[MAX_HIDDEN];
static int s_count;
static DWORD s_nextOrder = 1;
static UINT s_nextTrayId = FIRST_TRAY_ID;

int HiddenCount() { return s_count; }

const HiddenWindow *HiddenAt(int i) { return &s_hidden[i]; }

HiddenWindow *FindHidden(HWND window)
{
    for (int i = 0; i < s_count; i++)
        if (s_hidden[i].window == window)
            return &s_hidden[i];
    return NULL;
}

HiddenWindow *FindHiddenByTrayId(UINT id)
{
    for (int i = 0; i < s_count; i++)
        if (s_hidden[i].kind == HIDDEN_TRAY && s_hidden[i].trayId == id)
            return &s_hidden[i];
    return NULL;
}

// Tray ids of their own, never derived from window handles; one still in
// use is skipped.
static UINT NewTrayId()
{
    for (;;) {
        UINT id = s_nextTrayId++;
        if (s_nextTrayId < FIRST_TRAY_ID)
            s_nextTrayId = FIRST_TRAY_ID;
        if (!FindHiddenByTrayId(id))
            return id;
    }
}

// When the process was created, as a FILETIME; 0 when it cannot be read.
// With the process id it names one run of one program: ids are reused.
static ULONGLONG ProcessCreated(DWORD pid)
{
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process)
        return 0;
    FILETIME created, exited, kernel, user;
    BOOL ok = GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    return ok ? ((ULONGLONG)created.dwHighDateTime << 32) | created.dwLowDateTime : 0;
}

// Writes the list to a new file and puts it in place in one step, so that
// a crash leaves the old list or the new one, never half of one. The new
// file is made afresh in the checked folder, never through a link, and
// renamed by its handle (core/fresh_file.h): a link planted in its place,
// or a junction in the folder's, by a program of less trust would
// otherwise have an elevated host write, truncate or delete files of its
// choosing.
static void SaveList()
{
    if (!g_hiddenListPath[0])
        return;
    if (s_count == 0) {
        DeleteInCheckedFolder(g_hiddenListPath);
        return;
    }
    char temp[MAX_PATH];
    FreshFile file;
    if (!BufJoin(temp, COUNTOF(temp), g_hiddenListPath, ".new") || !FreshFileCreate(&file, temp))
        return;
    BOOL ok = TRUE;
    for (int i = 0; i < s_count && ok; i++) {
        HiddenRecord rec = { (uint32_t)(UINT_PTR)s_hidden[i].window, s_hidden[i].pid, s_hidden[i].kind,
                             s_hidden[i].created };
        char line[64];
        DWORD n = (DWORD)FormatHiddenRecord(rec, line, COUNTOF(line)), written = 0;
        ok = WriteFile(file.file, line, n, &written, NULL) && written == n;
    }
    if (!ok)
        FreshFileDiscard(&file);
    else
        FreshFileReplace(&file, g_hiddenListPath);
}

static void DropIcon(HiddenWindow *h)
{
    if (h->kind == HIDDEN_TRAY)
        RemoveWindowTrayIcon(h->trayId);
    if (h->floatIcon)
        DestroyWindow(h->floatIcon);
    if (h->icon)
        DestroyIcon(h->icon);
    h->floatIcon = NULL;
    h->icon = NULL;
}

static void RemoveEntry(HiddenWindow *h)
{
    int i = (int)(h - s_hidden);
    DropIcon(h);
    if (h->watched)
        UnwatchProcess(h->pid);
    for (int j = i; j + 1 < s_count; j++)
        s_hidden[j] = s_hidden[j + 1];
    s_count--;
}

void HideWindowAs(HWND window, int kind)
{
    if (s_count >= MAX_HIDDEN || FindHidden(window) || !IsWindowVisible(window))
        return;
    HiddenWindow h = {};
    h.window = window;
    GetWindowThreadProcessId(window, &h.pid);
    h.created = ProcessCreated(h.pid);
    h.kind = kind;
    h.order = s_nextOrder++;
    if (kind == HIDDEN_TRAY) {
        h.icon = CopyWindowIcon(window, TRUE);
        h.trayId = NewTrayId();
        if (!AddWindowTrayIcon(h.trayId, h.icon, window)) {
            // No notification area to be had: a floating icon instead, so
            // the window never goes where nothing brings it back.
            DestroyIcon(h.icon);
            h.kind = HIDDEN_FLOAT;
            h.trayId = 0;
        }
    }
    if (h.kind == HIDDEN_FLOAT) {
        h.icon = CopyWindowIcon(window, FALSE);
        // Taken before hiding: a screenshot must see the window.
        h.floatIcon = CreateFloatIcon(window, h.icon);
        if (!h.floatIcon) {
            DestroyIcon(h.icon);
            return;
        }
    }
    // Before the hide: its closing or showing must not go unseen.
    h.watched = WatchProcess(h.pid);
    s_hidden[s_count++] = h;
    SaveList();
    ShowWindowAsync(window, SW_HIDE);
}

static void ShowAgain(HWND window, BOOL activate)
{
    if (!IsWindow(window))
        return;
    BringWindowIntoView(window);
    if (activate) {
        ShowWindowAsync(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(window);
    } else {
        ShowWindowAsync(window, SW_SHOWNA);
    }
}

void RestoreHidden(HWND window)
{
    HiddenWindow *h = FindHidden(window);
    if (!h)
        return;
    RemoveEntry(h);
    SaveList();
    ShowAgain(window, TRUE);
}

void HoldHiddenWhileStarting(HWND window)
{
    HiddenWindow *h = FindHidden(window);
    if (h) {
        h->holding = TRUE;
        h->holdFrom = GetTickCount();
    }
}

void RestoreAllHidden()
{
    while (s_count > 0) {
        HWND window = s_hidden[s_count - 1].window;
        RemoveEntry(&s_hidden[s_count - 1]);
        ShowAgain(window, FALSE);
    }
    SaveList();
}

void RestoreMostRecent()
{
    HiddenWindow *latest = NULL;
    for (int i = 0; i < s_count; i++)
        if (!latest || s_hidden[i].order > latest->order)
            latest = &s_hidden[i];
    if (latest)
        RestoreHidden(latest->window);
}

void OnHiddenWindowEvent(DWORD event, HWND window)
{
    HiddenWindow *h = FindHidden(window);
    if (!h)
        return;
    // Closed while hidden, or shown again by its own program (the host
    // drops a window from the list before it shows it): its icon goes.
    // The events come after the fact, so the window is looked at now. The
    // hide is asynchronous: until the host has seen the window hidden, a
    // "shown" is the state before the hide (or a forged hint), and taking
    // it would lose a window that then hides with nothing to bring it back.
    DWORD pid = 0;
    BOOL alive = IsWindow(window) && GetWindowThreadProcessId(window, &pid) && pid == h->pid;
    BOOL visible = alive && IsWindowVisible(window);
    if (alive && !visible)
        h->seenHidden = TRUE;
    if (alive && h->holding && GetTickCount() - h->holdFrom < START_HOLD_MS) {
        if (event == EVENT_OBJECT_SHOW && visible)
            ShowWindowAsync(window, SW_HIDE);
        return;
    }
    h->holding = FALSE;
    if (!alive || (event == EVENT_OBJECT_SHOW && visible && h->seenHidden)) {
        RemoveEntry(h);
        SaveList();
    }
}

void KeepFloatIconsInView()
{
    for (int i = 0; i < s_count; i++)
        if (s_hidden[i].floatIcon)
            BringWindowIntoView(s_hidden[i].floatIcon);
}

void DropHiddenOfProcess(DWORD pid)
{
    BOOL changed = FALSE;
    for (int i = s_count - 1; i >= 0; i--) {
        if (s_hidden[i].pid == pid) {
            RemoveEntry(&s_hidden[i]);
            changed = TRUE;
        }
    }
    if (changed)
        SaveList();
}

void ReAddWindowTrayIcons()
{
    for (int i = 0; i < s_count; i++)
        if (s_hidden[i].kind == HIDDEN_TRAY)
            AddWindowTrayIcon(s_hidden[i].trayId, s_hidden[i].icon, s_hidden[i].window);
}

// A window of an earlier run's list that may be shown again: still there,
// top-level, hidden, and of the same run of the same program. Anything
// else may be a reused handle, or a record written by somebody else to
// make a window appear that its program never showed.
static BOOL MayRestore(const HiddenRecord &rec)
{
    HWND window = (HWND)(UINT_PTR)rec.window;
    DWORD pid = 0;
    return rec.created != 0 && IsWindow(window) && GetAncestor(window, GA_ROOT) == window &&
           !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && !IsWindowVisible(window) &&
           GetWindowThreadProcessId(window, &pid) && pid == rec.pid && pid != GetCurrentProcessId() &&
           ProcessCreated(pid) == rec.created;
}

void RecoverHiddenFromDisk()
{
    if (!g_hiddenListPath[0])
        return;
    // The list itself, not what a link in its place points to.
    HANDLE file = OpenSingleFile(g_hiddenListPath, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static char text[MAX_HIDDEN * 64];   // a line is at most 40 characters
    DWORD length = 0;
    ReadFile(file, text, sizeof(text), &length, NULL);
    CloseHandle(file);
    static HiddenRecord records[MAX_HIDDEN];
    size_t n = ParseHiddenRecords(text, length, records, COUNTOF(records));
    for (size_t i = 0; i < n; i++)
        if (MayRestore(records[i]))
            ShowAgain((HWND)(UINT_PTR)records[i].window, FALSE);
    DeleteInCheckedFolder(g_hiddenListPath);
}
