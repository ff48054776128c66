// How a second start reaches the running host: a named pipe that only this
// user's programs at medium integrity or above can open, instead of
// messages to the host window that any program could send.
#include "host.h"
#include <sddl.h>
#include "../core/textbuf.h"
#include "../core/user_only.h"

enum { REQUEST_WAIT_MS = 2000 };

#ifndef PIPE_REJECT_REMOTE_CLIENTS
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008
#endif

// One name per user and session: pipe names are machine-wide.
static BOOL PipeName(char *out, DWORD size)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    union { TOKEN_USER user; BYTE bytes[128]; } info;
    DWORD needed = 0;
    BOOL ok = GetTokenInformation(token, TokenUser, &info, sizeof(info), &needed);
    CloseHandle(token);
    char *sid = NULL;
    if (!ok || !ConvertSidToStringSidA(info.user.User.Sid, &sid))
        return FALSE;
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    char head[64];
    wsprintfA(head, "\\\\.\\pipe\\BrivaneHost-%lu-", (unsigned long)session);
    ok = BufJoin(out, size, head, sid);
    LocalFree(sid);
    return ok;
}

// Waits for an overlapped transfer; gives up (and cancels it) after ms.
static BOOL Finish(HANDLE pipe, OVERLAPPED *ov, BOOL started, DWORD ms, DWORD *done)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return FALSE;
    if (WaitForSingleObject(ov->hEvent, ms) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, ov, done, TRUE);
        return FALSE;
    }
    return GetOverlappedResult(pipe, ov, done, FALSE);
}

static char s_pipeName[256];
static HANDLE s_firstPipe = INVALID_HANDLE_VALUE;

static HANDLE NewPipeInstance(BOOL first)
{
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NWNR", "ME");
    if (!sd)
        return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    // The first instance must be ours: a name somebody else already holds
    // is not used at all.
    HANDLE pipe = CreateNamedPipeA(s_pipeName,
                                   PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                   1, sizeof(DWORD), sizeof(DWORD), 0, &sa);
    LocalFree(sd);
    return pipe;
}

// Serves one client after another. A client that says nothing is dropped
// after a while, so nobody can hold the door shut.
static DWORD WINAPI ServeRequests(LPVOID window)
{
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE pipe = s_firstPipe;
    while (event && pipe != INVALID_HANDLE_VALUE) {
        OVERLAPPED ov = {};
        ov.hEvent = event;
        ResetEvent(event);
        DWORD done = 0;
        BOOL connected = ConnectNamedPipe(pipe, &ov) || GetLastError() == ERROR_PIPE_CONNECTED;
        if (!connected)
            connected = Finish(pipe, &ov, FALSE, INFINITE, &done);
        DWORD request = 0;
        if (connected) {
            ResetEvent(event);
            BOOL read = Finish(pipe, &ov, ReadFile(pipe, &request, sizeof(request), NULL, &ov), REQUEST_WAIT_MS, &done);
            if (read && done == sizeof(request) &&
                (request == HOST_REQUEST_START || request == HOST_REQUEST_SETTINGS || request == HOST_REQUEST_EXIT)) {
                DWORD pid = GetCurrentProcessId();
                ResetEvent(event);
                Finish(pipe, &ov, WriteFile(pipe, &pid, sizeof(pid), NULL, &ov), REQUEST_WAIT_MS, &done);
                PostMessageA((HWND)window, WM_HOSTREQUEST, request, 0);
            }
        }
        DisconnectNamedPipe(pipe);
        if (!connected)
            Sleep(50);   // a broken pipe must not spin
    }
    return 0;
}

BOOL StartRequestPipe(HWND window)
{
    if (!PipeName(s_pipeName, COUNTOF(s_pipeName)))
        return FALSE;
    s_firstPipe = NewPipeInstance(TRUE);
    if (s_firstPipe == INVALID_HANDLE_VALUE)
        return FALSE;
    HANDLE thread = CreateThread(NULL, 0, ServeRequests, window, 0, NULL);
    if (!thread)
        return FALSE;
    CloseHandle(thread);
    return TRUE;
}

BOOL SendHostRequest(DWORD request, DWORD timeoutMs, DWORD *hostPid)
{
    char name[256];
    if (!PipeName(name, COUNTOF(name)))
        return FALSE;
    DWORD start = GetTickCount();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    // The first instance may still be starting, or serving another start.
    // SECURITY_IDENTIFICATION: whoever answers may not act as this user.
    for (;;) {
        pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, NULL);
        if (pipe != INVALID_HANDLE_VALUE || GetTickCount() - start >= timeoutMs)
            break;
        if (GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeA(name, 100);
        else
            Sleep(50);
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return FALSE;
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    OVERLAPPED ov = {};
    ov.hEvent = event;
    DWORD done = 0, pid = 0;
    BOOL ok = event && Finish(pipe, &ov, WriteFile(pipe, &request, sizeof(request), NULL, &ov), REQUEST_WAIT_MS, &done) &&
              done == sizeof(request);
    if (ok) {
        ResetEvent(event);
        ok = Finish(pipe, &ov, ReadFile(pipe, &pid, sizeof(pid), NULL, &ov), REQUEST_WAIT_MS, &done) &&
             done == sizeof(pid);
    }
    // Where the system names the server, it must be the one that answered.
    typedef BOOL (WINAPI *ServerPidFn)(HANDLE, PULONG);
    ServerPidFn serverPid = (ServerPidFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNamedPipeServerProcessId");
    ULONG server = 0;
    if (ok && serverPid && serverPid(pipe, &server) && server && server != pid)
        ok = FALSE;
    if (event)
        CloseHandle(event);
    CloseHandle(pipe);
    if (ok && hostPid)
        *hostPid = pid;
    return ok;
}
