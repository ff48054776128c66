// How a second start reaches the running host: a named pipe that only this
// user's programs at medium integrity or above can open, instead of
// messages to the host window that any program could send.
#include "host.h"
#include <sddl.h>
#include "../core/textbuf.h"
#include "../core/user_only.h"
#include "../core/shared.h"

// A later start's reply comes within REQUEST_WAIT_MS. The host gives a
// client CLIENT_HOLD_MS to say what it wants, on one of PIPE_INSTANCES
// instances served side by side: clients that connect and say nothing
// keep no real start out for long (forty of them, a few seconds).
enum { REQUEST_WAIT_MS = 2000, CLIENT_HOLD_MS = 500, PIPE_INSTANCES = 8, PIPE_FREE_WAIT_MS = 2000 };

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
static HANDLE s_instances[PIPE_INSTANCES];
static HWND s_window;

// Message mode: a request is one message of exactly its size; a longer one
// fails the read (ERROR_MORE_DATA) instead of being taken by its start.
static HANDLE NewPipeInstance(BOOL first)
{
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NWNR", "ME");
    if (!sd)
        return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE pipe = CreateNamedPipeA(s_pipeName,
                                   PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                   PIPE_INSTANCES, sizeof(DWORD), sizeof(DWORD), 0, &sa);
    LocalFree(sd);
    return pipe;
}

static BOOL IsRequest(DWORD request)
{
    return request == HOST_REQUEST_START || request == HOST_REQUEST_SETTINGS || request == HOST_REQUEST_EXIT;
}

// Serves one instance, one client after another. A client that says
// nothing, or anything but one request of its exact size, is dropped.
static DWORD WINAPI ServeRequests(LPVOID instance)
{
    HANDLE pipe = (HANDLE)instance;
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    while (event) {
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
            BOOL read = Finish(pipe, &ov, ReadFile(pipe, &request, sizeof(request), NULL, &ov), CLIENT_HOLD_MS, &done);
            if (read && done == sizeof(request) && IsRequest(request)) {
                DWORD pid = GetCurrentProcessId();
                ResetEvent(event);
                Finish(pipe, &ov, WriteFile(pipe, &pid, sizeof(pid), NULL, &ov), CLIENT_HOLD_MS, &done);
                PostMessageA(s_window, WM_HOSTREQUEST, request, 0);
                // Disconnecting discards what the client has not read yet:
                // wait for it to close its end (a read that fails), for a
                // short while only.
                char more[8];
                ResetEvent(event);
                Finish(pipe, &ov, ReadFile(pipe, more, sizeof(more), NULL, &ov), CLIENT_HOLD_MS, &done);
            }
        }
        DisconnectNamedPipe(pipe);
        if (!connected)
            Sleep(50);   // a broken pipe must not spin
    }
    return 0;
}

PipeReservation ReserveRequestPipe()
{
    if (!PipeName(s_pipeName, COUNTOF(s_pipeName)))
        return PIPE_FAILED;
    // The name must be nobody's yet: the mutex says no host of ours runs, so
    // whoever holds it would answer our later starts. The first-instance
    // flag alone is not enough: Wine let a host share the name with a
    // program that had made it first.
    // A host that has just let the mutex go may still hold it while its
    // process ends: give it a moment, a squatter keeps it.
    DWORD start = GetTickCount();
    while (WaitNamedPipeA(s_pipeName, 1) || GetLastError() != ERROR_FILE_NOT_FOUND) {
        if (GetTickCount() - start >= PIPE_FREE_WAIT_MS)
            return PIPE_TAKEN;
        Sleep(50);
    }
    for (int i = 0; i < PIPE_INSTANCES; i++) {
        s_instances[i] = NewPipeInstance(i == 0);
        if (s_instances[i] == INVALID_HANDLE_VALUE)
            return i == 0 && GetLastError() == ERROR_ACCESS_DENIED ? PIPE_TAKEN : PIPE_FAILED;
    }
    return PIPE_RESERVED;
}

void StartRequestPipe(HWND window)
{
    s_window = window;
    for (int i = 0; i < PIPE_INSTANCES; i++) {
        HANDLE thread = s_instances[i] != INVALID_HANDLE_VALUE && s_instances[i]
                            ? CreateThread(NULL, 64 * 1024, ServeRequests, s_instances[i],
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, NULL)
                            : NULL;
        if (thread)
            CloseHandle(thread);
    }
}

// --- the client's side ------------------------------------------------------------

// The token's information of the class for the process; FALSE when it
// cannot be read or does not fit.
static BOOL ProcessTokenInfo(HANDLE process, TOKEN_INFORMATION_CLASS what, void *buffer, DWORD size)
{
    HANDLE token;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return FALSE;
    DWORD needed = 0;
    BOOL ok = GetTokenInformation(token, what, buffer, size, &needed);
    CloseHandle(token);
    return ok;
}

union TokenSid {
    TOKEN_USER user;
    TOKEN_MANDATORY_LABEL label;
    BYTE bytes[128];
};

// The integrity level's RID (0x2000 medium, 0x3000 high); 0 when unknown.
static DWORD IntegrityRid(HANDLE process)
{
    TokenSid info;
    if (!ProcessTokenInfo(process, TokenIntegrityLevel, &info, sizeof(info)) || !IsValidSid(info.label.Label.Sid))
        return 0;
    UCHAR count = *GetSidSubAuthorityCount(info.label.Label.Sid);
    return count ? *GetSidSubAuthority(info.label.Label.Sid, count - 1) : 0;
}

// The process runs as this user at an integrity level not below ours.
static BOOL ProcessIsOursAndNotBelow(DWORD pid)
{
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
    if (!process)
        return FALSE;
    TokenSid theirs, mine;
    BOOL ok = ProcessTokenInfo(process, TokenUser, &theirs, sizeof(theirs)) &&
              ProcessTokenInfo(GetCurrentProcess(), TokenUser, &mine, sizeof(mine)) &&
              EqualSid(theirs.user.User.Sid, mine.user.User.Sid);
    DWORD level = ok ? IntegrityRid(process) : 0;
    CloseHandle(process);
    return ok && level >= IntegrityRid(GetCurrentProcess());
}

// The server of the pipe may be spoken to: the pipe is this user's, and
// where the system names the server's process (Windows; Wine answers 0) it
// runs as this user at our level or above.
static BOOL ServerMayBeTrusted(HANDLE pipe, ULONG *serverPid)
{
    *serverPid = 0;
    if (!OwnedByCurrentUser(pipe))
        return FALSE;
    typedef BOOL (WINAPI *ServerPidFn)(HANDLE, PULONG);
    ServerPidFn serverPid_ = (ServerPidFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNamedPipeServerProcessId");
    if (!serverPid_ || !serverPid_(pipe, serverPid) || !*serverPid)
        return TRUE;
    return ProcessIsOursAndNotBelow(*serverPid);
}

// The process is the host that runs: it owns the host window recorded in
// the block, and the block is this user's.
static BOOL IsTheRunningHost(DWORD pid)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | READ_CONTROL, FALSE, BRIVANE_SHMEM_NAME);
    if (!mapping)
        return FALSE;
    const SharedSettings *block = OwnedByCurrentUser(mapping)
                                      ? (const SharedSettings *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)
                                      : NULL;
    HWND window = block ? (HWND)block->hostWindow : NULL;
    if (block)
        UnmapViewOfFile(block);
    CloseHandle(mapping);
    DWORD owner = 0;
    char cls[32];
    return window && GetWindowThreadProcessId(window, &owner) && owner == pid &&
           GetClassNameA(window, cls, COUNTOF(cls)) && lstrcmpA(cls, HOST_WINDOW_CLASS) == 0;
}

HostReply SendHostRequest(DWORD request, DWORD timeoutMs, DWORD *hostPid)
{
    char name[256];
    if (!PipeName(name, COUNTOF(name)))
        return HOST_REPLY_NONE;
    DWORD start = GetTickCount();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    // The host may still be starting, or serving other clients.
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
        return HOST_REPLY_NONE;
    ULONG server = 0;
    if (!ServerMayBeTrusted(pipe, &server)) {
        CloseHandle(pipe);
        return HOST_REPLY_FOREIGN;
    }
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
    if (event)
        CloseHandle(event);
    CloseHandle(pipe);
    if (!ok)
        return HOST_REPLY_NONE;
    // The answer names a process: it must be the pipe's server where the
    // system tells it, and the host whose window the block holds.
    if ((server && server != pid) || !IsTheRunningHost(pid))
        return HOST_REPLY_FOREIGN;
    if (hostPid)
        *hostPid = pid;
    return HOST_REPLY_TAKEN;
}
