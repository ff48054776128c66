// "Start with Windows": the host's value under the user's Run key. The
// installer writes the same value, in the same form, when the user asks it
// to start Brivane at log-on.
#include "host.h"
#include "../core/textbuf.h"

static const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t RUN_VALUE[] = L"Brivane";

// Set once at start: the --config the host runs with, or empty.
static wchar_t s_configArg[CONFIG_PATH_CAPACITY];

void SetAutostartConfig(const wchar_t *configGiven)
{
    s_configArg[0] = 0;
    if (configGiven && lstrlenW(configGiven) < (int)COUNTOF(s_configArg))
        lstrcpyW(s_configArg, configGiven);
}

// "C:\...\brivane.exe", followed by --config "PATH" when the host was
// started with one. FALSE when it does not fit.
static BOOL AutostartCommand(wchar_t *out, size_t size)
{
    wchar_t exe[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(NULL, exe, COUNTOF(exe));
    if (n == 0 || n >= COUNTOF(exe))
        return FALSE;
    size_t need = (size_t)n + 3 + (s_configArg[0] ? 13 + (size_t)lstrlenW(s_configArg) : 0);
    if (need > size)
        return FALSE;
    lstrcpyW(out, L"\"");
    lstrcatW(out, exe);
    lstrcatW(out, L"\"");
    if (s_configArg[0]) {
        lstrcatW(out, L" --config \"");
        lstrcatW(out, s_configArg);
        lstrcatW(out, L"\"");
    }
    return TRUE;
}

BOOL StartsWithWindows()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    // Only a value that starts this very program counts: one left by another
    // copy (the installed one, say) is replaced when the item is chosen.
    wchar_t data[CONFIG_PATH_CAPACITY + MAX_PATH * 2 + 32];
    DWORD type = 0, bytes = sizeof(data) - sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key, RUN_VALUE, NULL, &type, (BYTE *)data, &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    data[bytes / sizeof(wchar_t)] = 0;
    wchar_t exe[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(NULL, exe, COUNTOF(exe));
    if (n == 0 || n >= COUNTOF(exe))
        return FALSE;
    // The program is the quoted first word, or the whole text up to the
    // first blank when unquoted.
    const wchar_t *start = data;
    wchar_t end = L' ';
    if (*start == L'"') {
        start++;
        end = L'"';
    }
    size_t len = 0;
    while (start[len] && start[len] != end)
        len++;
    return len == n && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, start, (int)len, exe, (int)n) == CSTR_EQUAL;
}

BOOL SetStartWithWindows(BOOL on)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return FALSE;
    LONG rc;
    if (on) {
        wchar_t command[CONFIG_PATH_CAPACITY + MAX_PATH * 2 + 32];
        rc = AutostartCommand(command, COUNTOF(command))
                 ? RegSetValueExW(key, RUN_VALUE, 0, REG_SZ, (const BYTE *)command,
                                  (DWORD)((lstrlenW(command) + 1) * sizeof(wchar_t)))
                 : ERROR_FILENAME_EXCED_RANGE;
    } else {
        rc = RegDeleteValueW(key, RUN_VALUE);
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
