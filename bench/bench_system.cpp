// Whole-system hook overhead: runs bench_workload.exe in a process of its
// own while this program holds no hooks, the pass-through hook set of
// bench_passthru.dll, or the module's hooks, in interleaved rounds, and
// prints medians with their spread. Also times file dialogs with no hooks,
// the pass-through hooks and the module's.
//   bench_system.exe [rounds, default 7] [loop iterations, default 2000] [file dialogs, default 50]
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "core/shared.h"

enum Config { NONE, PASSTHRU, BRIVANE, CONFIG_COUNT };
static const char *const kConfigName[CONFIG_COUNT] = { "no hooks", "pass-through hooks",
                                                        "Brivane hooks" };

static std::string s_dir;
static HWND s_hostWindow;
static BOOL (WINAPI *s_setHook)(void);
static BOOL (WINAPI *s_unHook)(void);
static BOOL (WINAPI *s_passInstall)(void);
static void (WINAPI *s_passRemove)(void);

static bool Install(Config c)
{
    if (c == PASSTHRU)
        return s_passInstall();
    if (c == BRIVANE)
        return s_setHook();
    return true;
}

static void Remove(Config c)
{
    if (c == PASSTHRU)
        s_passRemove();
    else if (c == BRIVANE)
        s_unHook();
}

// Runs the workload to its end, pumping this thread's messages meanwhile;
// returns the numbers it wrote.
static std::vector<double> RunWorkload(const std::string &args)
{
    std::string out = s_dir + "bench_out.txt";
    DeleteFileA(out.c_str());
    std::string cmd = "\"" + s_dir + "bench_workload.exe\" " + args.substr(0, args.find(' ')) +
                      " \"" + out + "\"" + args.substr(args.find(' '));
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    std::vector<double> values;
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return values;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 120000, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    TerminateProcess(pi.hProcess, 1);   // only if it hung
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    FILE *f = fopen(out.c_str(), "r");
    if (f) {
        double v;
        while (fscanf(f, "%lf", &v) == 1)
            values.push_back(v);
        fclose(f);
    }
    return values;
}

static double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static void Row(const char *what, Config c, const std::vector<double> &v, double base)
{
    double med = Median(v);
    double lo = v.empty() ? 0 : *std::min_element(v.begin(), v.end());
    double hi = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    printf("| %s | %s | %.2f | %.2f-%.2f | %+.1f%% |", what, kConfigName[c], med, lo, hi,
           med > 0 ? (hi - lo) * 100.0 / med : 0.0);
    if (c == NONE)
        printf(" - |\n");
    else
        printf(" %+.2f |\n", med - base);
}

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 7;
    int iterations = argc > 2 ? atoi(argv[2]) : 2000;
    int dialogs = argc > 3 ? atoi(argv[3]) : 50;

    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    s_dir = path;
    s_dir.erase(s_dir.find_last_of("\\/") + 1);

    // Play the host: block filled, a host window, no configuration file.
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                       BRIVANE_SHMEM_SIZE, BRIVANE_SHMEM_NAME);
    SharedSettings *block = (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BrivaneBenchHost";
    RegisterClassA(&wc);
    s_hostWindow = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    HMODULE module = LoadLibraryA((s_dir + BRIVANE_MODULE_FILE).c_str());
    HMODULE pass = LoadLibraryA((s_dir + "bench_passthru.dll").c_str());
    if (!block || !module || !pass) {
        fprintf(stderr, "cannot load brivane.dll or bench_passthru.dll\n");
        return 1;
    }
    block->hostWindow = s_hostWindow;
    std::string ini = s_dir + "bench_empty.ini";
    lstrcpynA(block->configPath, ini.c_str(), CONFIG_PATH_CAPACITY);
    s_setHook = (BOOL (WINAPI *)(void))(void *)GetProcAddress(module, "SetHook_");
    s_unHook = (BOOL (WINAPI *)(void))(void *)GetProcAddress(module, "UnHook_");
    s_passInstall = (BOOL (WINAPI *)(void))(void *)GetProcAddress(pass, "PassThroughInstall@0");
    s_passRemove = (void (WINAPI *)(void))(void *)GetProcAddress(pass, "PassThroughRemove@0");
    if (!s_passInstall)
        s_passInstall = (BOOL (WINAPI *)(void))(void *)GetProcAddress(pass, "PassThroughInstall");
    if (!s_passRemove)
        s_passRemove = (void (WINAPI *)(void))(void *)GetProcAddress(pass, "PassThroughRemove");
    if (!s_setHook || !s_unHook || !s_passInstall || !s_passRemove) {
        fprintf(stderr, "exports missing\n");
        return 1;
    }

    // post, send, create, loaded, private KiB, per config and round
    std::vector<double> post[CONFIG_COUNT], send[CONFIG_COUNT], create[CONFIG_COUNT],
        priv[CONFIG_COUNT];
    int loaded[CONFIG_COUNT] = { 0, 0, 0 };
    char args[64];
    sprintf(args, "loop %d", iterations);
    for (int r = 0; r < rounds; r++) {
        for (int k = 0; k < CONFIG_COUNT; k++) {
            Config c = (Config)((k + r) % CONFIG_COUNT);
            if (!Install(c)) {
                fprintf(stderr, "could not install %s\n", kConfigName[c]);
                return 1;
            }
            std::vector<double> v = RunWorkload(args);
            Remove(c);
            if (v.size() < 5) {
                fprintf(stderr, "workload failed (%s)\n", kConfigName[c]);
                return 1;
            }
            post[c].push_back(v[0]);
            send[c].push_back(v[1]);
            create[c].push_back(v[2]);
            loaded[c] += (int)v[3];
            priv[c].push_back(v[4]);
        }
    }
    printf("%d interleaved rounds (order rotated each round), %d posted and %d sent messages "
           "and %d windows per round\n\n", rounds, iterations, iterations,
           iterations / 10 > 0 ? iterations / 10 : 1);
    printf("| work | hooks | median us | min-max us | spread | vs no hooks us |\n");
    printf("|---|---|---|---|---|---|\n");
    for (int c = 0; c < CONFIG_COUNT; c++)
        Row("posted message", (Config)c, post[c], Median(post[NONE]));
    for (int c = 0; c < CONFIG_COUNT; c++)
        Row("sent message", (Config)c, send[c], Median(send[NONE]));
    for (int c = 0; c < CONFIG_COUNT; c++)
        Row("window created+destroyed", (Config)c, create[c], Median(create[NONE]));
    printf("\nhook module loaded in the workload: pass-through %d/%d rounds, Brivane %d/%d rounds\n",
           loaded[PASSTHRU], rounds, loaded[BRIVANE], rounds);
    if (Median(priv[NONE]) == 0 && Median(priv[PASSTHRU]) == 0 && Median(priv[BRIVANE]) == 0)
        printf("private memory growth of the workload: not reported here (PrivateUsage reads 0 "
               "under Wine); see Footprint\n");
    else
        printf("private memory growth of the workload after warm-up, median KiB: no hooks %.0f, "
               "pass-through %.0f, Brivane %.0f\n", Median(priv[NONE]), Median(priv[PASSTHRU]),
               Median(priv[BRIVANE]));
    printf("PRIVATE_KIB %.0f %.0f %.0f\n", Median(priv[NONE]), Median(priv[PASSTHRU]),
           Median(priv[BRIVANE]));

    if (dialogs > 0) {
        printf("\nFile dialogs: %d opens each, WM_INITDIALOG to the idle, painted dialog\n\n", dialogs);
        printf("| hooks | median ms | min ms | max ms | augmented |\n|---|---|---|---|---|\n");
        const Config dialogConfigs[] = { NONE, PASSTHRU, BRIVANE };
        for (Config c : dialogConfigs) {
            Install(c);
            char a[64];
            sprintf(a, "filedialog %d", dialogs);
            std::vector<double> v = RunWorkload(a);
            Remove(c);
            if (v.size() < 5) {
                printf("| %s | failed | | | |\n", kConfigName[c]);
                continue;
            }
            printf("| %s | %.2f | %.2f | %.2f | %d of %d |\n", kConfigName[c], v[0], v[1], v[2],
                   (int)v[3], (int)v[4]);
        }
    }
    return 0;
}
