// Test-side support: this test program plays the host (it loads the module,
// owns the host window and sets the hooks); client programs started from
// here own the windows under test, as other programs on a desktop do.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "../../core/shared.h"

// Test programs and clients of the 64-bit half carry this after their name,
// beside the 32-bit ones in the same folder (a 64-bit build on its own
// names them plainly).
#ifdef BRIVANE_HALF64_TESTS
#define BITNESS_SUFFIX "64"
#else
#define BITNESS_SUFFIX ""
#endif

namespace th {

// Pumps this thread's messages until pred() holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()> &pred, DWORD timeoutMs = 10000);
// Pumps messages, for work that must happen but has no visible end.
void Pump(DWORD ms);

std::string ExeDir();                  // folder of the test programs and brivane.dll
std::string TempPath(const std::string &name);  // a file in this run's own folder
std::string ReadFile(const std::string &path);  // whole file, "" when missing
bool WriteFile(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);

std::string HwndStr(HWND window);
HWND StrHwnd(const std::string &text);
std::vector<std::string> Split(const std::string &text, char sep);

// The module of this bitness loaded from ExeDir, with its exports.
struct Module {
    HMODULE handle = NULL;
    BOOL (WINAPI *SetHook)(void) = nullptr;
    BOOL (WINAPI *UnHook)(void) = nullptr;
    void (WINAPI *RequestSettings)(void) = nullptr;
    INT_PTR (WINAPI *EditIni)(HINSTANCE, HWND) = nullptr;
    Module();
    ~Module();
};

// The shared block mapped by this process on its own, as a host built
// against the layout maps it. Clears it on construction.
struct SharedBlock {
    HANDLE mapping = NULL;
    SharedSettings *settings = nullptr;
    SharedBlock();
    ~SharedBlock();
    void SetConfigPath(const std::string &path);
};

// A window that records the WM_HOSTCOMMAND messages it receives.
class HostWindow {
public:
    struct Command { WPARAM code; HWND window; };
    HostWindow();
    ~HostWindow();
    HWND hwnd() const { return hwnd_; }
    const std::vector<Command> &commands() const { return commands_; }
    void Clear() { commands_.clear(); }
    // Waits until at least n commands arrived; false on timeout.
    bool WaitFor(size_t n, DWORD timeoutMs = 5000);
private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_;
    std::vector<Command> commands_;
};

// A client program (tests/support/client_main.cpp plus commands of its own)
// driven through WM_COPYDATA. Ended by handle when the test ends.
class Client {
public:
    explicit Client(const std::string &exe, const std::string &args = "");
    ~Client();
    bool ok() const { return control_ != NULL; }
    DWORD pid() const { return pi_.dwProcessId; }
    HANDLE process() const { return pi_.hProcess; }
    // Runs one command in the client and returns its answer; "" when the
    // client does not answer.
    std::string Call(const std::string &command, DWORD timeoutMs = 15000);
    // Sends a command without waiting for its end (for modal work); the
    // client answers nothing.
    bool Post(const std::string &command);
    // Waits for the client to exit; true when it did and gives its code.
    bool WaitExit(DWORD timeoutMs, DWORD *code = nullptr);
private:
    PROCESS_INFORMATION pi_;
    HWND control_ = NULL;
};

// Top-level or any window of a process matching class (and title when not
// null); polls until timeoutMs.
HWND WaitForProcessWindow(DWORD pid, const char *cls, const char *title, DWORD timeoutMs = 10000);
// The first window of the class and optional title owned by any process.
HWND FindTopWindow(DWORD pid, const char *cls, const char *title);

// Starts a program by command line; returns its process handle (or NULL).
HANDLE Start(const std::string &commandLine, DWORD *pid = nullptr);
// Runs a program to its end: its exit code, -1 when it did not end in time
// (it is then ended), -2 when it did not start.
long RunToEnd(const std::string &commandLine, DWORD timeoutMs = 60000);

// The current user's SID as text ("S-1-5-..."); "" when it cannot be read.
std::string UserSid();

} // namespace th
