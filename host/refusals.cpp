// Saying why a command did nothing: a window of a program that runs above
// the host, or one that does not answer, gets a balloon naming it, once per
// window. Other refusals (forged commands, windows commands are not for)
// stay silent.
#include "host.h"
#include "../core/textbuf.h"

enum { MAX_TOLD = 64, ANSWER_WAIT_MS = 200 };

static struct { HWND window; DWORD pid; } s_told[MAX_TOLD];
static int s_next;

static BOOL Told(HWND window, DWORD pid)
{
    for (int i = 0; i < MAX_TOLD; i++)
        if (s_told[i].window == window && s_told[i].pid == pid && window)
            return TRUE;
    return FALSE;
}

BOOL WindowAnswers(HWND window)
{
    DWORD_PTR answer;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, ANSWER_WAIT_MS, &answer) != 0;
}

void TellRefused(HWND window, int refusal)
{
    DWORD pid = 0;
    if (!IsWindow(window) || !GetWindowThreadProcessId(window, &pid))
        return;
    if (!TellRefusal(refusal, Told(window, pid) != FALSE))
        return;
    // A ring: the oldest is forgotten first, and may be told again.
    s_told[s_next].window = window;
    s_told[s_next].pid = pid;
    s_next = (s_next + 1) % MAX_TOLD;
    char title[96] = "", text[256];
    // Another program's title is read without a message: never blocks.
    GetWindowTextA(window, title, COUNTOF(title));
    if (RefusalText(refusal, title, text, COUNTOF(text)))
        ShowHostBalloon("Brivane could not change a window", text);
}

int RefusalFor(HWND window)
{
    // Only a window a command could be for is worth a word: top-level,
    // with a system menu, of another program.
    DWORD pid = 0;
    if (!window || !IsWindow(window) || GetAncestor(window, GA_ROOT) != window || GetParent(window) ||
        !(GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) || !GetWindowThreadProcessId(window, &pid) ||
        pid == GetCurrentProcessId())
        return REFUSAL_SILENT;
    return ProgramAboveHost(pid) ? REFUSAL_ELEVATED : REFUSAL_SILENT;
}
