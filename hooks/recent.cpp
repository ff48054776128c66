// Recent folders: the folders that files were last opened from or saved to
// through an augmented dialog, in a small file beside the configuration
// file (brivane.ini keeps it in brivane.recent), outside every section the
// Menu items page edits.
#include "recent.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/recent_list.h"
#include "../core/textbuf.h"
#include "../core/fresh_file.h"
#include <string.h>
#include <shlwapi.h>

// The list's file into path: the configuration file's path with its
// extension replaced by .recent (FALSE when that would be the file
// itself); and the list it holds into list (empty
// when there is none). At most the text of a full list is read: what lies
// beyond it is not the list's. FALSE when there is no usable path.
BOOL LoadRecent(RecentList *list, char *path)
{
    ConfigPath config;
    list->count = 0;
    // Never the configuration file itself (one named "x.recent").
    if (!config.text[0] || !BesideName(path, MAX_PATH, config.text, ".recent"))
        return FALSE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        char text[RECENT_TEXT_CAPACITY];
        DWORD got = 0;
        if (ReadFile(file, text, sizeof(text), &got, NULL) && got <= sizeof(text))
            RecentParse(text, got, list);
        CloseHandle(file);
    }
    return TRUE;
}

struct RecentChange {
    const char (*folders)[RECENT_PATH_CAPACITY];   // oldest first
    int count;                                     // 0 to empty the list
};

// Under the configuration file's lock, as every write beside it: the list
// read afresh, changed, and written to a copy that replaces it in one
// rename, so two programs adding at once lose neither folder and a write
// cut short leaves the old list. The copy is made as the configuration
// file's is (core/fresh_file.h): never written through a link.
static int ChangeRecent(void *context)
{
    const RecentChange *change = (const RecentChange *)context;
    RecentList list;
    char path[MAX_PATH], temp[MAX_PATH], text[RECENT_TEXT_CAPACITY];
    if (!LoadRecent(&list, path))
        return INI_FAILED;
    if (!change->count)
        return DeleteInCheckedFolder(path) ? INI_WRITTEN : INI_FAILED;
    BOOL pushed = FALSE;
    for (int i = 0; i < change->count; i++)
        pushed = RecentPush(&list, change->folders[i]) || pushed;
    if (!pushed || !BufJoin(temp, COUNTOF(temp), path, ".new"))
        return INI_UNCHANGED;
    DWORD size = (DWORD)RecentFormat(&list, text, sizeof(text)), written = 0;
    FreshFile copy;
    if (!FreshFileCreate(&copy, temp))
        return INI_FAILED;
    if (WriteFile(copy.file, text, size, &written, NULL) && written == size && FreshFileReplace(&copy, path))
        return INI_WRITTEN;
    FreshFileDiscard(&copy);
    return INI_FAILED;
}

// Folders whose write found the lock held: a program of the user's that
// keeps it must not freeze every dialog's OK, so the dialog's thread never
// waits for it. A thread of the module's own writes them once the lock is
// free, trying a few times before it lets them go; it holds the module
// loaded until it is done.
enum { PENDING_TRIES = 3 };
static SRWLOCK s_pendingLock = SRWLOCK_INIT;
static char s_pending[RECENT_CAPACITY][RECENT_PATH_CAPACITY];
static int s_pendingCount;
static BOOL s_writerRunning;

static DWORD WINAPI WritePending(void *module)
{
    static char batch[RECENT_CAPACITY][RECENT_PATH_CAPACITY];   // this thread's alone: one runs at a time
    for (int tries = 0;;) {
        AcquireSRWLockExclusive(&s_pendingLock);
        int count = s_pendingCount;
        if (count == 0 || tries == PENDING_TRIES) {
            s_pendingCount = 0;
            s_writerRunning = FALSE;
            ReleaseSRWLockExclusive(&s_pendingLock);
            break;
        }
        memcpy(batch, s_pending, sizeof(batch[0]) * count);
        ReleaseSRWLockExclusive(&s_pendingLock);
        ConfigPath config;
        RecentChange change = { batch, count };
        if (IniLocked(config.text, ChangeRecent, &change) == INI_BUSY) {
            tries++;
            continue;
        }
        // Written (or refused for good): those go, later ones stay.
        AcquireSRWLockExclusive(&s_pendingLock);
        memmove(s_pending, s_pending + count, sizeof(s_pending[0]) * (s_pendingCount - count));
        s_pendingCount -= count;
        ReleaseSRWLockExclusive(&s_pendingLock);
        tries = 0;
    }
    FreeLibraryAndExitThread((HMODULE)module, 0);
    return 0;
}

// Queues folder for the writer thread, starting it when none runs. With
// the queue full the oldest folder goes: the list keeps as many only.
static void DeferRecent(const char *folder)
{
    HMODULE module = NULL;
    AcquireSRWLockExclusive(&s_pendingLock);
    if (s_pendingCount == RECENT_CAPACITY) {
        memmove(s_pending, s_pending + 1, sizeof(s_pending[0]) * (RECENT_CAPACITY - 1));
        s_pendingCount--;
    }
    BufSet(s_pending[s_pendingCount++], RECENT_PATH_CAPACITY, folder);
    BOOL start = !s_writerRunning;
    s_writerRunning = TRUE;
    ReleaseSRWLockExclusive(&s_pendingLock);
    if (!start)
        return;
    HANDLE thread = NULL;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)WritePending, &module)) {
        thread = CreateThread(NULL, 0, WritePending, module, 0, NULL);
        if (!thread)
            FreeLibrary(module);
    }
    if (thread) {
        CloseHandle(thread);
        return;
    }
    AcquireSRWLockExclusive(&s_pendingLock);
    s_pendingCount = 0;
    s_writerRunning = FALSE;
    ReleaseSRWLockExclusive(&s_pendingLock);
}

void RecentFolders_Add(const char *folder)
{
    if (IniGetInt("settings", RECENT_SWITCH_KEY, 1) == 0)
        return;
    // Written at once when the lock is free; otherwise later, elsewhere.
    ConfigPath config;
    char one[1][RECENT_PATH_CAPACITY];
    if (!BufSet(one[0], RECENT_PATH_CAPACITY, folder))
        return;
    RecentChange change = { one, 1 };
    if (IniLockedWithin(config.text, 0, ChangeRecent, &change) == INI_BUSY)
        DeferRecent(folder);
}

void RecentFolders_Clear()
{
    // From the menu, on the dialog's thread: done now or not at all.
    ConfigPath config;
    RecentChange change = { NULL, 0 };
    IniLockedWithin(config.text, 0, ChangeRecent, &change);
}
