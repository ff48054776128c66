// 64-bit programs, run in a 64-bit Wine prefix by a 64-bit test program:
// the companion brivane64.exe sets the 64-bit module's hooks, alone (this
// program plays the host) and as started by the 32-bit host brivane.exe,
// beside whose hooks 32-bit programs are served as before. Programs here are
// Wine's own notepad of either bitness; a probe module answers what only
// the program itself can see (its system menu).
#include <gtest/gtest.h>
#include "support/harness.h"
#include <commctrl.h>
#include <tlhelp32.h>
#include <string.h>
#include <memory>
#include "support/probe.h"
#include "host/companion.h"

using namespace th;

namespace {

const char kNotepad64[] = "C:\\windows\\system32\\notepad.exe";
const char kNotepad32[] = "C:\\windows\\syswow64\\notepad.exe";

// A program started by this test, ended by handle whatever happens.
struct Program {
    HANDLE process = NULL;
    DWORD pid = 0;
    HWND main = NULL;
    explicit Program(const std::string &commandLine, const char *mainClass = "Notepad")
    {
        process = Start(commandLine, &pid);
        if (process && mainClass)
            main = WaitForProcessWindow(pid, mainClass, NULL);
    }
    ~Program()
    {
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
};

// The system menu of a 64-bit program's window, as the program sees it.
std::string SysMenuOf(HWND window)
{
    static HMODULE probe = LoadLibraryA((ExeDir() + "probe64.dll").c_str());
    static HOOKPROC proc = probe ? (HOOKPROC)GetProcAddress(probe, PROBE_HOOK_NAME) : NULL;
    static UINT question = RegisterWindowMessageA(PROBE_SYSMENU_MESSAGE);
    static HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                               PROBE_BLOCK_SIZE, PROBE_BLOCK_NAME);
    static char *block = mapping ? (char *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : NULL;
    if (!proc || !block)
        return "no probe";
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, proc, probe, GetWindowThreadProcessId(window, NULL));
    if (!hook)
        return "no hook";
    strcpy(block, "no answer");
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, question, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    UnhookWindowsHookEx(hook);
    return block;
}

bool HasOurItems(HWND window) { return SysMenuOf(window).compare(0, 4, "502,") == 0; }

// Activates the window again and again (each activation runs the
// activation hook) until its system menu has our items, or time runs out:
// a newly started hook owner may not have set its hooks yet.
bool ItemsComeWithActivation(HWND window, DWORD timeoutMs = 10000)
{
    static HWND other = CreateWindowExA(0, "STATIC", "elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        600, 600, 100, 80, NULL, NULL, NULL, NULL);
    return WaitUntil([&] {
        SetForegroundWindow(other);
        Pump(20);
        SetForegroundWindow(window);
        Pump(50);
        return HasOurItems(window);
    }, timeoutMs);
}

// File > Open in notepad gets the favourites button, and its entry for
// notepad (a file) opens that file.
void OpenDialogHasWorkingFavourites(const Program &notepad)
{
    ASSERT_TRUE(PostMessageA(notepad.main, WM_COMMAND, 257, 0));   // File > Open
    HWND dialog = WaitForProcessWindow(notepad.pid, "#32770", NULL);
    ASSERT_TRUE(dialog);
    HWND toolbar = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        toolbar = FindWindowExA(dialog, NULL, "ToolbarWindow32", NULL);
        return toolbar && SendMessageA(toolbar, TB_COMMANDTOINDEX, 371, 0) >= 0;
    })) << "no favourites button";
    LRESULT count = SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    EXPECT_EQ(SendMessageA(toolbar, TB_COMMANDTOINDEX, 371, 0), count - 1);
    ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, 1793, 0));   // entry 1 of [notepad]
    char title[256] = "";
    EXPECT_TRUE(WaitUntil([&] {
        GetWindowTextA(notepad.main, title, sizeof(title));
        return strstr(title, "from favourites") != NULL;
    })) << title;
}

// The process running the given program whose parent is parentPid.
DWORD ChildProcess(DWORD parentPid, const char *exe)
{
    DWORD found = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snap, &entry); more && !found; more = Process32Next(snap, &entry))
        if (entry.th32ParentProcessID == parentPid && !lstrcmpiA(entry.szExeFile, exe))
            found = entry.th32ProcessID;
    CloseHandle(snap);
    return found;
}

std::string FavouritesIni()
{
    std::string file = TempPath("from favourites.txt");
    WriteFile(file, "hello");
    std::string ini = TempPath("bitness.ini");
    WriteFile(ini, "[notepad]\r\nname1=File\r\npath1=" + file + "\r\n");
    return ini;
}

} // namespace

// --- the companion alone, with this program as the host ------------------------------

// A stand-in host: the client program copied as brivane.exe into a folder
// of its own with the companion and its module (the companion starts only
// for brivane.exe from its own folder), its window passing the module's
// commands on to this program's. folder is relative to ExeDir().
struct StandInHost {
    std::unique_ptr<Client> client;
    HWND window = NULL;
    bool Start(const std::string &folder, HWND relayTo, bool withCompanion = true)
    {
        std::string dir = ExeDir() + folder;
        CreateDirectoryA(dir.c_str(), NULL);
        // A copy still loaded in a program of an earlier case stays as it is.
        CopyFileA((ExeDir() + "client_windows" BITNESS_SUFFIX ".exe").c_str(), (dir + "brivane.exe").c_str(), FALSE);
        if (withCompanion) {
            CopyFileA((ExeDir() + COMPANION_FILE).c_str(), (dir + COMPANION_FILE).c_str(), FALSE);
            CopyFileA((ExeDir() + "brivane64.dll").c_str(), (dir + "brivane64.dll").c_str(), FALSE);
        }
        client.reset(new Client(folder + "brivane.exe"));
        if (!client->ok())
            return false;
        window = StrHwnd(client->Call("relay " + std::to_string((unsigned long)(ULONG_PTR)relayTo)));
        return window != NULL;
    }
};

// Starts the companion with an inherited handle of process (or any other
// handle) and a fresh stop event.
bool StartCompanion(const std::string &exe, HANDLE first, HANDLE *stop, PROCESS_INFORMATION *pi)
{
    HANDLE inherited = NULL;
    if (!DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), &inherited, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    *stop = CreateEventA(&inherit, TRUE, FALSE, NULL);
    std::string line = "\"" + exe + "\" " COMPANION_HOST_ARG " " + std::to_string((unsigned long)(ULONG_PTR)inherited) +
                       " " + std::to_string((unsigned long)(ULONG_PTR)*stop);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    BOOL started = *stop && CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, pi);
    CloseHandle(inherited);
    return started != FALSE;
}

struct Companion : ::testing::Test {
    SharedBlock block;
    HostWindow host;
    StandInHost standIn;          // the process the companion ends with
    HANDLE stop = NULL;           // set to ask the companion to end
    PROCESS_INFORMATION companion = {};

    void SetUp() override
    {
        ASSERT_TRUE(standIn.Start("standin\\", host.hwnd()));
        block.settings->hostWindow = standIn.window;
        block.SetConfigPath(FavouritesIni());
        ASSERT_TRUE(StartCompanion(ExeDir() + "standin\\" COMPANION_FILE, standIn.client->process(), &stop, &companion));
    }
    void TearDown() override
    {
        standIn.client.reset();
        if (companion.hProcess) {
            if (WaitForSingleObject(companion.hProcess, 3000) != WAIT_OBJECT_0)
                TerminateProcess(companion.hProcess, 1);
            CloseHandle(companion.hProcess);
            CloseHandle(companion.hThread);
        }
        if (stop)
            CloseHandle(stop);
    }
};

TEST_F(Companion, Notepad64GetsTheItemsTheButtonAndCommandsReachTheHostOnce)
{
    Program notepad(kNotepad64);
    ASSERT_TRUE(notepad.main);
    ASSERT_TRUE(ItemsComeWithActivation(notepad.main)) << SysMenuOf(notepad.main);
    std::string menu = SysMenuOf(notepad.main);
    EXPECT_EQ(menu.substr(0, menu.find("|499,")),
              "502,0,To &floating icon|500,0,Minimize to &tray|501,0,Always on to&p");

    ASSERT_TRUE(PostMessageA(notepad.main, WM_SYSCOMMAND, HOSTCMD_FLOAT, MAKELPARAM(321, 12)));
    ASSERT_TRUE(host.WaitFor(1));
    Pump(300);
    ASSERT_EQ(host.commands().size(), 1u);
    EXPECT_EQ(host.commands()[0].code, (WPARAM)HOSTCMD_FLOAT);
    EXPECT_EQ(host.commands()[0].window, notepad.main);

    OpenDialogHasWorkingFavourites(notepad);

    // Asked to end, it unhooks and ends by itself.
    ASSERT_TRUE(SetEvent(stop));
    ASSERT_EQ(WaitForSingleObject(companion.hProcess, 1000), (DWORD)WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(companion.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

TEST_F(Companion, EndsWithItsHostAndNoItemsAreAddedAfterwards)
{
    {
        Program first(kNotepad64);
        ASSERT_TRUE(first.main);
        ASSERT_TRUE(ItemsComeWithActivation(first.main));
    }
    ASSERT_TRUE(TerminateProcess(standIn.client->process(), 0));
    EXPECT_EQ(WaitForSingleObject(companion.hProcess, 1000), (DWORD)WAIT_OBJECT_0)
        << "the companion outlived its host by more than a second";

    Program later(kNotepad64);
    ASSERT_TRUE(later.main);
    EXPECT_FALSE(ItemsComeWithActivation(later.main, 1500)) << SysMenuOf(later.main);
}

TEST(CompanionStart, WithoutARunningHostItSetsNoHooks)
{
    // No arguments, and values that are no handles of the companion's.
    for (const char *args : { "", " " COMPANION_HOST_ARG " 0 0", " " COMPANION_HOST_ARG " 12x 12",
                              " " COMPANION_HOST_ARG " 4000000 4000004" }) {
        SCOPED_TRACE(args);
        Program companion("\"" + ExeDir() + COMPANION_FILE "\"" + args, NULL);
        ASSERT_TRUE(companion.process);
        ASSERT_EQ(WaitForSingleObject(companion.process, 5000), (DWORD)WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(companion.process, &code);
        EXPECT_EQ(code, 2u);
    }

    // Handles that are live but no host's: once the companion stayed and
    // hooked new programs for any program that passed it an event.
    SharedBlock block;
    HostWindow relayed;
    StandInHost right, elsewhere;
    ASSERT_TRUE(right.Start("standin\\", relayed.hwnd()));
    ASSERT_TRUE(elsewhere.Start("elsewhere\\", relayed.hwnd(), false));
    Program other("\"" + ExeDir() + "client_windows" BITNESS_SUFFIX ".exe\"", NULL);
    HANDLE never = CreateEventA(NULL, TRUE, FALSE, NULL);
    struct Case { const char *what; HANDLE first; HWND hostWindow; };
    const Case cases[] = {
        { "an event that is never set", never, right.window },
        { "a program that is not brivane.exe", other.process, right.window },
        { "brivane.exe from another folder", elsewhere.client->process(), elsewhere.window },
        { "the host's image, but the block names another window", right.client->process(), relayed.hwnd() },
        { "the host's image, and no host window", right.client->process(), NULL },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        block.settings->hostWindow = c.hostWindow;
        HANDLE stop = NULL;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(StartCompanion(ExeDir() + "standin\\" COMPANION_FILE, c.first, &stop, &pi));
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), (DWORD)WAIT_OBJECT_0) << "it stayed";
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(code, 5u);
        TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        CloseHandle(stop);
    }
    CloseHandle(never);
}

// --- the 32-bit host with its companion ----------------------------------------------

struct BothHalves : ::testing::Test {
    Program *host = nullptr;
    HANDLE companion = NULL;
    void SetUp() override
    {
        // A 64-bit build on its own has a 64-bit host, which starts no
        // companion: these cases need a machine that runs 32-bit programs.
        DWORD type = 0;
        if (!GetBinaryTypeA((ExeDir() + "brivane.exe").c_str(), &type) || type != SCS_32BIT_BINARY)
            GTEST_SKIP() << "brivane.exe here is not the 32-bit host";
        host = new Program("\"" + ExeDir() + "brivane.exe\" --config \"" + FavouritesIni() + "\"",
                           "BrivaneHost");
        ASSERT_TRUE(host->main) << "brivane.exe did not come up";
        DWORD pid = 0;
        ASSERT_TRUE(WaitUntil([&] { return (pid = ChildProcess(host->pid, COMPANION_FILE)) != 0; }, 5000))
            << "the host started no companion";
        companion = OpenProcess(SYNCHRONIZE, FALSE, pid);
        ASSERT_TRUE(companion);
    }
    void TearDown() override
    {
        // An orderly exit when the test left the host running: Wine keeps
        // the hooks of a killed program for later tests to meet.
        if (host && host->main && WaitForSingleObject(host->process, 0) == WAIT_TIMEOUT) {
            PostMessageA(host->main, WM_CLOSE, 0, 0);
            WaitForSingleObject(host->process, 10000);
        }
        delete host;
        if (companion) {
            WaitForSingleObject(companion, 3000);
            CloseHandle(companion);
        }
    }
    // The host toggles "Always on top": a command forwarded twice would
    // toggle it back.
    void TopmostOnceFor(HWND window)
    {
        ASSERT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, HOSTCMD_TOPMOST, MAKELPARAM(77, 5)));
        EXPECT_TRUE(WaitUntil([&] { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 5000));
        Pump(500);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "toggled twice";
    }
    void CompanionEndsWithinASecond()
    {
        EXPECT_EQ(WaitForSingleObject(companion, 1000), (DWORD)WAIT_OBJECT_0)
            << "the companion outlived the host by more than a second";
        Program later(kNotepad64);
        ASSERT_TRUE(later.main);
        EXPECT_FALSE(ItemsComeWithActivation(later.main, 1500)) << SysMenuOf(later.main);
    }
};

TEST_F(BothHalves, ProgramsOfBothBitnessesAreServedOnce)
{
    Program notepad64(kNotepad64);
    ASSERT_TRUE(notepad64.main);
    ASSERT_TRUE(ItemsComeWithActivation(notepad64.main)) << SysMenuOf(notepad64.main);
    TopmostOnceFor(notepad64.main);

    // The 32-bit program is the 32-bit module's, as in a 32-bit prefix.
    Program notepad32(kNotepad32);
    ASSERT_TRUE(notepad32.main) << "no 32-bit notepad in the 64-bit prefix";
    TopmostOnceFor(notepad32.main);
    OpenDialogHasWorkingFavourites(notepad32);
}

// A rule reaches programs of both bitnesses: each module reads it in its
// own program, and the 32-bit host takes the windows of either.
TEST_F(BothHalves, RulesActInProgramsOfBothBitnesses)
{
    WritePrivateProfileStringA("rules", "notepad", "mintray", TempPath("bitness.ini").c_str());
    DWORD_PTR answer;
    SendMessageTimeoutA(host->main, RegisterWindowMessageA(BRIVANE_SETTINGS_CHANGED), 0, 0, SMTO_NORMAL, 5000, &answer);
    Program notepad64(kNotepad64), notepad32(kNotepad32);
    for (Program *p : { &notepad64, &notepad32 }) {
        SCOPED_TRACE(p == &notepad64 ? "64-bit notepad" : "32-bit notepad");
        ASSERT_TRUE(p->main);
        ASSERT_TRUE(WaitUntil([&] {
            SetForegroundWindow(p->main);
            Pump(30);
            return GetForegroundWindow() == p->main;
        }, 5000));
        ASSERT_TRUE(PostMessageA(p->main, WM_SYSCOMMAND, SC_MINIMIZE, 0));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(p->main); }, 5000)) << "not sent to the tray";
        EXPECT_FALSE(IsIconic(p->main));
    }
    ASSERT_TRUE(PostMessageA(host->main, WM_CLOSE, 0, 0));
    ASSERT_EQ(WaitForSingleObject(host->process, 10000), (DWORD)WAIT_OBJECT_0);
    EXPECT_TRUE(IsWindowVisible(notepad64.main));
    EXPECT_TRUE(IsWindowVisible(notepad32.main));
}

// A 64-bit program already running when the host starts: under Wine the
// companion hooks its thread as found among the existing windows, not as
// its first window appears.
struct BothHalvesAfterAProgram : BothHalves {
    Program *earlier = nullptr;
    void SetUp() override
    {
        earlier = new Program(kNotepad64);
        ASSERT_TRUE(earlier->main);
        BothHalves::SetUp();
    }
    void TearDown() override
    {
        BothHalves::TearDown();
        delete earlier;
    }
};

TEST_F(BothHalvesAfterAProgram, ItsWindowsAndDialogsAreServed)
{
    ASSERT_TRUE(ItemsComeWithActivation(earlier->main)) << SysMenuOf(earlier->main);
    TopmostOnceFor(earlier->main);
    OpenDialogHasWorkingFavourites(*earlier);

    // With the host gone the companion took its hooks off that thread: the
    // next dialog there is left alone.
    ASSERT_TRUE(PostMessageA(host->main, WM_CLOSE, 0, 0));
    ASSERT_EQ(WaitForSingleObject(host->process, 10000), (DWORD)WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(companion, 1000), (DWORD)WAIT_OBJECT_0);
    ASSERT_TRUE(WaitUntil([&] { return !WaitForProcessWindow(earlier->pid, "#32770", NULL, 0); }));
    ASSERT_TRUE(PostMessageA(earlier->main, WM_COMMAND, 257, 0));   // File > Open
    HWND dialog = WaitForProcessWindow(earlier->pid, "#32770", NULL);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(WaitUntil([&] {
        HWND toolbar = FindWindowExA(dialog, NULL, "ToolbarWindow32", NULL);
        return toolbar && SendMessageA(toolbar, TB_COMMANDTOINDEX, 371, 0) >= 0;
    }, 1500)) << "the favourites button came after the hooks went";
}

TEST_F(BothHalves, CompanionEndsWhenTheHostExits)
{
    ASSERT_TRUE(PostMessageA(host->main, WM_CLOSE, 0, 0));
    ASSERT_EQ(WaitForSingleObject(host->process, 10000), (DWORD)WAIT_OBJECT_0);
    CompanionEndsWithinASecond();
}

TEST_F(BothHalves, CompanionEndsWhenTheHostIsKilled)
{
    ASSERT_TRUE(TerminateProcess(host->process, 1));
    ASSERT_EQ(WaitForSingleObject(host->process, 5000), (DWORD)WAIT_OBJECT_0);
    CompanionEndsWithinASecond();
}
