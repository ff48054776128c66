// The windows the host has hidden, their icons, and the copy of the list on
// disk that lets the next start bring them back after a crash.
#include "host.h"
#include "../core/textbuf.h"

enum { MAX_HIDDEN = FLOAT_MAX_ICONS, FIRST_TRAY_ID = 100 };

static HiddenWindow s_hidden[MAX_HIDDEN];
static int s_count;
static DWORD s_nextOrder = 1;
static UINT s_nextTrayId = FIRST_TRAY_ID;

int HiddenCount() { return s_count; }

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

// Writes the list to a new file and puts it in place in one step, so that
// a crash leaves the old list or the new one, never half of one.
static void SaveList()
{
    if (!g_hiddenListPath[0])
        return;
    if (s_count == 0) {
        DeleteFileA(g_hiddenListPath);
        return;
    }
    char temp[MAX_PATH + 8];
    BufSet(temp, COUNTOF(temp), g_hiddenListPath);
    lstrcatA(temp, ".new");
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BOOL ok = TRUE;
    for (int i = 0; i < s_count && ok; i++) {
        HiddenRecord rec = { (uint32_t)(UINT_PTR)s_hidden[i].window, s_hidden[i].pid, s_hidden[i].kind };
        char line[64];
        DWORD n = (DWORD)FormatHiddenRecord(rec, line, COUNTOF(line)), written = 0;
        ok = WriteFile(file, line, n, &written, NULL) && written == n;
    }
    ok = FlushFileBuffers(file) && ok;
    CloseHandle(file);
    if (!ok || !MoveFileExA(temp, g_hiddenListPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(temp);
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
    h.hiddenAt = GetTickCount();
    s_hidden[s_count++] = h;
    SaveList();
    ShowWindowAsync(window, SW_HIDE);
}

static void ShowAgain(HWND window, BOOL activate)
{
    if (!IsWindow(window))
        return;
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

void CheckHiddenWindows()
{
    BOOL changed = FALSE;
    for (int i = s_count - 1; i >= 0; i--) {
        HiddenWindow *h = &s_hidden[i];
        DWORD pid = 0;
        BOOL alive = IsWindow(h->window) && GetWindowThreadProcessId(h->window, &pid) && pid == h->pid;
        BOOL visible = alive && IsWindowVisible(h->window);
        if (alive && !visible)
            h->seenHidden = TRUE;
        // Closed while hidden, or shown again by its own program (only
        // counted once it was seen hidden, or when a hung program never
        // hid it): its icon goes at once.
        if (!alive || (visible && (h->seenHidden || GetTickCount() - h->hiddenAt > 5000))) {
            RemoveEntry(h);
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

void RecoverHiddenFromDisk()
{
    HANDLE file = CreateFileA(g_hiddenListPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static char text[MAX_HIDDEN * 40];
    DWORD length = 0;
    ReadFile(file, text, sizeof(text), &length, NULL);
    CloseHandle(file);
    static HiddenRecord records[MAX_HIDDEN];
    size_t n = ParseHiddenRecords(text, length, records, COUNTOF(records));
    for (size_t i = 0; i < n; i++) {
        HWND window = (HWND)(UINT_PTR)records[i].window;
        DWORD pid = 0;
        // Only the same window of the same program, still hidden: a handle
        // may have been reused by now.
        if (IsWindow(window) && GetWindowThreadProcessId(window, &pid) && pid == records[i].pid &&
            !IsWindowVisible(window))
            ShowWindowAsync(window, SW_SHOWNA);
    }
    DeleteFileA(g_hiddenListPath);
}
