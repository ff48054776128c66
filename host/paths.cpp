// Where the host's files are, found with the wide-character functions, and
// how the configuration path is spelled for the module, which reads it as
// ANSI text from the shared block.
#include "host.h"
#include <shlobj.h>
#include "../core/textbuf.h"

BOOL ProgramFolderW(wchar_t *out, DWORD size)
{
    DWORD n = GetModuleFileNameW(NULL, out, size);
    if (n == 0 || n >= size) {
        if (size)
            out[0] = 0;
        return FALSE;
    }
    while (n > 0 && out[n - 1] != L'\\' && out[n - 1] != L'/')
        n--;
    out[n] = 0;
    return TRUE;
}

// dst = a + b when it fits into size characters; FALSE (dst empty) if not.
static BOOL JoinW(wchar_t *dst, DWORD size, const wchar_t *a, const wchar_t *b)
{
    size_t la = lstrlenW(a), lb = lstrlenW(b);
    if (la + lb + 1 > size) {
        if (size)
            dst[0] = 0;
        return FALSE;
    }
    CopyMemory(dst, a, la * sizeof(wchar_t));
    CopyMemory(dst + la, b, (lb + 1) * sizeof(wchar_t));
    return TRUE;
}

BOOL ChooseConfigPathW(const wchar_t *given, wchar_t *out, DWORD size)
{
    if (given) {
        DWORD n = GetFullPathNameW(given, size, out, NULL);
        return n > 0 && n < size;
    }
    wchar_t folder[MAX_PATH];
    if (ProgramFolderW(folder, COUNTOF(folder)) && JoinW(out, size, folder, L"brivane.ini") &&
        GetFileAttributesW(out) != INVALID_FILE_ATTRIBUTES)
        return TRUE;
    wchar_t appData[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_APPDATA | CSIDL_FLAG_CREATE, NULL, 0, appData) != S_OK)
        return out[0] != 0;   // beside the program: nowhere else to go
    wchar_t dir[MAX_PATH + 16];
    if (!JoinW(dir, COUNTOF(dir), appData, L"\\Brivane"))
        return FALSE;
    CreateDirectoryW(dir, NULL);
    return JoinW(out, size, dir, L"\\brivane.ini");
}

// The ANSI spelling of path when the code page spells every character
// (no best-fit look-alikes, no default character) and it fits size.
static BOOL ExactAnsi(const wchar_t *path, char *out, int size)
{
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, out, size, NULL, &lossy);
    if (n <= 0 || lossy) {
        if (size)
            out[0] = 0;
        return FALSE;
    }
    return TRUE;
}

AnsiPathKind AnsiPathFor(const wchar_t *path, char *out, DWORD size)
{
    // The module opens the file with the ANSI profile functions, which
    // take at most MAX_PATH characters.
    DWORD limit = size < MAX_PATH ? size : MAX_PATH;
    if (ExactAnsi(path, out, (int)limit))
        return ANSI_PATH_AS_IS;
    // The short form exists only for what exists: the file may not be there
    // yet (the sheet creates it), its folder must be.
    wchar_t shortPath[MAX_PATH * 2];
    DWORD n = GetShortPathNameW(path, shortPath, COUNTOF(shortPath));
    if (n == 0 || n >= COUNTOF(shortPath)) {
        const wchar_t *name = path + lstrlenW(path);
        while (name > path && name[-1] != L'\\' && name[-1] != L'/')
            name--;
        wchar_t folder[MAX_PATH * 2];
        size_t folderLength = (size_t)(name - path);
        if (folderLength == 0 || folderLength >= COUNTOF(folder))
            return ANSI_PATH_NONE;
        CopyMemory(folder, path, folderLength * sizeof(wchar_t));
        folder[folderLength] = 0;
        wchar_t shortFolder[MAX_PATH * 2];
        n = GetShortPathNameW(folder, shortFolder, COUNTOF(shortFolder));
        if (n == 0 || n >= COUNTOF(shortFolder) || !JoinW(shortPath, COUNTOF(shortPath), shortFolder, name))
            return ANSI_PATH_NONE;
    }
    // A volume without short names gives the long name back.
    return ExactAnsi(shortPath, out, (int)limit) ? ANSI_PATH_SHORT : ANSI_PATH_NONE;
}
