// Puts a running host into each idle state that bench/idle.sh measures from
// outside with strace: nothing hidden, a window in the tray, a window behind
// a floating icon, a pinned window. For each state it writes
// <dir>\<n>.ready and waits for <dir>\<n>.done before undoing the state.
// Usage: bench_idle <brivane.exe> <ini> <dir>
#include <windows.h>
#include <stdio.h>
#include <string>
#include "core/shared.h"

static bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Pumps this program's own messages while waiting: its window must answer
// the host's asynchronous show, hide and z-order calls.
template <typename F> static bool WaitFor(F done, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return true;
}

struct FindHost { DWORD pid; HWND found; };

static BOOL CALLBACK FindHostProc(HWND w, LPARAM lp)
{
    FindHost *f = (FindHost *)lp;
    char cls[32] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    GetClassNameA(w, cls, sizeof(cls));
    if (pid == f->pid && !lstrcmpA(cls, "BrivaneHost")) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: bench_idle <brivane.exe> <ini> <dir>\n");
        return 2;
    }
    std::string exe = argv[1], ini = argv[2], dir = argv[3];
    std::string cmd = "\"" + exe + "\" --config \"" + ini + "\"";
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "could not start %s\n", exe.c_str());
        return 1;
    }
    FindHost f = { pi.dwProcessId, NULL };
    WaitFor([&] { EnumWindows(FindHostProc, (LPARAM)&f); return f.found != NULL; }, 30000);
    DWORD_PTR answer;
    if (!f.found || !SendMessageTimeoutA(f.found, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer)) {
        fprintf(stderr, "the host did not come up\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    HWND host = f.found;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BenchIdleWindow";
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "idle bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                  300, 200, NULL, NULL, wc.hInstance, NULL);

    struct Case { const char *name; WPARAM command; } cases[] = {
        { "nothing-hidden", 0 }, { "tray", HOSTCMD_TRAY }, { "floating-icon", HOSTCMD_FLOAT },
        { "pinned", HOSTCMD_TOPMOST },
    };
    int status = 0;
    for (int i = 0; i < 4; i++) {
        const Case &c = cases[i];
        if (c.command)
            PostMessageA(host, WM_HOSTCOMMAND, c.command, (LPARAM)window);
        bool set = c.command == HOSTCMD_TOPMOST
                       ? WaitFor([&] { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 10000)
                       : c.command ? WaitFor([&] { return !IsWindowVisible(window); }, 10000) : true;
        // Whatever the command set off (icons drawn, files written) is over.
        WaitFor([] { return false; }, 1000);
        std::string ready = dir + "\\" + std::to_string(i + 1) + ".ready";
        HANDLE h = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written;
        std::string text = std::string(c.name) + (set ? "" : " (not reached)") + "\n";
        WriteFile(h, text.data(), (DWORD)text.size(), &written, NULL);
        CloseHandle(h);
        if (!set)
            status = 1;
        std::string done = dir + "\\" + std::to_string(i + 1) + ".done";
        WaitFor([&] { return Exists(done); }, 600000);
        if (c.command == HOSTCMD_TOPMOST)
            PostMessageA(host, WM_HOSTCOMMAND, HOSTCMD_TOPMOST, (LPARAM)window);
        else if (c.command)
            PostMessageA(host, WM_APP + 3 /* restore this hidden window */, (WPARAM)window, 0);
        WaitFor([&] { return IsWindowVisible(window) && !(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST); },
                10000);
    }
    std::string stop = "\"" + exe + "\" --exit";
    if (CreateProcessA(NULL, &stop[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return status;
}
