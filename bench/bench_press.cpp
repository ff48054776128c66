// The whole press of the favourites button, measured from outside the
// module: from the posted command to the menu on screen, beside a plain
// popup menu of as many items that the same dialog's thread shows in the
// same place. bench_workload.exe press shows the dialog and takes the times
// (in the program itself, so that polling from another process does not
// add its noise); this program plays the host: the block, a configuration
// file whose section global holds the entries, a recent list of ten
// existing folders, and the module's hooks.
//   bench_press.exe [entries, default 500] [rounds, default 3] [module file or -] [classic|item] [cold|warm]
//                   [open windows, default 0]
// (item: in the Common Item Dialog rather than the classic one; cold: the
// configuration file changed before each press, as after any edit, so that
// the profile functions read it anew; open windows: that many windows of
// the file manager's stand-in, tests/support/shellwindows.cpp, registered
// for the Shell's list of windows, each showing a folder of its own)
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "core/shared.h"

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static void WriteText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
}

int main(int argc, char **argv)
{
    int entries = argc > 1 ? atoi(argv[1]) : 500;
    int rounds = argc > 2 ? atoi(argv[2]) : 3;
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string dir = self;
    dir.erase(dir.find_last_of("\\/") + 1);
    std::string modulePath = argc > 3 && strcmp(argv[3], "-") ? argv[3] : dir + BRIVANE_MODULE_FILE;
    bool item = argc > 4 && !strcmp(argv[4], "item");
    bool cold = argc > 5 && !strcmp(argv[5], "cold");
    int open = argc > 6 ? atoi(argv[6]) : 0;

    std::string ini = dir + "bench_press.ini", text = "[global]\r\n", recent;
    for (int i = 1; i <= entries; i++) {
        char line[128];
        sprintf(line, "name%d=Folder %d\r\npath%d=C:\\Users\\Public\\Folder %d\r\n", i, i, i, i);
        text += line;
    }
    WriteText(ini, text);
    for (int i = 0; i < 10; i++) {
        std::string folder = dir + "bench_recent_" + std::to_string(i);
        CreateDirectoryA(folder.c_str(), NULL);
        recent += folder + "\r\n";
    }
    WriteText(dir + "bench_press.recent", recent);

    // The file manager's windows: the stand-in registered as the list's
    // server in the prefix, its windows made in this process.
    HKEY key = NULL;
    char oldServer[MAX_PATH] = "";
    if (open > 0) {
        HMODULE standIn = LoadLibraryA((dir + "shellwindows_standin.dll").c_str());
        HWND (WINAPI *openWindow)(const char *) =
            standIn ? (HWND (WINAPI *)(const char *))(void *)GetProcAddress(standIn, "StandInOpen") : NULL;
        if (!openWindow || RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                           "Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32",
                                           0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS) {
            fprintf(stderr, "cannot set up the stand-in for the Shell's windows\n");
            return 1;
        }
        DWORD n = sizeof(oldServer);
        RegQueryValueExA(key, NULL, NULL, NULL, (BYTE *)oldServer, &n);
        std::string server = dir + "shellwindows_standin.dll";
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)server.c_str(), (DWORD)server.size() + 1);
        RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE *)"Both", 5);
        for (int i = 0; i < open; i++) {
            std::string folder = dir + "bench_open_" + std::to_string(i);
            CreateDirectoryA(folder.c_str(), NULL);
            openWindow(folder.c_str());
        }
    }

    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, BRIVANE_SHMEM_SIZE,
                                        BRIVANE_SHMEM_NAME);
    SharedSettings *block = (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BrivaneBenchPressHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    HMODULE module = LoadLibraryA(modulePath.c_str());
    BOOL (WINAPI *setHook)(void) = module ? (BOOL (WINAPI *)(void))(void *)GetProcAddress(module, "SetHook_") : NULL;
    BOOL (WINAPI *unHook)(void) = module ? (BOOL (WINAPI *)(void))(void *)GetProcAddress(module, "UnHook_") : NULL;
    if (!block || !setHook || !unHook) {
        fprintf(stderr, "cannot load %s\n", modulePath.c_str());
        return 1;
    }
    block->hostWindow = host;
    lstrcpynA(block->configPath, ini.c_str(), CONFIG_PATH_CAPACITY);
    if (!setHook()) {
        fprintf(stderr, "SetHook_ failed\n");
        return 1;
    }

    std::string out = dir + "bench_press_out.txt";
    DeleteFileA(out.c_str());
    std::string cmd = "\"" + dir + "bench_workload.exe\" press \"" + out + "\" " + std::to_string(entries) + " " +
                      std::to_string(rounds) + (item ? " item" : " classic") + (cold ? " \"" + ini + "\"" : "");
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "cannot start bench_workload.exe\n");
        return 1;
    }
    // This thread set the hooks: it keeps pumping while the program runs.
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 600000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    TerminateProcess(pi.hProcess, 1);   // only if it hung
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    unHook();
    if (key) {
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)oldServer, (DWORD)strlen(oldServer) + 1);
        RegCloseKey(key);
    }
    std::vector<double> times[2];
    const char *names[2] = { "plain popup menu", "favourites menu" };
    FILE *f = fopen(out.c_str(), "r");
    for (int k = 0; f && k < 2; k++) {
        char row[8192];
        if (!fgets(row, sizeof(row), f))
            break;
        for (char *p = strtok(row, " \n"); p; p = strtok(NULL, " \n"))
            times[k].push_back(atof(p));
    }
    if (f)
        fclose(f);
    if (times[0].empty() || times[0].size() != times[1].size()) {
        fprintf(stderr, "a menu did not open or close\n");
        return 1;
    }
    printf("Press of the favourites button from outside, in the %s dialog, %d entries in section global%s, ten "
           "recent folders and %d windows of the file manager open, beside a plain popup menu of %d items in the "
           "same dialog; from the posted command to the menu on screen, median of %d rounds (after one to warm "
           "up).\n\n",
           item ? "item" : "classic", entries, cold ? " (the file changed before each press)" : "", open, entries,
           rounds);
    printf("| menu | median ms | all ms |\n|---|---|---|\n");
    for (int k = 0; k < 2; k++) {
        printf("| %s | %.1f |", names[k], Median(times[k]));
        for (double t : times[k])
            printf(" %.1f", t);
        printf(" |\n");
    }
    // Each round shows the two one after the other: the median of the
    // rounds' differences leaves out what the machine did between rounds.
    std::vector<double> diff, lows;
    for (size_t i = 0; i < times[0].size(); i++)
        diff.push_back(times[1][i] - times[0][i]);
    printf("\nmedian of the rounds' differences: %.1f ms; difference of the fastest: %.1f ms\n", Median(diff),
           *std::min_element(times[1].begin(), times[1].end()) - *std::min_element(times[0].begin(), times[0].end()));
    if (open)
        printf("\nfavourites-press-%d-over-plain-%d-open: %.1f ms\n", entries, open, Median(times[1]) - Median(times[0]));
    else
        printf("\nfavourites-press-%d-over-plain: %.1f ms\n", entries, Median(times[1]) - Median(times[0]));
    return 0;
}
