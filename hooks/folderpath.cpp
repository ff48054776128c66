// Favourites' paths where they are used: the platform's answers for the
// expansion in core/path_expand.cpp, and which folders may be probed.
#include "folderpath.h"
#include "../core/ini.h"
#include "../core/shared.h"
#include "../core/path_expand.h"
#include "../core/textbuf.h"
#include <shlobj.h>
#include <shlwapi.h>

static int Variable(void *, const char *name, char *out, size_t cap)
{
    DWORD n = GetEnvironmentVariableA(name, out, (DWORD)cap);
    return n == 0 || n >= cap ? -1 : (int)n;
}

// The known folders by their address-bar names, in KnownFolderId order.
static const GUID kKnownFolders[KNOWN_FOLDERS] = {
    { 0x374DE290, 0x123F, 0x4565, { 0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B } },   // Downloads
    { 0xFDD39AD0, 0x238F, 0x46AF, { 0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7 } },   // Documents
    { 0xB4BFCC3A, 0xDB2C, 0x424C, { 0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41 } },   // Desktop
    { 0x33E28130, 0x4E1E, 0x4676, { 0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB } },   // Pictures
    { 0x4BD8D571, 0x6D19, 0x48D3, { 0xBE, 0x97, 0x42, 0x22, 0x20, 0x08, 0x0E, 0x43 } },   // Music
    { 0x18989B1D, 0x99B5, 0x455B, { 0x84, 0x1C, 0xAB, 0x7C, 0x74, 0xE4, 0xDD, 0xFC } },   // Videos
    { 0x5E6C858F, 0x0E22, 0x4760, { 0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73 } },   // Profile
};

static int Known(void *, int id, char *out, size_t cap)
{
    if (id < 0 || id >= KNOWN_FOLDERS)
        return -1;
    WCHAR *wide = NULL;
    int n = -1;
    if (SUCCEEDED(SHGetKnownFolderPath(kKnownFolders[id], 0, NULL, &wide)) && wide) {
        // A folder the code page cannot spell would be another folder.
        BOOL lossy = FALSE;
        int got = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, (int)cap, NULL, &lossy);
        n = got > 1 && !lossy ? got - 1 : -1;
    }
    CoTaskMemFree(wide);
    return n;
}

// The configuration file's folder, without a trailing backslash unless it
// is a drive's root ("P:\").
static BOOL ConfigFolder(char *out)
{
    ConfigPath config;
    BufSet(out, MAX_PATH, config.text);
    char *slash = StrRChrA(out, NULL, '\\');
    if (!config.text[0] || !slash)
        return FALSE;
    slash[slash == out + 2 && out[1] == ':' ? 1 : 0] = '\0';
    return TRUE;
}

BOOL ExpandFavouritePath(const char *stored, char *out)
{
    char base[MAX_PATH];
    PathLookup lookup = { Variable, Known, ConfigFolder(base) ? base : NULL, NULL };
    if (!PathNeedsExpanding(stored))
        lookup.base = NULL;   // a plain path needs none of it
    return ExpandPath(stored, &lookup, out, MAX_PATH) == EXPAND_OK;
}

BOOL IsPortableCopy()
{
    char folder[MAX_PATH], module[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_instance, module, COUNTOF(module));
    char *slash = n && n < COUNTOF(module) ? StrRChrA(module, NULL, '\\') : NULL;
    if (!slash || !ConfigFolder(folder))
        return FALSE;
    *slash = '\0';
    return SameFolder(folder, module);
}

BOOL IsNetworkPath(const char *path, DriveTypes *drives)
{
    if (IsUncPath(path))
        return TRUE;
    char letter = (char)(path[0] | 0x20);
    if (letter < 'a' || letter > 'z' || path[1] != ':')
        return FALSE;
    // A drive's type comes from the local redirector: no server is asked.
    // A fixed disk keeps its letter while the program runs: known once, it
    // is not asked again; any other answer is asked again at the next menu.
    static LONG volatile fixed;   // bit n: drive 'a' + n is a fixed disk
    int n = letter - 'a';
    if (fixed & (1L << n))
        return FALSE;
    UINT *type = &drives->type[n];
    if (!*type) {
        char root[4] = { path[0], ':', '\\', '\0' };
        *type = GetDriveTypeA(root) + 1;
        if (*type == DRIVE_FIXED + 1)
            InterlockedOr(&fixed, 1L << n);
    }
    return *type == DRIVE_REMOTE + 1;
}

BOOL FolderShownExists(const char *path, DriveTypes *drives)
{
    if (IsNetworkPath(path, drives))
        return TRUE;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
