// What the host learns about the windows it hid or pinned, as events
// instead of a poll: window events of their programs (destroyed, shown,
// hidden, moved, reordered), delivered to this thread's message loop, and
// the end of each program, whose process handle the message loop waits on
// (no thread pool: its idle threads wake up every few seconds).
#include "host.h"

// The message loop waits on as many process handles as it can besides its
// messages; the programs of the slots beyond those are waited on by the
// system's wait threads, which tell the loop by a message.
enum { MAX_WATCHED = FLOAT_MAX_ICONS + MAX_PINNED, LOOP_WAITS = MAXIMUM_WAIT_OBJECTS - 1 };

struct Watched {
    DWORD pid;
    int users;             // hidden and pinned windows of the program
    HWINEVENTHOOK hook;
    HANDLE process;        // SYNCHRONIZE; null when it cannot be opened
    HANDLE wait;           // a registered wait, for a slot beyond the loop's
};

static Watched s_watched[MAX_WATCHED];

// Out of context: the events come as messages to this thread, and the
// program's windows are only looked at, never waited on.
static void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (object != OBJID_WINDOW || !window)
        return;
    OnHiddenWindowEvent(event, window);
    OnPinnedWindowEvent(event, window);
}

static Watched *Find(DWORD pid)
{
    for (int i = 0; i < MAX_WATCHED; i++)
        if (s_watched[i].users > 0 && s_watched[i].pid == pid)
            return &s_watched[i];
    return NULL;
}

// A wait thread's word that a program ended: the loop takes it from there.
static void CALLBACK ProcessEnded(void *process, BOOLEAN)
{
    PostMessageA(g_host, WM_PROCESSENDED, (WPARAM)process, 0);
}

static void StopWait(Watched *w)
{
    // Waits for a callback under way: none comes after this.
    if (w->wait)
        UnregisterWaitEx(w->wait, INVALID_HANDLE_VALUE);
    w->wait = NULL;
}

BOOL WatchProcess(DWORD pid)
{
    Watched *w = Find(pid);
    if (w) {
        w->users++;
        return TRUE;
    }
    for (int i = 0; i < MAX_WATCHED && !w; i++)
        if (s_watched[i].users == 0)
            w = &s_watched[i];
    if (!w)
        return FALSE;
    ZeroMemory(w, sizeof(*w));
    w->hook = SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_LOCATIONCHANGE, NULL, OnWinEvent, pid, 0,
                              WINEVENT_OUTOFCONTEXT);
    w->process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (w->process && w - s_watched >= LOOP_WAITS &&
        !RegisterWaitForSingleObject(&w->wait, w->process, ProcessEnded, w->process, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        w->wait = NULL;
        CloseHandle(w->process);
        w->process = NULL;
    }
    if (!w->hook && !w->process)
        return FALSE;
    w->pid = pid;
    w->users = 1;
    return TRUE;
}

void UnwatchProcess(DWORD pid)
{
    Watched *w = Find(pid);
    if (!w || --w->users > 0)
        return;
    if (w->hook)
        UnhookWinEvent(w->hook);
    StopWait(w);
    if (w->process)
        CloseHandle(w->process);
    ZeroMemory(w, sizeof(*w));
}

DWORD WatchedProcessHandles(HANDLE *out, DWORD max)
{
    DWORD n = 0;
    for (int i = 0; i < LOOP_WAITS && n < max; i++)
        if (s_watched[i].users > 0 && s_watched[i].process)
            out[n++] = s_watched[i].process;
    return n;
}

void OnProcessHandleSignalled(HANDLE process)
{
    for (int i = 0; i < MAX_WATCHED; i++) {
        // A wait thread's message may come late: only a handle still
        // watched, and signalled, counts.
        if (s_watched[i].users > 0 && s_watched[i].process == process &&
            WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            DWORD pid = s_watched[i].pid;
            // Each drop unwatches; the last one closes the handle.
            DropHiddenOfProcess(pid);
            DropPinnedOfProcess(pid);
            // Never waited on again, whatever still counted it.
            if (s_watched[i].users > 0 && s_watched[i].process == process) {
                StopWait(&s_watched[i]);
                CloseHandle(process);
                s_watched[i].process = NULL;
            }
            return;
        }
    }
}
