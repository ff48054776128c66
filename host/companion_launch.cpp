// Starting and stopping the companion of the other bitness. The companion
// must never outlive the host: it sits in a job that kills it when the
// host's handle to the job closes (also when the host is killed), and it
// waits on the host's process itself as well.
#include "companion.h"

static HANDLE s_job;
static HANDLE s_stop;   // set to ask the companion for an orderly end
static PROCESS_INFORMATION s_companion;

static BOOL RunsOn64BitWindows()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

static HANDLE KillOnCloseJob()
{
    HANDLE job = CreateJobObjectA(NULL, NULL);
    if (!job)
        return NULL;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        CloseHandle(job);
        return NULL;
    }
    return job;
}

void StartCompanion()
{
    if (s_companion.hProcess || !RunsOn64BitWindows())
        return;
    // Wide: the program's folder may be named in characters the ANSI code
    // page does not have. A cut path is some other folder: no companion.
    wchar_t exe[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(NULL, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    while (n > 0 && exe[n - 1] != L'\\' && exe[n - 1] != L'/')
        n--;
    exe[n] = 0;
    if (n == 0)
        return;   // no folder: a bare name would be looked for in the current one
    lstrcatW(exe, L"" COMPANION_FILE);   // fits: n < MAX_PATH, 32 to spare
    if (GetFileAttributesW(exe) == INVALID_FILE_ATTRIBUTES)
        return;   // installed without it: the 32-bit programs are still served

    // A handle to this process and the stop event, for the companion to
    // inherit and wait on.
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE self = NULL;
    // The companion checks that it is this program, from its own folder.
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE | 0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, TRUE, 0))
        return;
    s_stop = CreateEventA(&inherit, TRUE, FALSE, NULL);
    if (!s_stop) {
        CloseHandle(self);
        return;
    }
    wchar_t commandLine[MAX_PATH + 80];
    wsprintfW(commandLine, L"\"%s\" " COMPANION_HOST_ARG " %lu %lu", exe, (unsigned long)(ULONG_PTR)self,
              (unsigned long)(ULONG_PTR)s_stop);

    s_job = KillOnCloseJob();
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    // Suspended until it is in the job, so it can set no hook outside it.
    if (CreateProcessW(exe, commandLine, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &si,
                       &s_companion)) {
        if (s_job && !AssignProcessToJobObject(s_job, s_companion.hProcess)) {
            CloseHandle(s_job);   // its wait on this process still ends it
            s_job = NULL;
        }
        ResumeThread(s_companion.hThread);
    } else {
        ZeroMemory(&s_companion, sizeof(s_companion));
    }
    CloseHandle(self);
}

// Waits for the process while answering messages sent to this thread's
// windows: the companion's UnHook_ visits every top-level window, the
// host's among them, and must not wait on a host that waits on it.
static BOOL WaitAnsweringSentMessages(HANDLE process, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0)
            return TRUE;
        if (wait != WAIT_OBJECT_0 + 1)
            return FALSE;
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void StopCompanion()
{
    if (s_companion.hProcess) {
        // It unhooks and ends; killing it is the last resort.
        SetEvent(s_stop);
        if (!WaitAnsweringSentMessages(s_companion.hProcess, 2000))
            TerminateProcess(s_companion.hProcess, 0);
        CloseHandle(s_companion.hThread);
        CloseHandle(s_companion.hProcess);
        ZeroMemory(&s_companion, sizeof(s_companion));
    }
    if (s_job) {
        CloseHandle(s_job);
        s_job = NULL;
    }
    if (s_stop) {
        CloseHandle(s_stop);
        s_stop = NULL;
    }
}
