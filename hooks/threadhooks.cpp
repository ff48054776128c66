// Under Wine, the 64-bit module beside a 32-bit host sets its hooks on each
// GUI thread of each 64-bit program instead of globally.
//
// Why: Wine keeps one global chain per hook type for programs of both
// bitnesses, newest first. A program calls the head of the chain; when that
// hook's module is of the other bitness, Wine cannot load it, and the call
// ends there, returning 0, without calling the next hook. With both modules'
// hooks global, the programs of one bitness are never served. (Windows
// instead runs such a hook on its installing thread, which passes it on.)
// A thread's own hooks are called before the global chain, so 64-bit
// threads run ours first (the stop at the 32-bit module comes after them),
// and the global chains, holding only the 32-bit module's hooks, serve the
// 32-bit programs.
//
// Threads that exist are found through their top-level windows; new ones
// when their first top-level window is created, through an out-of-context
// event hook that Wine delivers to the calling thread's message loop. That
// thread must pump messages, as the companion does.
#ifdef _WIN64
#include "hooks.h"
#include "../core/shared.h"

// The table starts with room for this many threads and doubles when full.
enum { FIRST_HOOKED_THREADS = 256 };

struct HookedThread {
    DWORD id;        // zero: a free slot
    HANDLE thread;   // held, so the id is not reused while the entry lives
    HHOOK hooks[HOOK_COUNT];
};

static HookedThread *s_threads;
static int s_capacity;
static const HookEntry *s_entries;
static HWINEVENTHOOK s_creations;

static BOOL UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Whether the process is known to be a 32-bit (or, with wow = FALSE, a
// 64-bit) program.
static BOOL ProcessIsWow(DWORD pid, BOOL wow)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    BOOL isWow = FALSE;
    BOOL known = process && IsWow64Process(process, &isWow);
    if (process)
        CloseHandle(process);
    return known && !isWow == !wow;
}

BOOL PerThreadHooksNeeded()
{
    // A 32-bit host has set the 32-bit module's global hooks.
    HWND host = LiveHostWindow();
    DWORD pid = 0;
    return host && UnderWine() && GetWindowThreadProcessId(host, &pid) && ProcessIsWow(pid, TRUE);
}

static void ReleaseSlot(HookedThread *slot)
{
    for (int i = 0; i < HOOK_COUNT; i++)
        if (slot->hooks[i])
            UnhookWindowsHookEx(slot->hooks[i]);
    CloseHandle(slot->thread);
    ZeroMemory(slot, sizeof(*slot));
}

static HookedThread *FreeSlot()
{
    for (int pass = 0; pass < 2; pass++) {
        for (int i = 0; i < s_capacity; i++) {
            if (!s_threads[i].id)
                return &s_threads[i];
        }
        // Full: the slots of threads that ended (their hooks went with them).
        for (int i = 0; i < s_capacity; i++) {
            if (WaitForSingleObject(s_threads[i].thread, 0) != WAIT_TIMEOUT)
                ReleaseSlot(&s_threads[i]);
        }
    }
    // Every thread still runs: room for as many again, zeroed. Without it
    // the thread goes unhooked, as when its hooks cannot be set.
    int grown = s_capacity ? s_capacity * 2 : FIRST_HOOKED_THREADS;
    SIZE_T bytes = (SIZE_T)grown * sizeof(HookedThread);
    void *more = s_threads ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, s_threads, bytes)
                           : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    if (!more)
        return NULL;
    s_threads = (HookedThread *)more;
    int first = s_capacity;
    s_capacity = grown;
    return &s_threads[first];
}

// Sets the hooks on the thread unless it has them or is no 64-bit program's.
static void HookThread(DWORD tid)
{
    if (!tid || !s_entries)
        return;
    for (int i = 0; i < s_capacity; i++) {
        if (s_threads[i].id == tid)
            return;
    }
    HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, tid);
    HookedThread *slot = NULL;
    if (thread && ProcessIsWow(GetProcessIdOfThread(thread), FALSE) && (slot = FreeSlot()) != NULL) {
        slot->id = tid;
        slot->thread = thread;
        for (int i = 0; i < HOOK_COUNT; i++) {
            slot->hooks[i] = SetWindowsHookExA(s_entries[i].type, s_entries[i].proc, g_instance, tid);
            if (!slot->hooks[i]) {
                ReleaseSlot(slot);   // all four or none; a later window tries again
                return;
            }
        }
        return;
    }
    if (thread)
        CloseHandle(thread);
}

static void CALLBACK WindowCreated(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child,
                                   DWORD tid, DWORD)
{
    // A thread's first window is a top-level one; child windows come later.
    if (object == OBJID_WINDOW && child == CHILDID_SELF && window &&
        !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        HookThread(tid);
}

static BOOL CALLBACK HookWindowThread(HWND window, LPARAM)
{
    HookThread(GetWindowThreadProcessId(window, NULL));
    return TRUE;
}

BOOL PerThreadHooksSet() { return s_creations != NULL; }

BOOL SetPerThreadHooks(const HookEntry *entries)
{
    s_entries = entries;
    // The event hook first: no thread started meanwhile is missed.
    s_creations = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, NULL, WindowCreated, 0, 0,
                                  WINEVENT_OUTOFCONTEXT);
    if (!s_creations)
        return FALSE;
    EnumWindows(HookWindowThread, 0);
    return TRUE;
}

void RemovePerThreadHooks()
{
    if (s_creations)
        UnhookWinEvent(s_creations);
    s_creations = NULL;
    for (int i = 0; i < s_capacity; i++) {
        if (s_threads[i].id)
            ReleaseSlot(&s_threads[i]);
    }
}
#endif
