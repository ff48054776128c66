// Recent folders: the folders that files were last opened from or saved to
// through an augmented dialog, in a small file beside the configuration
// file (brivane.ini keeps it in brivane.recent), outside every section the
// Menu items page edits.
#include "recent.h"
#include "../core/ini.h"
#include "../core/ini_write.h"
#include "../core/recent_list.h"
#include "../core/textbuf.h"
#include <shlwapi.h>

// The list's file into path: the configuration file's path with its
// extension replaced by .recent; and the list it holds into list (empty
// when there is none). At most the text of a full list is read: what lies
// beyond it is not the list's. FALSE when there is no usable path.
BOOL LoadRecent(RecentList *list, char *path)
{
    ConfigPath config;
    list->count = 0;
    char *dot = StrRChrA(config.text, NULL, '.');
    if (dot && !StrChrA(dot, '\\'))
        *dot = '\0';
    if (!config.text[0] || !BufJoin(path, MAX_PATH, config.text, ".recent"))
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
    const char *folder;   // NULL to empty the list
};

// Under the configuration file's lock, as every write beside it: the list
// read afresh, changed, and written to a copy that replaces it in one
// rename, so two programs adding at once lose neither folder and a write
// cut short leaves the old list.
static int ChangeRecent(void *context)
{
    const char *folder = ((RecentChange *)context)->folder;
    RecentList list;
    char path[MAX_PATH], temp[MAX_PATH], text[RECENT_TEXT_CAPACITY];
    if (!LoadRecent(&list, path))
        return INI_FAILED;
    if (!folder)
        return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND ? INI_WRITTEN : INI_FAILED;
    if (!RecentPush(&list, folder) || !BufJoin(temp, COUNTOF(temp), path, ".new"))
        return INI_UNCHANGED;
    DWORD size = (DWORD)RecentFormat(&list, text, sizeof(text)), written = 0;
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return INI_FAILED;
    BOOL ok = WriteFile(file, text, size, &written, NULL) && written == size && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok && MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return INI_WRITTEN;
    DeleteFileA(temp);
    return INI_FAILED;
}

static void ChangeRecentLocked(const char *folder)
{
    ConfigPath config;
    RecentChange change = { folder };
    IniLocked(config.text, ChangeRecent, &change);
}

void RecentFolders_Add(const char *folder)
{
    if (IniGetInt("settings", RECENT_SWITCH_KEY, 1) != 0)
        ChangeRecentLocked(folder);
}

void RecentFolders_Clear()
{
    ChangeRecentLocked(NULL);
}
