#include "harness.h"
#include <sddl.h>
#include <stdio.h>
#include <stdlib.h>

namespace th {

void Pump(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        LONG left = (LONG)(end - GetTickCount());
        if (left <= 0)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, left < 10 ? (DWORD)left : 10, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()> &pred, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return pred();
        Pump(10);
    }
}

std::string ExeDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/')
        n--;
    return std::string(path, n);
}

std::string TempPath(const std::string &name)
{
    static std::string dir;
    if (dir.empty()) {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        char sub[64];
        sprintf(sub, "brivane-test-%lu\\", GetCurrentProcessId());
        dir = std::string(base) + sub;
        CreateDirectoryA(dir.c_str(), NULL);
    }
    return dir + name;
}

std::string ReadFile(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return "";
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

bool WriteFile(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string HwndStr(HWND window)
{
    char buf[32];
    sprintf(buf, "%lu", (unsigned long)(UINT_PTR)window);
    return buf;
}

HWND StrHwnd(const std::string &text)
{
    return (HWND)(UINT_PTR)strtoul(text.c_str(), NULL, 10);
}

std::vector<std::string> Split(const std::string &text, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(sep, start);
        out.push_back(text.substr(start, pos - start));
        if (pos == std::string::npos)
            return out;
        start = pos + 1;
    }
}

Module::Module()
{
    handle = LoadLibraryA((ExeDir() + BRIVANE_MODULE_FILE).c_str());
    if (!handle)
        return;
    SetHook = (BOOL (WINAPI *)(void))GetProcAddress(handle, "SetHook_");
    UnHook = (BOOL (WINAPI *)(void))GetProcAddress(handle, "UnHook_");
    RequestSettings = (void (WINAPI *)(void))GetProcAddress(handle, "RequestSettings_");
    EditIni = (INT_PTR (WINAPI *)(HINSTANCE, HWND))GetProcAddress(handle, "EditIni_");
}

Module::~Module()
{
    if (handle)
        FreeLibrary(handle);
}

SharedBlock::SharedBlock()
{
    // Made as the host makes it: owned by the user, for the user and
    // SYSTEM only, labelled at this program's level with no-write-up. A
    // block of a test can outlive the test in hooked programs, and a later
    // host accepts only a block of the user's own, and (elevated, as every
    // program is under Wine) one that no lower level may write.
    PSECURITY_DESCRIPTOR sd = NULL;
    HANDLE token;
    union { TOKEN_USER user; BYTE bytes[128]; } me;
    union { TOKEN_MANDATORY_LABEL label; BYTE bytes[128]; } level;
    DWORD size = 0;
    char *sid = NULL;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        const char *label = "ME";
        if (GetTokenInformation(token, TokenIntegrityLevel, &level, sizeof(level), &size)) {
            PSID ls = level.label.Label.Sid;
            if (*GetSidSubAuthority(ls, *GetSidSubAuthorityCount(ls) - 1) >= SECURITY_MANDATORY_HIGH_RID)
                label = "HI";
        }
        if (GetTokenInformation(token, TokenUser, &me, sizeof(me), &size) &&
            ConvertSidToStringSidA(me.user.User.Sid, &sid)) {
            std::string sddl = std::string("O:") + sid + "D:P(A;;GA;;;" + sid + ")(A;;GA;;;SY)S:(ML;;NW;;;" + label + ")";
            ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, NULL);
            LocalFree(sid);
        }
        CloseHandle(token);
    }
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, sd ? &sa : NULL, PAGE_READWRITE, 0,
                                 BRIVANE_SHMEM_SIZE, BRIVANE_SHMEM_NAME);
    LocalFree(sd);
    if (mapping)
        settings = (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (settings)
        ZeroMemory(settings, sizeof(*settings));
}

SharedBlock::~SharedBlock()
{
    if (settings)
        UnmapViewOfFile(settings);
    if (mapping)
        CloseHandle(mapping);
}

void SharedBlock::SetConfigPath(const std::string &path)
{
    lstrcpynA(settings->configPath, path.c_str(), CONFIG_PATH_CAPACITY);
}

HostWindow::HostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BrivaneTestHost";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowA("BrivaneTestHost", "test host", WS_POPUP, 0, 0, 10, 10,
                          NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, (LONG_PTR)this);
}

HostWindow::~HostWindow()
{
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_HOSTCOMMAND) {
        // The module's hints about windows shown, moved or closed are not
        // commands: the tests of forwarding count commands.
        HostWindow *self = (HostWindow *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
        if (self && (wParam < HOSTCMD_WINDOW_SHOWN || wParam > HOSTCMD_WINDOW_GONE))
            self->commands_.push_back(Command{ wParam, (HWND)lParam });
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool HostWindow::WaitFor(size_t n, DWORD timeoutMs)
{
    return WaitUntil([&] { return commands_.size() >= n; }, timeoutMs);
}

// --- client ---------------------------------------------------------------

static std::string s_reply;
static bool s_replied;

static LRESULT CALLBACK ReplyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COPYDATA) {
        const COPYDATASTRUCT *cds = (const COPYDATASTRUCT *)lParam;
        s_reply.assign((const char *)cds->lpData, cds->cbData);
        s_replied = true;
        return TRUE;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static HWND ReplyWindow()
{
    static HWND window;
    if (!window) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ReplyProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "BrivaneTestReply";
        RegisterClassA(&wc);
        window = CreateWindowA("BrivaneTestReply", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                               wc.hInstance, NULL);
    }
    return window;
}

HANDLE Start(const std::string &commandLine, DWORD *pid)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    if (pid)
        *pid = pi.dwProcessId;
    return pi.hProcess;
}

struct WindowQuery { DWORD pid; const char *cls, *title; HWND found; };

static BOOL CALLBACK MatchWindow(HWND w, LPARAM lp)
{
    WindowQuery *q = (WindowQuery *)lp;
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (q->pid && owner != q->pid)
        return TRUE;
    char buf[256];
    if (q->cls && (!GetClassNameA(w, buf, sizeof(buf)) || lstrcmpiA(buf, q->cls)))
        return TRUE;
    if (q->title && (GetWindowTextA(w, buf, sizeof(buf)), lstrcmpA(buf, q->title)))
        return TRUE;
    q->found = w;
    return FALSE;
}

HWND FindTopWindow(DWORD pid, const char *cls, const char *title)
{
    WindowQuery q = { pid, cls, title, NULL };
    EnumWindows(MatchWindow, (LPARAM)&q);
    return q.found;
}

HWND WaitForProcessWindow(DWORD pid, const char *cls, const char *title, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] { return (found = FindTopWindow(pid, cls, title)) != NULL; }, timeoutMs);
    return found;
}

Client::Client(const std::string &exe, const std::string &args)
{
    ZeroMemory(&pi_, sizeof(pi_));
    std::string line = "\"" + ExeDir() + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi_))
        return;
    control_ = WaitForProcessWindow(pi_.dwProcessId, "BrivaneTestClient", NULL, 20000);
}

Client::~Client()
{
    if (pi_.hProcess) {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            if (control_)
                PostMessageA(control_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(pi_.hProcess, 3000) == WAIT_TIMEOUT)
                TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
}

std::string Client::Call(const std::string &command, DWORD timeoutMs)
{
    if (!control_)
        return "";
    s_replied = false;
    s_reply.clear();
    COPYDATASTRUCT cds = { 1, (DWORD)command.size(), (void *)command.data() };
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control_, WM_COPYDATA, (WPARAM)ReplyWindow(), (LPARAM)&cds,
                        SMTO_NORMAL, timeoutMs, &result);
    return s_replied ? s_reply : std::string();
}

bool Client::Post(const std::string &command)
{
    // WM_COPYDATA cannot be posted: hand the text over and let the client
    // run it from its own queue.
    return Call("post " + command) == "posted";
}

bool Client::WaitExit(DWORD timeoutMs, DWORD *code)
{
    bool done = false;
    WaitUntil([&] { return (done = WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0); },
              timeoutMs);
    if (done && code)
        GetExitCodeProcess(pi_.hProcess, code);
    return done;
}

long RunToEnd(const std::string &commandLine, DWORD timeoutMs)
{
    HANDLE p = Start(commandLine);
    if (!p)
        return -2;
    DWORD code = (DWORD)-1;
    bool done = WaitUntil([&] { return WaitForSingleObject(p, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (done)
        GetExitCodeProcess(p, &code);
    else
        TerminateProcess(p, 1);
    CloseHandle(p);
    return done ? (long)code : -1;
}

std::string UserSid()
{
    HANDLE token;
    union { TOKEN_USER user; BYTE bytes[128]; } me;
    DWORD size = 0;
    std::string out;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        char *text = NULL;
        if (GetTokenInformation(token, TokenUser, &me, sizeof(me), &size) && ConvertSidToStringSidA(me.user.User.Sid, &text))
            out = text;
        LocalFree(text);
        CloseHandle(token);
    }
    return out;
}

} // namespace th
