// Hook procedures' fast paths, timed in-process by direct calls.
//
// Each procedure is called with an event it ignores, as nearly every event
// that reaches it in a hooked program is, beside bare CallNextHookEx, which
// every hook procedure must make. Two series:
//  - "real": CallNextHookEx is the platform's; this is the cost a hooked
//    program pays, and procedure / bare is the ratio reported;
//  - "own work": CallNextHookEx is replaced by an empty function, so what
//    is left is the procedures' own tests, measured to the nanosecond.
// The procedures reach CallNextHookEx through the import slot
// __imp__CallNextHookEx@16; this program defines that slot itself (before
// user32's import library can) and points it at either function.
//
// Rounds of the five series are interleaved, so that drifts of the machine
// hit all of them alike. Reported: the median ns/call over the rounds with
// the spread, and the ratio as the median of each round's procedure / bare
// (both measured within the same round).
//   bench_fastpath.exe [calls per series, default 10000000] [rounds, default 100]
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>
#include "core/shared.h"
#include "hooks/hooks.h"
#include "hooks/filedialog.h"
#include "hooks/procname.h"

typedef LRESULT (WINAPI *NextHookFn)(HHOOK, int, WPARAM, LPARAM);

static LRESULT WINAPI EmptyNextHook(HHOOK, int, WPARAM, LPARAM)
{
    return 0;
}

// The import slot that every CallNextHookEx call in this program goes through.
extern "C" NextHookFn g_nextHookSlot __asm__("__imp__CallNextHookEx@16");
NextHookFn g_nextHookSlot = EmptyNextHook;

// Every rule for this program, read as a hooked program reads them when
// its first window shows, so that the procedures run as they do in a
// program with rules (the announcement's message registered, the rules
// known). False when there is no block to name the file in.
static bool PutRulesInPlace()
{
    SharedSettings *block = WritableSettings();
    char folder[MAX_PATH], path[MAX_PATH], name[MAX_PATH];
    if (!block || !GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "bfp", 0, path))
        return false;
    ProcessNameFromCommandLine(GetCommandLineA(), name, MAX_PATH);
    WritePrivateProfileStringA("rules", name, "ontop,mintray,closetray,starttray", path);
    lstrcpynA(block->configPath, path, CONFIG_PATH_CAPACITY);
    RulesOnSysCommand(NULL, SC_MINIMIZE);   // reads them; no window, so nothing is posted
    return g_rulesChangedMessage != (UINT)-1;
}

static MSG s_msg;
static MOUSEHOOKSTRUCT s_mouse;
static CWPRETSTRUCT s_ret;

static LRESULT Bare(int i) { return CallNextHookEx(NULL, HC_ACTION, (WPARAM)i, (LPARAM)&s_msg); }
static LRESULT Sys(int) { return SysCommandProc(HC_ACTION, PM_REMOVE, (LPARAM)&s_msg); }
static LRESULT Mouse(int) { return CaptionClickProc(HC_ACTION, WM_MOUSEMOVE, (LPARAM)&s_mouse); }
static LRESULT Cbt(int) { return ActivationProc(HCBT_SETFOCUS, 0, 0); }
static LRESULT Dialog(int) { return DialogHookProc(HC_ACTION, 0, (LPARAM)&s_ret); }

struct Series {
    const char *name;
    LRESULT (*call)(int);
    std::vector<double> ns;   // per call, one value per round
};

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    return (double)(b.QuadPart - a.QuadPart) / (double)freq.QuadPart;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static volatile LRESULT s_sink;

static void RunRounds(Series *series, int count, long calls, int rounds)
{
    long perRound = calls / rounds;
    for (int r = 0; r < rounds; r++) {
        for (int k = 0; k < count; k++) {
            // Rotate the order each round as well.
            Series &s = series[(k + r) % count];
            LRESULT acc = 0;
            LARGE_INTEGER a, b;
            QueryPerformanceCounter(&a);
            for (long i = 0; i < perRound; i++)
                acc += s.call((int)i);
            QueryPerformanceCounter(&b);
            s_sink = acc;
            s.ns.push_back(Seconds(a, b) * 1e9 / (double)perRound);
        }
    }
}

int main(int argc, char **argv)
{
    long calls = argc > 1 ? atol(argv[1]) : 10000000;
    int rounds = argc > 2 ? atoi(argv[2]) : 100;
    if (calls < rounds)
        calls = rounds;

    // The module as it is in every hooked program: block mapped, hook
    // handles zero.
    ModuleAttach(GetModuleHandleA(NULL));
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    bool rules = PutRulesInPlace();

    s_msg.message = WM_MOUSEMOVE;      // not a system command
    s_mouse.wHitTestCode = HTCLIENT;   // not a caption button
    s_ret.message = WM_PAINT;          // not WM_INITDIALOG
    s_ret.hwnd = GetDesktopWindow();

    NextHookFn real = (NextHookFn)(void *)GetProcAddress(GetModuleHandleA("user32.dll"), "CallNextHookEx");
    if (!real) {
        fprintf(stderr, "CallNextHookEx not found\n");
        return 1;
    }

    Series realSeries[] = {
        { "CallNextHookEx (bare)", Bare, {} },
        { "SysCommandProc (WH_GETMESSAGE, WM_MOUSEMOVE)", Sys, {} },
        { "CaptionClickProc (WH_MOUSE, HTCLIENT)", Mouse, {} },
        { "ActivationProc (WH_CBT, HCBT_SETFOCUS)", Cbt, {} },
        { "DialogHookProc (WH_CALLWNDPROCRET, WM_PAINT)", Dialog, {} },
    };
    Series ownSeries[] = {
        { "empty next hook (bare)", Bare, {} },
        { "SysCommandProc", Sys, {} },
        { "CaptionClickProc", Mouse, {} },
        { "ActivationProc", Cbt, {} },
        { "DialogHookProc", Dialog, {} },
    };
    const int count = (int)(sizeof(realSeries) / sizeof(realSeries[0]));

    g_nextHookSlot = real;
    RunRounds(realSeries, count, calls, rounds);
    g_nextHookSlot = EmptyNextHook;
    RunRounds(ownSeries, count, calls, rounds);

    // Machine-readable lines for bench/run.sh, then a table.
    double emptyBare = Median(ownSeries[0].ns);
    double worst = 0, worstOwn = 0;
    printf("calls per series: %ld in %d interleaved rounds; rules of this program %s\n\n", calls, rounds,
           rules ? "read and in place" : "NOT in place (no block to name the file)");
    printf("| call | ns/call (median) | spread min-max | ratio to bare (median of rounds) | own work ns/call |\n");
    printf("|---|---|---|---|---|\n");
    for (int k = 0; k < count; k++) {
        Series &s = realSeries[k];
        double med = Median(s.ns);
        double lo = *std::min_element(s.ns.begin(), s.ns.end());
        double hi = *std::max_element(s.ns.begin(), s.ns.end());
        double own = Median(ownSeries[k].ns) - emptyBare;
        if (k == 0) {
            printf("| %s | %.1f | %.1f-%.1f | 1.000 | (empty call %.2f ns) |\n", s.name, med, lo, hi,
                   emptyBare);
            continue;
        }
        std::vector<double> ratios;
        for (size_t r = 0; r < s.ns.size(); r++)
            ratios.push_back(s.ns[r] / realSeries[0].ns[r]);
        double ratio = Median(ratios);
        worst = std::max(worst, ratio);
        worstOwn = std::max(worstOwn, own);
        printf("| %s | %.1f | %.1f-%.1f | %.3f | %.2f |\n", s.name, med, lo, hi, ratio, own);
    }
    printf("\nfast-path ratio: %.2f\n", worst);
    printf("own work, worst: %.2f ns/call\n", worstOwn);
    return 0;
}
