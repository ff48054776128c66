// Entry and generic commands of every client program.
#include "client.h"
#include "core/shared.h"
#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

HWND g_clientControl;
const char *const kTestWindowClass = "BrivaneTestWindow";

static std::map<std::string, ClientCommandFn> &Commands()
{
    static std::map<std::string, ClientCommandFn> table;
    return table;
}

ClientCommandReg::ClientCommandReg(const char *name, ClientCommandFn fn)
{
    Commands()[name] = fn;
}

std::string Hwnd2Str(HWND window)
{
    char buf[32];
    sprintf(buf, "%lu", (unsigned long)(UINT_PTR)window);
    return buf;
}

HWND Str2Hwnd(const std::string &text)
{
    return (HWND)(UINT_PTR)strtoul(text.c_str(), NULL, 10);
}

long ArgInt(const Args &args, size_t i, long def)
{
    if (i >= args.size())
        return def;
    return (long)strtoul(args[i].c_str(), NULL, 0);
}

static Args SplitArgs(const std::string &text)
{
    // Blank-separated; the last argument may hold blanks when quoted with |.
    Args out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            i++;
        if (i >= text.size())
            break;
        if (text[i] == '|') {
            size_t end = text.find('|', i + 1);
            out.push_back(text.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1));
            i = end == std::string::npos ? text.size() : end + 1;
            continue;
        }
        size_t end = text.find(' ', i);
        out.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
        i = end == std::string::npos ? text.size() : end;
    }
    return out;
}

static std::string Run(const std::string &line)
{
    Args args = SplitArgs(line);
    if (args.empty())
        return "error: empty";
    auto it = Commands().find(args[0]);
    if (it == Commands().end())
        return "error: unknown command " + args[0];
    return it->second(args);
}

// --- generic commands -------------------------------------------------------

static std::vector<std::string> s_posted;
static std::string s_lastPostedResult;
static std::map<std::pair<HWND, UINT>, int> s_sysCommands;

#define WM_RUN_POSTED (WM_APP + 1)

CLIENT_COMMAND(ping) { (void)args; return "pong"; }

CLIENT_COMMAND(exit)
{
    PostQuitMessage((int)ArgInt(args, 1, 0));
    return "bye";
}

// post <command...>: runs the command later from the message queue, so that
// modal work does not hold the test's SendMessage.
CLIENT_COMMAND(post)
{
    std::string rest;
    for (size_t i = 1; i < args.size(); i++)
        rest += (i > 1 ? " " : "") + (args[i].find(' ') != std::string::npos ? "|" + args[i] + "|" : args[i]);
    s_posted.push_back(rest);
    PostMessageA(g_clientControl, WM_RUN_POSTED, 0, 0);
    return "posted";
}

CLIENT_COMMAND(result) { (void)args; return s_lastPostedResult; }

// window <style> <exstyle> [title]: a top-level window, shown (and so
// activated) only when the style has WS_VISIBLE.
CLIENT_COMMAND(window)
{
    DWORD style = (DWORD)ArgInt(args, 1, WS_OVERLAPPEDWINDOW);
    DWORD exstyle = (DWORD)ArgInt(args, 2, 0);
    std::string title = args.size() > 3 ? args[3] : "client window";
    HWND w = CreateWindowExA(exstyle, kTestWindowClass, title.c_str(), style, 50, 50, 300, 200,
                             NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (style & WS_VISIBLE)
        UpdateWindow(w);
    return Hwnd2Str(w);
}

// relay <hwnd>: a hidden window that passes the module's commands
// (WM_USER + 1) on to hwnd, as if this program were the host.
static HWND s_relayTo;

static LRESULT CALLBACK RelayProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_USER + 1) {
        PostMessageA(s_relayTo, m, wp, lp);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

CLIENT_COMMAND(relay)
{
    s_relayTo = Str2Hwnd(args.at(1));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RelayProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BrivaneTestRelay";
    RegisterClassA(&wc);
    return Hwnd2Str(CreateWindowExA(0, wc.lpszClassName, "relay", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                    GetModuleHandleA(NULL), NULL));
}

// child <parent>: a child window with a caption and system menu.
CLIENT_COMMAND(child)
{
    HWND w = CreateWindowExA(0, kTestWindowClass, "child",
                             WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             10, 10, 150, 100, Str2Hwnd(args.at(1)), NULL,
                             GetModuleHandleA(NULL), NULL);
    return Hwnd2Str(w);
}

CLIENT_COMMAND(destroy) { return DestroyWindow(Str2Hwnd(args.at(1))) ? "ok" : "failed"; }

CLIENT_COMMAND(activate)
{
    HWND w = Str2Hwnd(args.at(1));
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    SetActiveWindow(w);
    return GetActiveWindow() == w ? "ok" : "not active";
}

// sysmenu <hwnd>: the system menu as id,checked,text|... ("none" without one).
CLIENT_COMMAND(sysmenu)
{
    HMENU menu = GetSystemMenu(Str2Hwnd(args.at(1)), FALSE);
    if (!menu)
        return "none";
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        char text[256] = "";
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &mii);
        char line[320];
        sprintf(line, "%u,%d,%s", mii.wID, (mii.fState & MFS_CHECKED) ? 1 : 0,
                (mii.fType & MFT_SEPARATOR) ? "-" : text);
        out += (i ? "|" : "") + std::string(line);
    }
    return out;
}

// syscmd <hwnd> <command> <lParam>: posts WM_SYSCOMMAND as a menu does.
CLIENT_COMMAND(syscmd)
{
    return PostMessageA(Str2Hwnd(args.at(1)), WM_SYSCOMMAND, ArgInt(args, 2), ArgInt(args, 3))
               ? "ok" : "failed";
}

// syscmdpeek <hwnd> <command> <lParam>: posts WM_SYSCOMMAND and looks at it
// without taking it, as a program that peeks ahead does; its loop then takes
// it, so that hooks see the one message twice.
CLIENT_COMMAND(syscmdpeek)
{
    HWND window = Str2Hwnd(args.at(1));
    if (!PostMessageA(window, WM_SYSCOMMAND, ArgInt(args, 2), ArgInt(args, 3)))
        return "failed";
    MSG msg;
    return PeekMessageA(&msg, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE) ? "ok" : "failed";
}

// syscount <hwnd> <command>: WM_SYSCOMMANDs with that command the window got.
CLIENT_COMMAND(syscount)
{
    char buf[16];
    sprintf(buf, "%d", s_sysCommands[std::make_pair(Str2Hwnd(args.at(1)), (UINT)ArgInt(args, 2))]);
    return buf;
}

// exstyle <hwnd>
CLIENT_COMMAND(exstyle)
{
    char buf[16];
    sprintf(buf, "0x%08lx", (unsigned long)GetWindowLongA(Str2Hwnd(args.at(1)), GWL_EXSTYLE));
    return buf;
}

// loadmodule: loads brivane.dll here, as a hook would.
CLIENT_COMMAND(loadmodule)
{
    (void)args;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        n--;
    lstrcpyA(path + n, BRIVANE_MODULE_FILE);
    return LoadLibraryA(path) ? "ok" : "failed";
}

// delmenu <hwnd> <id>: deletes a command from the window's system menu.
CLIENT_COMMAND(delmenu)
{
    HMENU menu = GetSystemMenu(Str2Hwnd(args.at(1)), FALSE);
    return menu && DeleteMenu(menu, (UINT)ArgInt(args, 2), MF_BYCOMMAND) ? "ok" : "failed";
}

// readblock: hostWindow|configPath of the shared block as this process maps it.
CLIENT_COMMAND(readblock)
{
    (void)args;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, BRIVANE_SHMEM_NAME);
    if (!mapping)
        return "no block";
    const SharedSettings *s = (const SharedSettings *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    std::string out = Hwnd2Str(s->hostWindow) + "|" +
                      std::string(s->configPath, strnlen(s->configPath, CONFIG_PATH_CAPACITY));
    UnmapViewOfFile(s);
    CloseHandle(mapping);
    return out;
}

// writeblock <hwnd> <path>
CLIENT_COMMAND(writeblock)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, BRIVANE_SHMEM_NAME);
    if (!mapping)
        return "no block";
    SharedSettings *s = (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    s->hostWindow = Str2Hwnd(args.at(1));
    lstrcpynA(s->configPath, args.size() > 2 ? args[2].c_str() : "", CONFIG_PATH_CAPACITY);
    UnmapViewOfFile(s);
    CloseHandle(mapping);
    return "ok";
}

// strays: WM_HOSTCOMMAND messages that reached this thread's own queue.
static int s_strays;
CLIENT_COMMAND(strays)
{
    (void)args;
    char buf[16];
    sprintf(buf, "%d", s_strays);
    return buf;
}

// --- windows ----------------------------------------------------------------

static LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CONTEXTMENU)
        return 0;   // no system menu on caption right clicks: tests click there
    if (msg == WM_SYSCOMMAND) {
        s_sysCommands[std::make_pair(hwnd, (UINT)(wParam & 0xFFFF))]++;
        if ((wParam & 0xFFFF) >= 499 && (wParam & 0xFFFF) <= 502)
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT *cds = (const COPYDATASTRUCT *)lParam;
        std::string line((const char *)cds->lpData, cds->cbData);
        std::string answer = Run(line);
        COPYDATASTRUCT reply = { 2, (DWORD)answer.size(), (void *)answer.data() };
        SendMessageA((HWND)wParam, WM_COPYDATA, (WPARAM)hwnd, (LPARAM)&reply);
        return TRUE;
    }
    case WM_RUN_POSTED:
        if (!s_posted.empty()) {
            std::string line = s_posted.front();
            s_posted.erase(s_posted.begin());
            s_lastPostedResult = Run(line);
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = instance;
    wc.lpszClassName = "BrivaneTestClient";
    RegisterClassA(&wc);
    wc.lpfnWndProc = TestWindowProc;
    wc.lpszClassName = kTestWindowClass;
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    RegisterClassA(&wc);

    char title[32];
    sprintf(title, "client %lu", GetCurrentProcessId());
    // Not message-only: the test finds it with EnumWindows.
    g_clientControl = CreateWindowA("BrivaneTestClient", title, WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                    instance, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == WM_HOSTCOMMAND)
            s_strays++;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
