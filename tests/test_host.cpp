// The host program brivane.exe, started as its own process with a
// configuration of the test's own. Client programs own the windows that
// are hidden, floated and restored through the real hooks; Wine's own
// notification area (a standalone tray window with one child per icon)
// stands in for the taskbar.
#include <gtest/gtest.h>
#include "support/harness.h"
#include "support/png.h"
#include <shellapi.h>
#include <commctrl.h>
#include <aclapi.h>
#include <sddl.h>
#include "version.h"

using namespace th;

namespace {

const char kFloatClass[] = "BrivaneFloatingIcon";
const char kWineTray[] = "__winex11_standalone_tray";

// The host's settings as the test sets them: in the ini (what the host
// loads) and straight into the shared block (what it uses at each command).
struct Look {
    int initPosition = 3, followMode = 1, opacity = -100, onTop = 1;
    int screenshots = 0, shotWidth = 128, shotHeight = 96;
    DWORD border = 0x0000FF, back = 0xFFFF00;   // 0xRRGGBB: blue frame on yellow
    int runInTray = 1;

    std::string Ini() const
    {
        char buf[512];
        sprintf(buf,
                "[settings]\r\nfi.init=%d\r\nfi.follow=%d\r\nfi.trans=%d\r\nfi.top=%d\r\nft.scrsh=%d\r\n"
                "ft.scrsh.width=%d\r\nft.scrsh.height=%d\r\nfi.color.border=0x%06lx\r\n"
                "fi.color.background=0x%06lx\r\ntrayrun=%d\r\n",
                initPosition, followMode, opacity, onTop, screenshots, shotWidth, shotHeight,
                (unsigned long)border, (unsigned long)back, runInTray);
        return buf;
    }
    void Apply(SharedSettings *s) const
    {
        s->initPosition = initPosition;
        s->followMode = followMode;
        s->opacity = opacity;
        s->onTop = onTop;
        s->makeScreenshots = screenshots;
        s->screenshotWidth = shotWidth;
        s->screenshotHeight = shotHeight;
        s->borderColor = Colorref(border);
        s->iconColor = Colorref(back);
        s->runInTray = runInTray;
    }
    static DWORD Colorref(DWORD rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF); }
};

std::string HostExe() { return "\"" + ExeDir() + "brivane.exe\""; }

// Runs brivane.exe with the arguments to its end; its exit code, or -1
// when it did not end in time.
long RunHostExe(const std::string &args, DWORD timeoutMs = 20000)
{
    return RunToEnd(HostExe() + " " + args, timeoutMs);
}

// A running host process.
struct HostProcess {
    HANDLE process = NULL;
    DWORD pid = 0;
    HWND window = NULL;

    bool Start(const std::string &ini, const std::string &extra = "")
    {
        process = th::Start(HostExe() + " --config \"" + ini + "\" " + extra, &pid);
        if (!process)
            return false;
        window = WaitForProcessWindow(pid, "BrivaneHost", NULL, 20000);
        // Answered from its message loop: the start-up (settings loaded,
        // hooks set) is over, and nothing will overwrite the block now.
        DWORD_PTR answer;
        return window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer);
    }
    bool Running() const { return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
    bool WaitEnd(DWORD ms = 15000)
    {
        return WaitUntil([&] { return !Running(); }, ms);
    }
    void Kill()
    {
        if (Running()) {
            TerminateProcess(process, 9);
            WaitForSingleObject(process, 10000);
        }
    }
    void Close()
    {
        if (process) {
            if (Running() && RunHostExe("--exit") != 0)
                Kill();
            CloseHandle(process);
        }
        process = NULL;
        window = NULL;
    }
    ~HostProcess() { Close(); }
};

// The shared block as the host filled it, without clearing it.
struct BlockView {
    HANDLE mapping = NULL;
    SharedSettings *s = nullptr;
    bool Open()
    {
        if (!mapping)
            mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, BRIVANE_SHMEM_NAME);
        if (mapping && !s)
            s = (SharedSettings *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
        return s != nullptr;
    }
    ~BlockView()
    {
        if (s)
            UnmapViewOfFile(s);
        if (mapping)
            CloseHandle(mapping);
    }
};

// Who the object's DACL lets in, in ACE order: "user", "system" or the
// SID's text; and its mandatory label when the system returns one.
struct BlockGrants {
    bool read = false, ownerIsUser = false, daclPresent = false;
    std::string grants, label = "(none returned)";
};

BlockGrants ReadGrants(HANDLE object)
{
    BlockGrants g;
    HANDLE token;
    union { TOKEN_USER user; BYTE bytes[128]; } me;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return g;
    BOOL ok = GetTokenInformation(token, TokenUser, &me, sizeof(me), &size);
    CloseHandle(token);
    if (!ok)
        return g;
    PSID owner = NULL;
    PACL dacl = NULL, sacl = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, NULL, &dacl, NULL, &sd) != ERROR_SUCCESS)
        return g;
    g.read = true;
    g.ownerIsUser = owner && EqualSid(owner, me.user.User.Sid);
    g.daclPresent = dacl != NULL;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = NULL;
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
    for (DWORD i = 0; dacl && i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        if (!GetAce(dacl, i, (void **)&ace))
            continue;
        PSID sid = (PSID)&ace->SidStart;
        std::string who;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            who = "(not a grant)";
        } else if (EqualSid(sid, me.user.User.Sid)) {
            who = "user";
        } else if (system && EqualSid(sid, system)) {
            who = "system";
        } else {
            char *text = NULL;
            ConvertSidToStringSidA(sid, &text);
            who = text ? text : "?";
            LocalFree(text);
        }
        g.grants += (g.grants.empty() ? "" : ",") + who;
    }
    FreeSid(system);
    LocalFree(sd);
    sd = NULL;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, NULL, NULL, NULL, &sacl, &sd) ==
            ERROR_SUCCESS && sacl && sacl->AceCount > 0) {
        char *text = NULL;
        if (ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, LABEL_SECURITY_INFORMATION,
                                                                 &text, NULL) && text && text[0])
            g.label = text;
        LocalFree(text);
    }
    LocalFree(sd);
    return g;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM lp)
{
    ((std::vector<HWND> *)lp)->push_back(w);
    return TRUE;
}

// The icons in Wine's notification area, in the order they were added.
std::vector<HWND> TrayIcons()
{
    std::vector<HWND> out;
    HWND tray = FindWindowA(kWineTray, NULL);
    if (tray && IsWindowVisible(tray))
        EnumChildWindows(tray, CollectChild, (LPARAM)&out);
    return out;
}

struct FloatQuery { DWORD pid; std::vector<HWND> found; };

BOOL CALLBACK CollectFloat(HWND w, LPARAM lp)
{
    FloatQuery *q = (FloatQuery *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof(cls));
    if (pid == q->pid && !strcmp(cls, kFloatClass) && IsWindowVisible(w))
        q->found.push_back(w);
    return TRUE;
}

std::vector<HWND> FloatIcons(DWORD pid)
{
    FloatQuery q = { pid, {} };
    EnumWindows(CollectFloat, (LPARAM)&q);
    return q.found;
}

RECT Rect(HWND w)
{
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC dc = GetDC(NULL);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(NULL, dc);
    return c;
}

void Mouse(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
}

void MoveMouseTo(int x, int y)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
}

void Click(POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    SetCursorPos(p.x, p.y);
    Pump(50);
    Mouse(down);
    Pump(50);
    Mouse(up);
    Pump(50);
}

POINT Centre(HWND w)
{
    RECT r = Rect(w);
    POINT p = { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    return p;
}

void Keys(std::initializer_list<WORD> down, std::initializer_list<WORD> tap = {})
{
    std::vector<INPUT> in;
    auto key = [&](WORD vk, bool up) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    for (WORD vk : down)
        key(vk, false);
    for (WORD vk : tap) {
        key(vk, false);
        key(vk, true);
    }
    for (auto it = down.end(); it != down.begin();)
        key(*--it, true);
    SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
}

// Screen point inside the caption button with the hit-test code.
bool FindButton(HWND window, LRESULT code, POINT *out)
{
    RECT r = Rect(window);
    for (int y = r.top; y < r.top + 40 && y < r.bottom; y += 2)
        for (int x = r.right - 1; x > r.left; x -= 2) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &hit);
            if ((LRESULT)hit == code) {
                out->x = x - 3;
                out->y = y + 3;
                return true;
            }
        }
    return false;
}

struct Host : ::testing::Test {
    Look look;
    std::string ini = TempPath("host.ini");
    std::string hiddenList = TempPath("host.hidden");
    HostProcess host;
    BlockView block;
    Client client{ "client_host.exe" };

    void SetUp() override
    {
        DeleteFileA(hiddenList.c_str());
        ASSERT_TRUE(WriteFile(ini, look.Ini()));
        StartHost();
        ASSERT_TRUE(client.ok());
    }
    void TearDown() override { host.Close(); }

    void StartHost()
    {
        ASSERT_TRUE(host.Start(ini)) << "brivane.exe did not come up";
        ASSERT_TRUE(block.Open());
        ASSERT_TRUE(WaitUntil([&] { return block.s->hostWindow == host.window; }, 5000));
        look.Apply(block.s);
    }
    void Set(const Look &l)
    {
        look = l;
        look.Apply(block.s);
    }

    // A visible, active client window.
    HWND Window(const std::string &title)
    {
        std::string w = client.Call("window 0x10CF0000 0 " + title);
        client.Call("activate " + w);
        return StrHwnd(w);
    }
    // The command as the system menu raises it: WM_SYSCOMMAND in the client,
    // seen by the module's hook there and forwarded to the host. Each call
    // uses its own cursor x, so the repeat filter lets it through.
    void SysCommand(HWND w, int command)
    {
        static int x = 100;
        client.Call("syscmd " + HwndStr(w) + " " + std::to_string(command) + " " + std::to_string(++x));
    }
    bool WaitHidden(HWND w) { return WaitUntil([&] { return !IsWindowVisible(w); }, 5000); }
    bool WaitShown(HWND w) { return WaitUntil([&] { return IsWindowVisible(w) != 0; }, 5000); }
    HWND WaitFloat(HWND target, DWORD ms = 5000)
    {
        char title[256] = "";
        GetWindowTextA(target, title, sizeof(title));
        return WaitForProcessWindow(host.pid, kFloatClass, title, ms);
    }
    bool NoFloatFor(HWND target)
    {
        char title[256] = "";
        GetWindowTextA(target, title, sizeof(title));
        return FindTopWindow(host.pid, kFloatClass, title) == NULL;
    }
};

} // namespace

TEST_F(Host, MinimizeToTrayHidesBehindAnIconAndAClickRestores)
{
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; })) << "the host's own tray icon";
    HWND w = Window("tray-me");
    SysCommand(w, 500);
    ASSERT_TRUE(WaitHidden(w));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; })) << "no tray icon for the window";
    EXPECT_TRUE(NoFloatFor(w));
    EXPECT_NE(ReadFile(hiddenList).find(" 1 "), std::string::npos) << "not in the list on disk";

    Click(Centre(TrayIcons()[1]));
    ASSERT_TRUE(WaitShown(w));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000)) << "not activated";
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; })) << "its tray icon stayed";
    EXPECT_FALSE(FileExists(hiddenList)) << "nothing is hidden, the list should be gone";

    // The same command a second time hides it again, with a new icon.
    SysCommand(w, 500);
    ASSERT_TRUE(WaitHidden(w));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));
}

TEST_F(Host, AlwaysOnTopTogglesTheTopmostState)
{
    HWND w = Window("top");
    ASSERT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SysCommand(w, 501);
    EXPECT_TRUE(WaitUntil([&] { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 5000));
    SysCommand(w, 501);
    EXPECT_TRUE(WaitUntil([&] { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0; }, 5000));
    EXPECT_TRUE(IsWindowVisible(w));
}

// --- shortcuts and pinned windows -------------------------------------------

namespace {

const char kBorderClass[] = "BrivanePinBorder";

bool Topmost(HWND w) { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// The host's border window shown around a pinned window; null when none.
HWND VisibleBorder(DWORD hostPid)
{
    HWND found = NULL;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, kBorderClass, NULL)) != NULL;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == hostPid && IsWindowVisible(w))
            found = w;
    }
    return found;
}

// The rectangle the border of w must have: w's own, 2 pixels out at 96 dpi,
// 3 at 144 (the suite runs the border's test at both).
bool BorderAround(DWORD hostPid, HWND w)
{
    HWND border = VisibleBorder(hostPid);
    if (!border)
        return false;
    HDC screen = GetDC(NULL);
    int width = (2 * GetDeviceCaps(screen, LOGPIXELSX) + 48) / 96;
    ReleaseDC(NULL, screen);
    RECT want = Rect(w), got = Rect(border);
    InflateRect(&want, width, width);
    return EqualRect(&want, &got) != 0;
}

// Asks the host which shortcuts another program holds (bit per shortcut).
DWORD TakenShortcuts(HWND host)
{
    DWORD_PTR answer = 0xFFFF;
    SendMessageTimeoutA(host, RegisterWindowMessageA("BrivaneSettingsChanged"), 1, 0, SMTO_NORMAL, 5000, &answer);
    return (DWORD)answer;
}

} // namespace

// Ctrl+Alt with F6, F7, F8, F9 and U, as real key input: each command on
// the foreground window, and the two restores.
TEST_F(Host, ShortcutsActOnTheForegroundWindow)
{
    HWND w = Window("keys");
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    // The host answers once its start is done, its shortcuts registered.
    ASSERT_EQ(TakenShortcuts(host.window), 0u);
    Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    // A first press was lost once in several runs, for a reason not found
    // yet: pressed once more while the window is still unpinned.
    if (!WaitUntil([&] { return Topmost(w); }, 2500))
        Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    EXPECT_TRUE(WaitUntil([&] { return Topmost(w); }, 5000)) << "Ctrl+Alt+F6 did not pin the window";
    Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    EXPECT_TRUE(WaitUntil([&] { return !Topmost(w); }, 5000)) << "Ctrl+Alt+F6 did not unpin the window";

    Keys({ VK_CONTROL, VK_MENU }, { VK_F7 });
    ASSERT_TRUE(WaitHidden(w)) << "Ctrl+Alt+F7 did not hide the window";
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; })) << "no tray icon";
    Keys({ VK_CONTROL, VK_MENU }, { 'U' });
    ASSERT_TRUE(WaitShown(w)) << "Ctrl+Alt+U did not restore it";

    client.Call("activate " + HwndStr(w));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    Keys({ VK_CONTROL, VK_MENU }, { VK_F8 });
    ASSERT_TRUE(WaitHidden(w)) << "Ctrl+Alt+F8 did not hide the window";
    EXPECT_TRUE(WaitFloat(w)) << "no floating icon";
    HWND other = Window("keys-other");
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 3000));
    Keys({ VK_CONTROL, VK_MENU }, { VK_F7 });
    ASSERT_TRUE(WaitHidden(other));
    Keys({ VK_CONTROL, VK_MENU }, { VK_F9 });
    EXPECT_TRUE(WaitShown(w)) << "Ctrl+Alt+F9 did not restore every window";
    EXPECT_TRUE(WaitShown(other));
    EXPECT_TRUE(WaitUntil([&] { return FloatIcons(host.pid).empty() && TrayIcons().size() == 1; }));
    EXPECT_EQ(TakenShortcuts(host.window), 0u);
}

// The Keyboard page of the host's own sheet, driven with real input: a
// shortcut changed and one turned off take effect at once; one whose
// combination another program holds is shown as taken, and the others
// still work.
TEST_F(Host, KeyboardPageChangesTurnsOffAndShowsTakenShortcuts)
{
    host.Close();
    ASSERT_EQ(client.Call("hotkey " + std::to_string(MOD_CONTROL | MOD_ALT) + " " + std::to_string(VK_F8)), "ok");
    // A plain "a" from the file is no shortcut: the host leaves it alone.
    ASSERT_TRUE(WriteFile(ini, look.Ini() + "hk.restorelast=65\r\n"));
    StartHost();
    EXPECT_EQ(TakenShortcuts(host.window), 1u << 2) << "Ctrl+Alt+F8 is another program's";
    EXPECT_TRUE(RegisterHotKey(NULL, 77, 0, 'A')) << "the host took a plain key";
    UnregisterHotKey(NULL, 77);
    HWND w = Window("page-keys");
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    EXPECT_TRUE(WaitUntil([&] { return Topmost(w); }, 5000)) << "the other shortcuts must still work";
    Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    EXPECT_TRUE(WaitUntil([&] { return !Topmost(w); }, 5000));

    EXPECT_EQ(RunHostExe("--settings"), 0);
    HWND sheet = WaitForProcessWindow(host.pid, "#32770", "Brivane", 10000);
    ASSERT_TRUE(sheet);
    SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
    HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    ASSERT_TRUE(page);
    auto text = [&](int id) {
        char buf[64] = "";
        GetWindowTextA(GetDlgItem(page, id), buf, sizeof(buf));
        return std::string(buf);
    };
    auto stored = [&](const char *key) { return (int)GetPrivateProfileIntA("settings", key, 12345, ini.c_str()); };
    EXPECT_EQ(text(462), "taken");
    EXPECT_EQ(text(460), "");
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 452), HKM_GETHOTKEY, 0, 0), MAKEWORD(VK_F8, HOTKEYF_CONTROL | HOTKEYF_ALT));
    Pump(300);
    SaveWindowPng(sheet, ArtifactPath("keyboard.png"));

    // "Always on top" becomes Ctrl+Shift+F11, typed into its hotkey control.
    Click(Centre(GetDlgItem(page, 450)));
    Keys({ VK_CONTROL, VK_SHIFT }, { VK_F11 });
    EXPECT_TRUE(WaitUntil([&] { return stored("hk.topmost") == MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_SHIFT); }, 3000))
        << "hk.topmost=" << stored("hk.topmost");
    // "Minimize to tray" is turned off: its box unticked, the combination kept.
    Click(Centre(GetDlgItem(page, 441)));
    EXPECT_TRUE(WaitUntil([&] { return stored("hk.tray") == -MAKEWORD(VK_F7, HOTKEYF_CONTROL | HOTKEYF_ALT); }, 3000))
        << "hk.tray=" << stored("hk.tray");
    // The other program lets go of Ctrl+Alt+F8: switched off and on again
    // on the page, the shortcut is the host's now.
    client.Call("hotkey 0 0");
    Click(Centre(GetDlgItem(page, 442)));
    Click(Centre(GetDlgItem(page, 442)));
    EXPECT_TRUE(WaitUntil([&] { return text(462).empty(); }, 3000)) << "still shown as taken";
    EXPECT_EQ(TakenShortcuts(host.window), 0u);

    // With the sheet still open: the new shortcut pins, the old one and
    // the one turned off do nothing.
    client.Call("activate " + HwndStr(w));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    Keys({ VK_CONTROL, VK_MENU }, { VK_F6 });
    Keys({ VK_CONTROL, VK_MENU }, { VK_F7 });
    Pump(500);
    EXPECT_FALSE(Topmost(w)) << "Ctrl+Alt+F6 still pins";
    EXPECT_TRUE(IsWindowVisible(w)) << "Ctrl+Alt+F7 still hides";
    Keys({ VK_CONTROL, VK_SHIFT }, { VK_F11 });
    EXPECT_TRUE(WaitUntil([&] { return Topmost(w); }, 5000)) << "Ctrl+Shift+F11 does not pin";
    Keys({ VK_CONTROL, VK_MENU }, { VK_F8 });
    EXPECT_TRUE(WaitHidden(w)) << "Ctrl+Alt+F8, free again, does not float";
    // A key typed alone into a hotkey control gets Ctrl+Alt.
    Click(Centre(GetDlgItem(page, 454)));
    Keys({}, { 'Q' });
    EXPECT_TRUE(WaitUntil([&] { return stored("hk.restorelast") == MAKEWORD('Q', HOTKEYF_CONTROL | HOTKEYF_ALT); }, 3000))
        << "hk.restorelast=" << stored("hk.restorelast");
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }, 5000));
}

// A window pinned by the host carries a border that follows it; one that
// was topmost on its own gets none.
TEST_F(Host, PinnedWindowsBorderFollowsItAndGoes)
{
    HWND w = Window("pinned");
    SysCommand(w, 501);
    ASSERT_TRUE(WaitUntil([&] { return Topmost(w); }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return BorderAround(host.pid, w); }, 3000)) << "no border around the pinned window";
    HWND border = VisibleBorder(host.pid);
    EXPECT_TRUE(Topmost(border));
    EXPECT_TRUE(GetWindowLongA(border, GWL_EXSTYLE) & WS_EX_TRANSPARENT) << "not click-through";
    EXPECT_TRUE(GetWindowLongA(border, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    Pump(200);
    RECT r = Rect(border);
    // The frame has the colour of pin.color (default 0xff8000); inside it
    // the window shows.
    EXPECT_EQ(ScreenPixel(r.left, (r.top + r.bottom) / 2), RGB(0xFF, 0x80, 0x00));

    struct Step { const char *what; std::string command; } steps[] = {
        { "moved", "place " + HwndStr(w) + " 400 300 300 200" },
        { "resized", "place " + HwndStr(w) + " 400 300 420 260" },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        client.Call(step.command);
        EXPECT_TRUE(WaitUntil([&] { return BorderAround(host.pid, w); }, 3000));
    }
    client.Call("show " + HwndStr(w) + " " + std::to_string(SW_MINIMIZE));
    EXPECT_TRUE(WaitUntil([&] { return VisibleBorder(host.pid) == NULL; }, 3000)) << "border of a minimised window";
    client.Call("show " + HwndStr(w) + " " + std::to_string(SW_RESTORE));
    EXPECT_TRUE(WaitUntil([&] { return BorderAround(host.pid, w); }, 3000)) << "no border after the restore";

    // Unpinned: the border goes.
    SysCommand(w, 501);
    EXPECT_TRUE(WaitUntil([&] { return !Topmost(w); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return VisibleBorder(host.pid) == NULL; }, 3000));

    // Pinned again and closed: the border goes with the window.
    SysCommand(w, 501);
    ASSERT_TRUE(WaitUntil([&] { return BorderAround(host.pid, w); }, 5000));
    client.Call("destroy " + HwndStr(w));
    EXPECT_TRUE(WaitUntil([&] { return VisibleBorder(host.pid) == NULL; }, 3000)) << "border of a closed window";

    // Topmost on its own: "Always on top" takes that back, no border ever.
    HWND own = StrHwnd(client.Call("window 0x10CF0000 8 own-topmost"));   // WS_EX_TOPMOST
    client.Call("activate " + HwndStr(own));
    ASSERT_TRUE(Topmost(own));
    SysCommand(own, 501);
    EXPECT_TRUE(WaitUntil([&] { return !Topmost(own); }, 5000));
    Pump(300);
    EXPECT_EQ(VisibleBorder(host.pid), (HWND)NULL);
}

TEST_F(Host, FloatingIconLooksPlacesMovesAndRestores)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HWND a = Window("float-a");
    SysCommand(a, 502);
    ASSERT_TRUE(WaitHidden(a));
    HWND icon = WaitFloat(a);
    ASSERT_TRUE(icon) << "no floating icon window";
    Pump(200);
    SaveWindowPng(icon, ArtifactPath("floating-icon.png"));

    // 32 x 32 icon, 3 px of background and a 1 px frame on each side; 6 px
    // off the bottom-right corner of the work area.
    RECT r = Rect(icon);
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 40);
    EXPECT_EQ(r.right, work.right - 6);
    EXPECT_EQ(r.bottom, work.bottom - 6);
    EXPECT_TRUE(GetWindowLongA(icon, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(icon, GWL_EXSTYLE) & WS_EX_LAYERED) << "opacity is off";
    COLORREF frame = Look::Colorref(look.border), back = Look::Colorref(look.back);
    EXPECT_EQ(ScreenPixel(r.left, r.top), frame);
    EXPECT_EQ(ScreenPixel(r.right - 1, r.bottom - 1), frame);
    EXPECT_EQ(ScreenPixel(r.left + 2, r.top + 2), back);
    EXPECT_EQ(ScreenPixel(r.right - 3, r.bottom - 3), back);
    int drawn = 0;
    for (int y = r.top + 4; y < r.top + 36; y += 2)
        for (int x = r.left + 4; x < r.left + 36; x += 2)
            drawn += ScreenPixel(x, y) != back;
    EXPECT_GT(drawn, 20) << "no icon drawn inside the frame";

    // Following mode: the next icon lines up to the left of the first.
    HWND b = Window("float-b");
    SysCommand(b, 502);
    HWND iconB = WaitFloat(b);
    ASSERT_TRUE(iconB);
    EXPECT_EQ(Rect(iconB).right, r.left - 6);
    EXPECT_EQ(Rect(iconB).top, r.top);
    // Without it, icons go to the corner itself.
    Look stack = look;
    stack.followMode = 0;
    Set(stack);
    HWND c = Window("float-c");
    SysCommand(c, 502);
    HWND iconC = WaitFloat(c);
    ASSERT_TRUE(iconC);
    EXPECT_EQ(Rect(iconC).left, r.left);
    EXPECT_EQ(Rect(iconC).top, r.top);

    // A click restores and activates the window; its icon goes.
    Click(Centre(iconC));
    ASSERT_TRUE(WaitShown(c));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(iconC); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == c; }, 3000)) << "not activated";
    EXPECT_FALSE(IsWindowVisible(a));

    // Dragging moves an icon and restores nothing.
    POINT from = Centre(iconB);
    SetCursorPos(from.x, from.y);
    Pump(50);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 6; step++) {
        MoveMouseTo(from.x - 20 * step, from.y - 10 * step);
        Pump(30);
    }
    Mouse(MOUSEEVENTF_LEFTUP);
    RECT moved = Rect(iconB);
    EXPECT_EQ(moved.left, r.left - 46 - 120);
    EXPECT_EQ(moved.top, r.top - 60);
    Pump(200);
    EXPECT_FALSE(IsWindowVisible(b));
}

TEST_F(Host, ScreenshotIconsAndOpacity)
{
    Look l = look;
    l.screenshots = 1;
    l.shotWidth = 60;
    l.shotHeight = 40;
    l.initPosition = 2;   // bottom-left: Wine's tray window sits top-left
    Set(l);
    HWND w = Window("shot");
    SysCommand(w, 502);
    HWND icon = WaitFloat(w);
    ASSERT_TRUE(icon);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT r = Rect(icon);
    EXPECT_EQ(r.right - r.left, 68);
    EXPECT_EQ(r.bottom - r.top, 48);
    EXPECT_EQ(r.left, work.left + 6);
    EXPECT_EQ(r.bottom, work.bottom - 6);
    Pump(200);
    // The 300 x 200 window scaled into 60 x 40 fills the picture: its white
    // client area shows in the lower middle.
    EXPECT_EQ(ScreenPixel(r.left + 34, r.top + 34), RGB(255, 255, 255));
    EXPECT_EQ(ScreenPixel(r.left, r.top), Look::Colorref(look.border));
    SaveWindowPng(icon, ArtifactPath("floating-icon-screenshot.png"));

    // Opacity on: a translucent icon, not topmost when onTop is 0.
    l.screenshots = 0;
    l.opacity = 50;
    l.onTop = 0;
    Set(l);
    HWND v = Window("translucent");
    SysCommand(v, 502);
    HWND iconV = WaitFloat(v);
    ASSERT_TRUE(iconV);
    EXPECT_TRUE(GetWindowLongA(iconV, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_FALSE(GetWindowLongA(iconV, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// The host scales itself (its manifest says so): floating icons, their
// gaps and screenshot boxes grow with the screen's scale. Runs at whatever
// scale the prefix has; the suite runs it once more in a prefix at 150 %.
TEST_F(Host, FloatingIconsScaleWithTheScreen)
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    struct Scale { int dpi, frame, gap, icon, shotW, shotH; } scales[] = {
        { 96, 1, 6, 40, 68, 48 },      // screenshot box 60 x 40 + 2 x 4
        { 144, 2, 9, 60, 102, 72 },
        { 192, 2, 12, 80, 136, 96 },
    };
    const Scale *want = nullptr;
    for (const Scale &sc : scales)
        if (sc.dpi == dpi)
            want = &sc;
    ASSERT_TRUE(want) << "no expectations for " << dpi << " dpi";
    printf("screen at %d dpi\n", dpi);

    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HWND a = Window("scaled-a");
    SysCommand(a, 502);
    HWND icon = WaitFloat(a);
    ASSERT_TRUE(icon);
    Pump(200);
    RECT r = Rect(icon);
    EXPECT_EQ(r.right - r.left, want->icon);
    EXPECT_EQ(r.bottom - r.top, want->icon);
    EXPECT_EQ(r.right, work.right - want->gap);
    EXPECT_EQ(r.bottom, work.bottom - want->gap);
    COLORREF frame = Look::Colorref(look.border), back = Look::Colorref(look.back);
    EXPECT_EQ(ScreenPixel(r.left + want->frame - 1, r.top + want->frame - 1), frame);
    EXPECT_EQ(ScreenPixel(r.left + want->frame, r.top + want->frame), back);
    // The icon fills its scaled box: drawn pixels near its far corner.
    int drawn = 0;
    for (int y = r.top + want->icon / 2; y < r.bottom - want->icon / 8; y++)
        for (int x = r.left + want->icon / 2; x < r.right - want->icon / 8; x++)
            drawn += ScreenPixel(x, y) != back;
    EXPECT_GT(drawn, want->icon / 2) << "the icon is not drawn at the scaled size";
    SaveWindowPng(icon, ArtifactPath("floating-icon-" + std::to_string(dpi) + "dpi.png"));

    // Screenshots: the 60 x 40 box of the settings, scaled; the places of
    // the row step by its own width and the scaled gap.
    Look l = look;
    l.screenshots = 1;
    l.shotWidth = 60;
    l.shotHeight = 40;
    Set(l);
    HWND b = Window("scaled-b");
    SysCommand(b, 502);
    HWND shot = WaitFloat(b);
    ASSERT_TRUE(shot);
    RECT rs = Rect(shot);
    EXPECT_EQ(rs.right - rs.left, want->shotW);
    EXPECT_EQ(rs.bottom - rs.top, want->shotH);
    EXPECT_EQ(rs.right, work.right - 2 * want->gap - want->shotW);
    EXPECT_EQ(rs.bottom, work.bottom - want->gap);
}

TEST_F(Host, RightClicksOnCaptionButtonsGoToTrayAndFloatingIcon)
{
    HWND w = Window("caption");
    POINT minBtn, maxBtn;
    ASSERT_TRUE(WaitUntil([&] { return FindButton(w, HTMINBUTTON, &minBtn); }))
        << "no Minimize button found: are Wine's frames on (Decorated=N)?";
    ASSERT_TRUE(FindButton(w, HTMAXBUTTON, &maxBtn));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }));

    Click(minBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitHidden(w)) << "right click on Minimize did not hide the window";
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));
    EXPECT_TRUE(NoFloatFor(w));

    // The hotkey brings back the most recently hidden window.
    Keys({ VK_CONTROL, VK_MENU }, { 'U' });
    ASSERT_TRUE(WaitShown(w)) << "Ctrl+Alt+U did not restore the window";
    client.Call("activate " + HwndStr(w));

    Click(maxBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitHidden(w)) << "right click on Maximize did not hide the window";
    EXPECT_TRUE(WaitFloat(w));
}

TEST_F(Host, TrayMenuRestoresAllWindows)
{
    HWND a = Window("menu-a"), b = Window("menu-b");
    SysCommand(a, 500);
    SysCommand(b, 502);
    ASSERT_TRUE(WaitHidden(a));
    ASSERT_TRUE(WaitHidden(b));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));

    Click(Centre(TrayIcons()[0]), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForProcessWindow(0, "#32768", NULL, 5000);
    ASSERT_TRUE(menu) << "no menu on a right click of the host's tray icon";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(menu) != 0; }, 3000));
    Pump(200);
    SaveWindowPng(menu, ArtifactPath("tray-menu.png"));
    // The two hidden windows, (separator), Settings..., Restore all
    // windows, ...: the fourth item.
    Keys({}, { VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN });
    EXPECT_TRUE(WaitShown(a));
    EXPECT_TRUE(WaitShown(b));
    EXPECT_TRUE(WaitUntil([&] { return FloatIcons(host.pid).empty() && TrayIcons().size() == 1; }));
    EXPECT_TRUE(host.Running());
}

TEST_F(Host, ExitRestoresEveryHiddenWindow)
{
    HWND a = Window("exit-a"), b = Window("exit-b");
    SysCommand(a, 500);
    SysCommand(b, 502);
    ASSERT_TRUE(WaitHidden(a));
    ASSERT_TRUE(WaitHidden(b));
    ASSERT_TRUE(FileExists(hiddenList));

    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_TRUE(host.WaitEnd());
    EXPECT_TRUE(IsWindowVisible(a));
    EXPECT_TRUE(IsWindowVisible(b));
    EXPECT_FALSE(FileExists(hiddenList));
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
    EXPECT_EQ(RunHostExe("--exit"), 1) << "nothing left to stop";
}

TEST_F(Host, KilledHostsWindowsComeBackAtTheNextStart)
{
    HWND a = Window("crash-a"), b = Window("crash-b"), c = Window("crash-c");
    SysCommand(a, 500);
    SysCommand(b, 502);
    SysCommand(c, 502);
    ASSERT_TRUE(WaitHidden(a));
    ASSERT_TRUE(WaitHidden(b));
    ASSERT_TRUE(WaitHidden(c));
    host.Kill();
    host.Close();
    // One of them closes while nobody watches; it must not trouble the start.
    client.Call("destroy " + HwndStr(c));
    Pump(300);
    EXPECT_FALSE(IsWindowVisible(a));
    EXPECT_FALSE(IsWindowVisible(b));

    StartHost();
    EXPECT_TRUE(WaitShown(a));
    EXPECT_TRUE(WaitShown(b));
    EXPECT_TRUE(FloatIcons(host.pid).empty());
    EXPECT_FALSE(FileExists(hiddenList));
}

TEST_F(Host, SessionEndRestoresEverythingAndUnhooks)
{
    HWND a = Window("session-a"), b = Window("session-b");
    SysCommand(a, 500);
    SysCommand(b, 502);
    ASSERT_TRUE(WaitHidden(a));
    ASSERT_TRUE(WaitHidden(b));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer));
    EXPECT_EQ(answer, (DWORD_PTR)TRUE) << "the host must not hold the session up";
    EXPECT_TRUE(WaitShown(a));
    EXPECT_TRUE(WaitShown(b));
    EXPECT_TRUE(FloatIcons(host.pid).empty());
    EXPECT_FALSE(FileExists(hiddenList));

    // A session that goes on after all keeps its host.
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &answer));
    Pump(300);
    EXPECT_TRUE(host.Running());
    // One that ends takes the host with it: it unhooks and exits, rather
    // than running on with nothing hooked (a forged end of session left
    // such a host behind).
    SendMessageTimeoutA(host.window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer);
    EXPECT_TRUE(host.WaitEnd()) << "the host ran on after the session ended";
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }, 3000));
    // The hooks are gone: the system menu command reaches no host.
    HWND c = Window("session-c");
    SysCommand(c, 500);
    Pump(500);
    EXPECT_TRUE(IsWindowVisible(c));
}

TEST_F(Host, CommandsForWindowsNotToTouchDoNothing)
{
    // WM_HOSTCOMMAND as any program can post it, naming windows the module
    // never raises a command for: each must stay as it is.
    HWND top = Window("forged-parent");
    HWND child = StrHwnd(client.Call("child " + HwndStr(top)));
    HWND tray = StrHwnd(client.Call("classwindow Shell_TrayWnd"));
    HWND progman = StrHwnd(client.Call("classwindow Progman"));
    HWND noMenu = StrHwnd(client.Call("classwindow NoMenu " + std::to_string(WS_POPUP | WS_VISIBLE)));
    HWND owned = StrHwnd(client.Call("classwindow Owned " + std::to_string(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE) +
                                     " " + HwndStr(top)));
    struct Case { const char *what; HWND window; } cases[] = {
        { "the desktop", GetDesktopWindow() },
        { "a child window", child },
        { "the taskbar's class", tray },
        { "the desktop icons' class", progman },
        { "no system menu", noMenu },
        { "an owned popup", owned },
        { "the host's own window", host.window },
        { "no window at all", (HWND)(UINT_PTR)0x7FFFFFF0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.window);
        BOOL visible = IsWindowVisible(c.window);
        LONG ex = GetWindowLongA(c.window, GWL_EXSTYLE);
        DWORD_PTR answer;
        for (WPARAM code : { 501, 500, 502, 1, 2 })
            ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, code, (LPARAM)c.window, SMTO_NORMAL, 3000, &answer));
        Pump(300);
        EXPECT_EQ(IsWindowVisible(c.window), visible);
        EXPECT_EQ(GetWindowLongA(c.window, GWL_EXSTYLE) & WS_EX_TOPMOST, ex & WS_EX_TOPMOST);
        EXPECT_TRUE(FloatIcons(host.pid).empty());
        EXPECT_FALSE(FileExists(hiddenList));
    }
    // The same message for a window the module would raise it for is
    // carried out: the refusals above are not a host that does nothing.
    DWORD_PTR answer;
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, 502, (LPARAM)top, SMTO_NORMAL, 3000, &answer));
    EXPECT_TRUE(WaitHidden(top));
}

TEST_F(Host, ForgedHintsNeitherLoseAHiddenWindowNorHoldTheHostUp)
{
    // "Shown" posted right after the hide, before the window's program has
    // hidden it, as any program can post it: the window stays recorded.
    HWND w = Window("forged-shown");
    ASSERT_TRUE(PostMessageA(host.window, WM_HOSTCOMMAND, 500, (LPARAM)w));
    ASSERT_TRUE(PostMessageA(host.window, WM_HOSTCOMMAND, 503, (LPARAM)w));
    ASSERT_TRUE(WaitHidden(w));
    DWORD_PTR answer;
    for (WPARAM code : { 503, 504, 503 })
        ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, code, (LPARAM)w, SMTO_NORMAL, 3000, &answer));
    Pump(300);
    EXPECT_EQ(TrayIcons().size(), 2u) << "the hidden window lost its icon";
    EXPECT_TRUE(FileExists(hiddenList)) << "and its record on disk";

    // "Gone" for a hidden window whose program does not answer: asked once,
    // never waited for, however many hints come.
    ASSERT_TRUE(client.Post("hang 2500"));
    Pump(300);
    DWORD start = GetTickCount();
    for (int i = 0; i < 50; i++)
        ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, 505, (LPARAM)w, SMTO_NORMAL, 3000, &answer));
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &answer));
    DWORD took = GetTickCount() - start;
    printf("50 \"gone\" hints for a hung window took %lu ms\n", (unsigned long)took);
    EXPECT_LT(took, 1000u) << "the host waited on the hung program";
    EXPECT_EQ(client.Call("ping"), "pong");   // awake again
    Pump(300);
    EXPECT_EQ(TrayIcons().size(), 2u) << "a live window lost its icon";

    // Its own program shows it again, after the host has seen it hidden:
    // now the record goes, as it must.
    client.Call("show " + HwndStr(w) + " " + std::to_string(SW_SHOWNA));
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }, 3000)) << "shown, yet still recorded";

    // Hidden and "shown" at once again, then restored from its icon.
    ASSERT_TRUE(PostMessageA(host.window, WM_HOSTCOMMAND, 500, (LPARAM)w));
    ASSERT_TRUE(PostMessageA(host.window, WM_HOSTCOMMAND, 503, (LPARAM)w));
    ASSERT_TRUE(WaitHidden(w));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }, 3000));
    Pump(300);
    ASSERT_EQ(TrayIcons().size(), 2u);
    Click(Centre(TrayIcons()[1]));
    EXPECT_TRUE(WaitShown(w)) << "the hidden window cannot be brought back";
}

TEST_F(Host, TheHiddenListIsNeverWrittenThroughALink)
{
    // A hard link where the list's copy is made: the copy is made new.
    std::string victim = TempPath("host-victim.txt"), copy = hiddenList + ".new";
    ASSERT_TRUE(WriteFile(victim, "someone else's file\r\n"));
    DeleteFileA(copy.c_str());
    ASSERT_TRUE(CreateHardLinkA(copy.c_str(), victim.c_str(), NULL));
    HWND w = Window("linked-list");
    SysCommand(w, 500);
    ASSERT_TRUE(WaitHidden(w));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(hiddenList); }, 3000));
    EXPECT_EQ(ReadFile(victim), "someone else's file\r\n") << "written through the link";
    EXPECT_NE(ReadFile(hiddenList).find(" 1 "), std::string::npos);
    EXPECT_FALSE(FileExists(copy));
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_TRUE(WaitShown(w));
}

TEST_F(Host, ForgedHiddenListRecordsAreNotRestored)
{
    // Windows that were never shown, named in a list the host did not
    // write: with no creation time (a list of an older host, or made up),
    // with the wrong one, and with the right one but a window that is a
    // child. Only a record of this very run of the program is followed.
    HWND never = StrHwnd(client.Call("window 0x00CF0000 0 never-shown"));
    HWND wrongTime = StrHwnd(client.Call("window 0x00CF0000 0 wrong-time"));
    HWND parent = Window("list-parent");
    HWND child = StrHwnd(client.Call("child " + HwndStr(parent)));
    ShowWindowAsync(child, SW_HIDE);
    HWND real = StrHwnd(client.Call("window 0x00CF0000 0 real"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(child); }, 3000));
    FILETIME created, exited, kernel, user;
    ASSERT_TRUE(GetProcessTimes(client.process(), &created, &exited, &kernel, &user));
    char right[17], wrong[17];
    sprintf(right, "%08lx%08lx", (unsigned long)created.dwHighDateTime, (unsigned long)created.dwLowDateTime);
    sprintf(wrong, "%08lx%08lx", (unsigned long)created.dwHighDateTime, (unsigned long)created.dwLowDateTime + 1);
    char line[128];
    std::string list;
    auto rec = [&](HWND w, const char *time) {
        sprintf(line, "%08lx %lu 1%s%s\r\n", (unsigned long)(UINT_PTR)w, (unsigned long)client.pid(), time ? " " : "",
                time ? time : "");
        list += line;
    };
    rec(never, nullptr);
    rec(wrongTime, wrong);
    rec(child, right);
    rec(real, right);

    host.Kill();
    host.Close();
    ASSERT_TRUE(WriteFile(hiddenList, list));
    StartHost();
    EXPECT_TRUE(WaitShown(real)) << "the one true record was not followed";
    Pump(300);
    EXPECT_FALSE(IsWindowVisible(never));
    EXPECT_FALSE(IsWindowVisible(wrongTime));
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_FALSE(FileExists(hiddenList));
}

TEST_F(Host, TheBlockIsTheUsersAloneAndLabelledForReadingFromBelow)
{
    HANDLE mapping = OpenFileMappingA(READ_CONTROL, FALSE, BRIVANE_SHMEM_NAME);
    ASSERT_TRUE(mapping);
    BlockGrants got = ReadGrants(mapping);
    CloseHandle(mapping);
    EXPECT_TRUE(got.read) << "descriptor not readable";
    EXPECT_TRUE(got.ownerIsUser);
    EXPECT_TRUE(got.daclPresent) << "a NULL DACL lets anybody in";
    EXPECT_EQ(got.grants, "user,system") << "grants to whom";
    // The label: the host's level (every program is high under Wine, which
    // keeps a label given but enforces none), no-write-up, so that lower
    // levels may read the block but never choose its file.
    HANDLE token;
    union { TOKEN_MANDATORY_LABEL label; BYTE bytes[128]; } level;
    DWORD size = 0;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    ASSERT_TRUE(GetTokenInformation(token, TokenIntegrityLevel, &level, sizeof(level), &size));
    CloseHandle(token);
    PSID sid = level.label.Label.Sid;
    bool high = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1) >= SECURITY_MANDATORY_HIGH_RID;
    printf("label: %s\n", got.label.c_str());
    if (got.label != "(none returned)") {
        EXPECT_EQ(got.label, high ? "S:(ML;;NW;;;HI)" : "S:(ML;;NW;;;ME)");
    }
}

TEST_F(Host, TrayIconsComeBackWhenTheTaskbarRestarts)
{
    HWND w = Window("taskbar");
    SysCommand(w, 500);
    ASSERT_TRUE(WaitHidden(w));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));

    // The host's icon (id 1) is lost, as when the taskbar dies...
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = host.window;
    nid.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }));
    // ...and the new taskbar announces itself.
    PostMessageA(host.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));
    Pump(300);
    EXPECT_EQ(TrayIcons().size(), 2u) << "an icon was added twice";
    // The window's icon still brings it back.
    bool restored = false;
    for (HWND icon : TrayIcons()) {
        Click(Centre(icon));
        if ((restored = WaitUntil([&] { return IsWindowVisible(w) != 0; }, 1000)))
            break;
        Keys({}, { VK_ESCAPE });   // the host's menu, if that was its icon
    }
    EXPECT_TRUE(restored);
}

TEST_F(Host, WindowClosedWhileHiddenLosesItsIcon)
{
    HWND a = Window("gone-a"), b = Window("gone-b");
    SysCommand(a, 500);
    SysCommand(b, 502);
    ASSERT_TRUE(WaitHidden(a));
    HWND icon = WaitFloat(b);
    ASSERT_TRUE(icon);
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));

    client.Call("destroy " + HwndStr(a));
    client.Call("destroy " + HwndStr(b));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(icon); }, 2000));
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }, 2000));
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(hiddenList); }, 2000));

    // A program that dies with a window hidden and one pinned: no window
    // says goodbye, the end of its process takes the icon and the border.
    Client doomed("client_host.exe");
    ASSERT_TRUE(doomed.ok());
    HWND c = StrHwnd(doomed.Call("window 0x10CF0000 0 doomed-hidden"));
    HWND d = StrHwnd(doomed.Call("window 0x10CF0000 0 doomed-pinned"));
    doomed.Call("activate " + HwndStr(d));
    DWORD_PTR answer;
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, 500, (LPARAM)c, SMTO_NORMAL, 3000, &answer));
    ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, 501, (LPARAM)d, SMTO_NORMAL, 3000, &answer));
    ASSERT_TRUE(WaitHidden(c));
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return VisibleBorder(host.pid) != NULL; }, 3000));
    TerminateProcess(doomed.process(), 1);
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }, 3000)) << "the dead program's icon stayed";
    EXPECT_TRUE(WaitUntil([&] { return VisibleBorder(host.pid) == NULL; }, 3000)) << "its border stayed";
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(hiddenList); }, 2000));
}

TEST_F(Host, AHungProgramNeverHoldsTheHostUp)
{
    HWND w = Window("hung");
    ASSERT_TRUE(client.Post("hang 2500"));
    Pump(300);
    // The commands the module would post for the hung window, sent so
    // that each has been carried out when the call returns.
    DWORD start = GetTickCount();
    DWORD_PTR answer;
    for (WPARAM code : { 501, 500, 502 })
        ASSERT_TRUE(SendMessageTimeoutA(host.window, WM_HOSTCOMMAND, code, (LPARAM)w, SMTO_NORMAL, 3000, &answer));
    DWORD took = GetTickCount() - start;
    printf("host answered after %lu ms\n", took);
    EXPECT_LT(took, 1500u) << "the host waited on the hung window";
    // Once the program wakes up the hide it was asked for happens, and
    // the window still comes back.
    EXPECT_TRUE(WaitHidden(w));
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_TRUE(WaitShown(w));
}

// --- start with Windows -------------------------------------------------------

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Run value "Brivane"; "(none)" when there is none.
std::string RunValue()
{
    char data[2048] = "";
    DWORD size = sizeof(data) - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "(none)";
    LONG rc = RegQueryValueExA(key, "Brivane", NULL, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "(none)";
}

void SetRunValue(const std::string &data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL), ERROR_SUCCESS);
    if (data == "(none)")
        RegDeleteValueA(key, "Brivane");
    else
        RegSetValueExA(key, "Brivane", 0, REG_SZ, (const BYTE *)data.c_str(), (DWORD)data.size() + 1);
    RegCloseKey(key);
}

// Keeps what the prefix had (the installer's tests write the same value).
struct RunValueKeeper {
    std::string saved = RunValue();
    ~RunValueKeeper() { SetRunValue(saved); }
};

} // namespace

// The tray menu's "Start with Windows" writes and removes the Run value;
// its check comes from the registry, so a value written by someone else
// (the installer) is what the item starts from.
TEST_F(Host, StartWithWindowsFromTheTrayMenu)
{
    RunValueKeeper keep;
    const std::string ours = "\"" + ExeDir() + "brivane.exe\" --config \"" + ini + "\"";
    auto choose = [&](bool screenshot) {
        ASSERT_TRUE(WaitUntil([] { return !TrayIcons().empty(); }));
        Click(Centre(TrayIcons()[0]), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        HWND menu = WaitForProcessWindow(0, "#32768", NULL, 5000);
        ASSERT_TRUE(menu) << "no menu on a right click of the host's tray icon";
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(menu) != 0; }, 3000));
        if (screenshot) {
            Pump(200);
            SaveWindowPng(menu, ArtifactPath("tray-menu-autostart.png"));
        }
        Keys({}, { 'W' });   // Start with &Windows
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 3000));
    };
    struct Step { const char *before; bool ownValue; const char *what; } steps[] = {
        { "(none)", false, "no value: choosing it writes ours" },
        { nullptr, true, "our value: choosing it removes it" },
        { "\"C:\\Other\\brivane.exe\"", false, "another copy's value: replaced by ours" },
        { "C:\\Other\\brivane.exe --config x.ini", false, "unquoted, another copy: replaced by ours" },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        std::string before = step.ownValue ? ours : step.before;
        SetRunValue(before);
        choose(step.ownValue);
        std::string want = step.ownValue ? "(none)" : ours;
        EXPECT_TRUE(WaitUntil([&] { return RunValue() == want; }, 3000)) << "got " << RunValue() << "\nwanted " << want;
    }
    EXPECT_TRUE(host.Running());
}

// --- command line -----------------------------------------------------------

namespace {

// Waits for a message box of the process, records its text and closes it.
std::string AnswerMessageBox(DWORD pid)
{
    HWND box = WaitForProcessWindow(pid, "#32770", NULL, 10000);
    if (!box)
        return "";
    char text[1024] = "";
    WaitUntil([&] {
        HWND label = GetDlgItem(box, 0xFFFF);
        return label && GetWindowTextA(label, text, sizeof(text)) > 0;
    }, 5000);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text[0] ? text : "(box)";
}

long ExitCode(HANDLE p)
{
    DWORD code = (DWORD)-1;
    if (WaitUntil([&] { return WaitForSingleObject(p, 0) == WAIT_OBJECT_0; }, 10000))
        GetExitCodeProcess(p, &code);
    else
        TerminateProcess(p, 1);
    CloseHandle(p);
    return (long)code;
}

} // namespace

TEST(HostCommandLine, UnknownOptionsShowUsage)
{
    for (const char *args : { "--bogus", "--config", "--exit --settings", "--help" }) {
        SCOPED_TRACE(args);
        DWORD pid = 0;
        HANDLE p = Start(HostExe() + " " + args, &pid);
        ASSERT_TRUE(p);
        EXPECT_NE(AnswerMessageBox(pid).find("Usage: brivane"), std::string::npos);
        EXPECT_EQ(ExitCode(p), 2);
    }
}

TEST(HostCommandLine, MissingModuleIsReportedNotACrash)
{
    std::string dir = TempPath("alone\\");
    CreateDirectoryA(dir.c_str(), NULL);
    ASSERT_TRUE(CopyFileA((ExeDir() + "brivane.exe").c_str(), (dir + "brivane.exe").c_str(), FALSE));
    DWORD pid = 0;
    HANDLE p = Start("\"" + dir + "brivane.exe\" --config \"" + dir + "x.ini\"", &pid);
    ASSERT_TRUE(p);
    EXPECT_NE(AnswerMessageBox(pid).find(BRIVANE_MODULE_FILE), std::string::npos);
    EXPECT_EQ(ExitCode(p), 3);

    // A file of that name that is not the module.
    ASSERT_TRUE(WriteFile(dir + BRIVANE_MODULE_FILE, "not a module"));
    p = Start("\"" + dir + "brivane.exe\" --config \"" + dir + "x.ini\"", &pid);
    ASSERT_TRUE(p);
    EXPECT_NE(AnswerMessageBox(pid).find(BRIVANE_MODULE_FILE), std::string::npos);
    EXPECT_EQ(ExitCode(p), 3);
}

TEST(HostCommandLine, OneInstanceSettingsAndExitWhileTheSheetIsOpen)
{
    std::string ini = TempPath("single.ini");
    ASSERT_TRUE(WriteFile(ini, Look().Ini()));
    HostProcess host;
    ASSERT_TRUE(host.Start(ini));
    BlockView block;
    ASSERT_TRUE(block.Open());
    ASSERT_TRUE(WaitUntil([&] { return block.s->hostWindow == host.window; }, 5000));
    Look().Apply(block.s);
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; }));

    // A second start brings nothing up twice.
    EXPECT_EQ(RunHostExe("--config \"" + ini + "\""), 0);
    int hosts = 0;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, "BrivaneHost", NULL)) != NULL;)
        hosts++;
    EXPECT_EQ(hosts, 1);
    Pump(300);
    EXPECT_FALSE(FindTopWindow(host.pid, "#32770", "Brivane")) << "settings opened with a tray icon to use";
    EXPECT_TRUE(host.Running());

    // Without a tray icon (switched off while running: the icon goes), a
    // second start opens the settings: the only way in.
    block.s->runInTray = 0;
    PostMessageA(host.window, RegisterWindowMessageA("BrivaneSettingsChanged"), 0, 0);
    EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }, 3000));
    EXPECT_EQ(RunHostExe(""), 0);
    HWND sheet = WaitForProcessWindow(host.pid, "#32770", "Brivane", 10000);
    ASSERT_TRUE(sheet) << "no configuration sheet";
    // --settings while it is open: still one sheet.
    EXPECT_EQ(RunHostExe("--settings"), 0);
    Pump(300);
    int sheets = 0;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, "#32770", "Brivane")) != NULL;)
        sheets++;
    EXPECT_EQ(sheets, 1);

    // --exit with the sheet open closes it and exits.
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_TRUE(host.WaitEnd());
    EXPECT_FALSE(IsWindow(sheet));
}

TEST(HostCommandLine, SettingsOnAFreshStart)
{
    std::string ini = TempPath("fresh.ini");
    ASSERT_TRUE(WriteFile(ini, Look().Ini()));
    HostProcess host;
    ASSERT_TRUE(host.Start(ini, "--settings"));
    EXPECT_TRUE(WaitForProcessWindow(host.pid, "#32770", "Brivane", 10000));
}

namespace {

// Attributes for an object made as another user's program would make it.
struct Foreign {
    PSECURITY_DESCRIPTOR sd = NULL;
    SECURITY_ATTRIBUTES sa = { sizeof(SECURITY_ATTRIBUTES), NULL, FALSE };
    explicit Foreign(const std::string &sddl)
    {
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, NULL);
        sa.lpSecurityDescriptor = sd;
    }
    ~Foreign() { LocalFree(sd); }
};

} // namespace

TEST(HostCommandLine, AnotherUsersMutexOrBlockStopsTheStartWithAReason)
{
    std::string ini = TempPath("foreign.ini");
    ASSERT_TRUE(WriteFile(ini, Look().Ini()));
    std::string sid = UserSid();
    ASSERT_FALSE(sid.empty());
    auto start = [&](const char *expect) {
        DWORD pid = 0;
        HANDLE p = Start(HostExe() + " --config \"" + ini + "\"", &pid);
        EXPECT_TRUE(p);
        if (!p)
            return;
        std::string text = AnswerMessageBox(pid);
        EXPECT_NE(text.find("another user"), std::string::npos) << text;
        EXPECT_NE(text.find(expect), std::string::npos) << text;
        EXPECT_EQ(ExitCode(p), 6);
    };
    // Owned by somebody else (Wine lets a test give an object any owner),
    // whether or not its DACL lets this user in: once held before the host
    // started, such a mutex made every start end silently.
    const std::string owners[] = { "O:BAD:P(A;;GA;;;" + sid + ")", "O:SYD:P(A;;GA;;;SY)" };
    for (const std::string &sddl : owners) {
        SCOPED_TRACE(sddl);
        Foreign attrs(sddl);
        ASSERT_TRUE(attrs.sd);
        HANDLE mutex = CreateMutexA(&attrs.sa, FALSE, "Local\\BrivaneHost");
        ASSERT_TRUE(mutex);
        ASSERT_NE(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "a host is still running";
        start("mutex");
        CloseHandle(mutex);
    }
    // The block, made first by another user's program.
    {
        Foreign attrs("O:BAD:P(A;;GA;;;" + sid + ")");
        HANDLE block = CreateFileMappingA(INVALID_HANDLE_VALUE, &attrs.sa, PAGE_READWRITE, 0, BRIVANE_SHMEM_SIZE,
                                          BRIVANE_SHMEM_NAME);
        ASSERT_TRUE(block);
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            printf("the block is held by a program of an earlier test: its owner half is not judged\n");
        else
            start("settings block");
        CloseHandle(block);
    }
}

TEST(HostCommandLine, ConfigPathsTheModuleWouldNotUseAreRefused)
{
    // The module ignores these (it reads defaults and writes nothing); the
    // host says so instead of running on without its file.
    // The names it keeps beside the file must fit as well ("<file>.new",
    // "<stem>.recent.new"), and neither list may be the file itself.
    std::string folder = TempPath("");
    size_t room = 259 - 11 - folder.size();   // for the stem's name: "<stem>.recent.new" is 259
    std::string longest = folder + std::string(room, 'd') + ".ini";            // 252 characters
    std::string stemTooLong = folder + std::string(room + 1, 'e') + ".ini";     // 253
    std::string copyTooLong = folder + "f." + std::string(256 - folder.size() - 2, 'x');   // "<file>.new" is 260
    ASSERT_EQ(longest.size(), 252u);
    struct Case { std::string path; const char *says; } cases[] = {
        { "\\\\?\\" + TempPath("device.ini"), "configuration file" },
        { TempPath(std::string(300, 'c') + ".ini"), "configuration file" },
        { stemTooLong, "too long" },
        { copyTooLong, "too long" },
        { TempPath("own.hidden"), ".hidden" },
        { TempPath("own.RECENT"), ".recent" },
    };
    ASSERT_TRUE(WriteFile(TempPath("own.hidden"), "[settings]\r\n"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40) + "... (" + std::to_string(c.path.size()) + ")");
        DWORD pid = 0;
        HANDLE p = Start(HostExe() + " --config \"" + c.path + "\"", &pid);
        ASSERT_TRUE(p);
        EXPECT_NE(AnswerMessageBox(pid).find(c.says), std::string::npos);
        EXPECT_EQ(ExitCode(p), 2);
    }
    EXPECT_EQ(ReadFile(TempPath("own.hidden")), "[settings]\r\n") << "the file was taken for its own list";
    // The longest path that leaves room for every name is taken.
    ASSERT_TRUE(WriteFile(longest, "[settings]\r\n"));
    HostProcess fits;
    EXPECT_TRUE(fits.Start(longest)) << "a path of 252 characters leaves room for every name";
    fits.Close();
    DeleteFileA(longest.c_str());
}

// --- the request pipe ------------------------------------------------------------

namespace {

std::string RequestPipeName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return "\\\\.\\pipe\\BrivaneHost-" + std::to_string(session) + "-" + UserSid();
}

const DWORD kRequestStart = 1, kRequestExit = 3;

// A client of the pipe that waits for its turn; INVALID_HANDLE_VALUE when
// none came within ms.
HANDLE ConnectToPipe(DWORD ms)
{
    std::string name = RequestPipeName();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    WaitUntil([&] {
        pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, NULL);
        if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeA(name.c_str(), 50);
        return pipe != INVALID_HANDLE_VALUE;
    }, ms);
    return pipe;
}

// An overlapped transfer given ms to finish; the bytes moved, or -1.
long Transfer(HANDLE pipe, bool write, void *data, DWORD size, DWORD ms)
{
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    BOOL started = write ? WriteFile(pipe, data, size, NULL, &ov) : ReadFile(pipe, data, size, NULL, &ov);
    DWORD done = 0;
    long result = -1;
    if (started || GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(ov.hEvent, ms) != WAIT_OBJECT_0)
            CancelIo(pipe);
        if (GetOverlappedResult(pipe, &ov, &done, TRUE))
            result = (long)done;
    }
    CloseHandle(ov.hEvent);
    return result;
}

// A client that connects and says nothing until the host drops it.
DWORD WINAPI SilentClient(LPVOID)
{
    HANDLE pipe = ConnectToPipe(20000);
    if (pipe != INVALID_HANDLE_VALUE) {
        char byte;
        Transfer(pipe, false, &byte, 1, 20000);
        CloseHandle(pipe);
    }
    return 0;
}

// A program of the user's that makes the pipe's name and answers with pid.
struct FakePipeServer {
    HANDLE pipe = INVALID_HANDLE_VALUE, thread = NULL;
    DWORD pid = 0;
    static DWORD WINAPI Serve(LPVOID self)
    {
        FakePipeServer *f = (FakePipeServer *)self;
        OVERLAPPED ov = {};
        ov.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
        DWORD done = 0, request = 0;
        if (ConnectNamedPipe(f->pipe, &ov) || GetLastError() == ERROR_PIPE_CONNECTED ||
            (GetLastError() == ERROR_IO_PENDING && WaitForSingleObject(ov.hEvent, 20000) == WAIT_OBJECT_0)) {
            if (Transfer(f->pipe, false, &request, sizeof(request), 5000) == sizeof(request))
                Transfer(f->pipe, true, &f->pid, sizeof(f->pid), 5000);
            char more;
            Transfer(f->pipe, false, &more, 1, 5000);
        }
        (void)done;
        CloseHandle(ov.hEvent);
        return 0;
    }
    bool Start(SECURITY_ATTRIBUTES *sa, DWORD answer)
    {
        pid = answer;
        pipe = CreateNamedPipeA(RequestPipeName().c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 64, 64,
                                0, sa);
        thread = pipe != INVALID_HANDLE_VALUE ? CreateThread(NULL, 0, Serve, this, 0, NULL) : NULL;
        return thread != NULL;
    }
    ~FakePipeServer()
    {
        if (thread) {
            // A client that never came: come ourselves, so the thread ends.
            if (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
                HANDLE client = ConnectToPipe(2000);
                if (client != INVALID_HANDLE_VALUE)
                    CloseHandle(client);
            }
            WaitForSingleObject(thread, 20000);
            CloseHandle(thread);
        }
        if (pipe != INVALID_HANDLE_VALUE)
            CloseHandle(pipe);
    }
};

} // namespace

TEST(HostCommandLine, APipeNameMadeFirstStopsTheStartWithAReason)
{
    // Once the host started without its pipe and said nothing, and --exit
    // then took the squatter's word. Under Wine the first-instance flag let
    // the host share the name with a squatter that allowed many instances.
    std::string ini = TempPath("squat.ini");
    ASSERT_TRUE(WriteFile(ini, Look().Ini()));
    std::string sid = UserSid();
    struct Case { const char *what; std::string sddl; DWORD instances; };
    const Case cases[] = {
        { "default security, many instances", "", PIPE_UNLIMITED_INSTANCES },
        { "the user's own descriptor, one instance", "O:" + sid + "D:P(A;;GA;;;" + sid + ")", 1 },
        { "the user's own descriptor, many instances", "O:" + sid + "D:P(A;;GA;;;" + sid + ")", PIPE_UNLIMITED_INSTANCES },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Foreign attrs(c.sddl);
        HANDLE squatter = CreateNamedPipeA(RequestPipeName().c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                           c.instances, 64, 64, 0, c.sddl.empty() ? NULL : &attrs.sa);
        ASSERT_NE(squatter, INVALID_HANDLE_VALUE);
        DWORD pid = 0;
        HANDLE p = Start(HostExe() + " --config \"" + ini + "\"", &pid);
        ASSERT_TRUE(p);
        std::string text = AnswerMessageBox(pid);
        EXPECT_NE(text.find("request pipe"), std::string::npos) << text;
        EXPECT_EQ(ExitCode(p), 6);
        EXPECT_EQ(FindWindowA("BrivaneHost", NULL), (HWND)NULL);
        CloseHandle(squatter);
    }
}

TEST(HostCommandLine, ExitSucceedsOnlyWhenTheHostItAddressedHasEnded)
{
    // The instance mutex says a host runs; the pipe's server is not it.
    std::string sid = UserSid();
    Foreign mine("O:" + sid + "D:P(A;;GA;;;" + sid + ")");
    HANDLE mutex = CreateMutexA(&mine.sa, FALSE, "Local\\BrivaneHost");
    ASSERT_TRUE(mutex);
    ASSERT_NE(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "a host is still running";
    struct Case { const char *what; bool owned; DWORD answer; };
    const Case cases[] = {
        // Under Wine an object made with default security has no owner.
        { "a pipe that is not the user's", false, GetCurrentProcessId() },
        { "a process that is not the host", true, GetCurrentProcessId() },
        { "a process that does not exist", true, 0xFFFFFFF0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FakePipeServer fake;
        ASSERT_TRUE(fake.Start(c.owned ? &mine.sa : NULL, c.answer));
        DWORD start = GetTickCount();
        EXPECT_EQ(RunHostExe("--exit", 60000), 5);
        printf("%s: --exit took %lu ms\n", c.what, (unsigned long)(GetTickCount() - start));
    }
    CloseHandle(mutex);
}

TEST(HostCommandLine, SilentClientsAndMisframedRequestsNeitherLockOutNorAct)
{
    std::string ini = TempPath("pipe.ini");
    ASSERT_TRUE(WriteFile(ini, Look().Ini()));
    HostProcess host;
    ASSERT_TRUE(host.Start(ini));

    // Only a request of exactly its size counts: a valid first value at the
    // head of a longer message once was acted on.
    struct Case { const char *what; DWORD size; DWORD first; };
    const Case cases[] = {
        { "64 KiB starting with exit", 65536, kRequestExit },
        { "8 bytes starting with exit", 8, kRequestExit },
        { "2 bytes", 2, kRequestExit },
        { "an unknown request", 4, 99 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE pipe = ConnectToPipe(5000);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
        std::string message(c.size, '\0');
        memcpy(&message[0], &c.first, c.size < 4 ? c.size : 4);
        Transfer(pipe, true, &message[0], c.size, 3000);
        DWORD reply = 0;
        EXPECT_NE(Transfer(pipe, false, &reply, sizeof(reply), 2000), (long)sizeof(reply)) << "answered";
        CloseHandle(pipe);
        EXPECT_FALSE(host.WaitEnd(500)) << "acted on";
    }

    // Forty clients that connect and say nothing: a real start still gets
    // through (with one instance held 2 s each, it failed after 8 s).
    HANDLE silent[40];
    for (HANDLE &t : silent)
        t = CreateThread(NULL, 0, SilentClient, NULL, 0, NULL);
    // Every instance taken by them before the real start comes.
    std::string name = RequestPipeName();
    EXPECT_TRUE(WaitUntil([&] { return !WaitNamedPipeA(name.c_str(), 1) && GetLastError() == ERROR_SEM_TIMEOUT; }, 5000));
    DWORD start = GetTickCount();
    EXPECT_EQ(RunHostExe("--config \"" + ini + "\"", 30000), 0);
    printf("a start among 40 silent clients took %lu ms\n", (unsigned long)(GetTickCount() - start));
    for (HANDLE t : silent) {
        EXPECT_EQ(WaitForSingleObject(t, 30000), (DWORD)WAIT_OBJECT_0) << "a silent client was never dropped";
        CloseHandle(t);
    }
    printf("all 40 dropped after %lu ms\n", (unsigned long)(GetTickCount() - start));
    EXPECT_TRUE(host.Running());

    // The real --exit: success once the host has ended.
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_FALSE(host.Running());
}

// --- manifest and version ------------------------------------------------------

// brivane.exe carries the manifest that gives it visual styles and its own
// scaling; it and the module carry the version the About page shows.
TEST(HostFiles, ManifestAndVersionResources)
{
    std::string exe = ExeDir() + "brivane.exe";
    HMODULE image = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(image);
    HRSRC res = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_TRUE(res) << "no manifest";
    std::string manifest((const char *)LockResource(LoadResource(image, res)), SizeofResource(image, res));
    FreeLibrary(image);
    for (const char *part : {
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>",
             "level=\"asInvoker\"",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" }) {
        SCOPED_TRACE(part);
        EXPECT_NE(manifest.find(part), std::string::npos);
    }

    for (const char *file : { "brivane.exe", BRIVANE_MODULE_FILE }) {
        SCOPED_TRACE(file);
        std::string path = ExeDir() + file;
        DWORD ignored = 0, size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO *fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void **)&fixed, &length));
        EXPECT_EQ(fixed->dwFileVersionMS, (DWORD)MAKELONG(BRIVANE_VERSION_MINOR, BRIVANE_VERSION_MAJOR));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        char *text = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\ProductVersion", (void **)&text, &length));
        EXPECT_STREQ(text, BRIVANE_VERSION_TEXT);
    }
}

// --- paths the ANSI code page cannot spell ------------------------------------

namespace {

std::wstring Wide(const std::string &ansi)
{
    wchar_t buf[1024];
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, buf, 1024);
    return n > 0 ? std::wstring(buf) : std::wstring();
}

HANDLE StartW(const std::wstring &commandLine, DWORD *pid)
{
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    if (!CreateProcessW(NULL, cmd.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    *pid = pi.dwProcessId;
    return pi.hProcess;
}

} // namespace

// A folder named in Cyrillic and Japanese, outside code page 1252: the host
// and its module start from it, and the module gets the configuration path
// in its short form, which it can open. Where no short form can be had (the
// folder does not exist) the host says why it cannot start.
TEST(HostCommandLine, PathsOutsideTheAnsiCodePage)
{
    ASSERT_NE(GetACP(), 65001u) << "with UTF-8 as the ANSI code page every path is spelled";
    std::wstring dir = Wide(TempPath("")) + L"\x0411\x0440\x0438\x0432\x0430\x043d\x0435-\x3072\\";
    CreateDirectoryW(dir.c_str(), NULL);
    ASSERT_NE(GetFileAttributesW(dir.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const wchar_t *file : { L"brivane.exe", L"" BRIVANE_MODULE_FILE })
        ASSERT_TRUE(CopyFileW((Wide(ExeDir()) + file).c_str(), (dir + file).c_str(), FALSE));
    std::wstring ini = dir + L"brivane.ini";
    Look look;
    look.shotWidth = 123;   // proves that the module read this file
    std::string text = look.Ini();
    HANDLE f = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written;
    ::WriteFile(f, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(f);

    DWORD pid = 0;
    HANDLE p = StartW(L"\"" + dir + L"brivane.exe\" --config \"" + ini + L"\"", &pid);
    ASSERT_TRUE(p);
    HWND window = WaitForProcessWindow(pid, "BrivaneHost", NULL, 20000);
    DWORD_PTR answer;
    bool up = window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer);
    if (!up) {
        TerminateProcess(p, 9);
        CloseHandle(p);
        FAIL() << "brivane.exe did not start from the folder";
    }
    BlockView block;
    ASSERT_TRUE(block.Open());
    std::string given(block.s->configPath);
    printf("configPath for the module: %s\n", given.c_str());
    EXPECT_EQ(given.find('?'), std::string::npos);
    EXPECT_NE(GetFileAttributesA(given.c_str()), INVALID_FILE_ATTRIBUTES) << "the module cannot open " << given;
    wchar_t longForm[1024] = L"";
    GetLongPathNameW(Wide(given).c_str(), longForm, 1024);
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, longForm, -1, ini.c_str(), -1), CSTR_EQUAL)
        << "the short form names another file";
    EXPECT_EQ(block.s->screenshotWidth, 123) << "the module did not read the file";
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_EQ(ExitCode(p), 0);

    // No short form for a folder that does not exist: a clear message, no start.
    std::wstring missing = dir + L"\x0416\\brivane.ini";
    p = StartW(L"\"" + Wide(ExeDir()) + L"brivane.exe\" --config \"" + missing + L"\"", &pid);
    ASSERT_TRUE(p);
    std::string message = AnswerMessageBox(pid);
    EXPECT_NE(message.find("cannot start"), std::string::npos) << message;
    EXPECT_NE(message.find("short (8.3) name"), std::string::npos) << message;
    EXPECT_EQ(ExitCode(p), 7);
}

// --- rules per program, with programs of Wine's own ---------------------------------

namespace {

// A program of Wine's own, started by the test and ended by handle.
struct WineProgram {
    HANDLE process = NULL;
    DWORD pid = 0;
    explicit WineProgram(const std::string &commandLine) { process = Start(commandLine, &pid); }
    bool Running() const { return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
    ~WineProgram()
    {
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
};

struct MainQuery { DWORD pid; HWND found; };

BOOL CALLBACK FindMain(HWND w, LPARAM lp)
{
    MainQuery *q = (MainQuery *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof(cls));
    LONG style = GetWindowLongA(w, GWL_STYLE);
    if (pid == q->pid && (style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) && !GetWindow(w, GW_OWNER) &&
        strcmp(cls, "#32770") != 0) {
        q->found = w;
        return FALSE;
    }
    return TRUE;
}

// The program's main window (a top-level window with a caption and a
// system menu, shown or not); null when none came.
HWND MainWindowOf(DWORD pid, DWORD ms = 20000)
{
    MainQuery q = { pid, NULL };
    WaitUntil([&] {
        q.found = NULL;
        EnumWindows(FindMain, (LPARAM)&q);
        return q.found != NULL;
    }, ms);
    return q.found;
}

const char kNotepad[] = "C:\\windows\\notepad.exe";
const char kRegedit[] = "C:\\windows\\regedit.exe";
const char kWordpad[] = "\"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe\"";

bool Foreground(HWND w)
{
    return WaitUntil([&] {
        SetForegroundWindow(w);
        Pump(30);
        return GetForegroundWindow() == w;
    }, 5000);
}

// The system command as the program's own menu or keys raise it: posted,
// so that its DefWindowProc carries it out (and the hooks there see it).
void PostSysCommand(HWND w, WPARAM command)
{
    static int x = 300;
    PostMessageA(w, WM_SYSCOMMAND, command, MAKELPARAM(++x, 5));
}

} // namespace

// A file's rules as the Rules page writes them, announced as it does.
static void SetRules(HWND hostWindow, const std::string &ini, const char *program, const char *rules)
{
    WritePrivateProfileStringA("rules", program, rules, ini.c_str());
    DWORD_PTR answer;
    SendMessageTimeoutA(hostWindow, RegisterWindowMessageA("BrivaneSettingsChanged"), 0, 0, SMTO_NORMAL, 5000, &answer);
}

// notepad=ontop,closetray: pinned with its border as it first shows;
// unpinned by hand it stays so when shown again. The Close command and
// Alt+F4 hide it to the tray, and the tray icon's "Close" closes it.
TEST_F(Host, RulesPinAndCloseToTrayInNotepad)
{
    SetRules(host.window, ini, "notepad", "ontop,closetray");
    WineProgram notepad(kNotepad);
    HWND w = MainWindowOf(notepad.pid);
    ASSERT_TRUE(w);
    ASSERT_TRUE(WaitUntil([&] { return Topmost(w); }, 10000)) << "the on-top rule did not pin notepad";
    EXPECT_TRUE(WaitUntil([&] { return BorderAround(host.pid, w); }, 5000)) << "no border round it";

    PostSysCommand(w, 501);   // unpinned by hand
    ASSERT_TRUE(WaitUntil([&] { return !Topmost(w); }, 5000));
    ShowWindow(w, SW_HIDE);
    ASSERT_TRUE(WaitHidden(w));
    ShowWindow(w, SW_SHOWNA);
    ASSERT_TRUE(WaitShown(w));
    Pump(800);
    EXPECT_FALSE(Topmost(w)) << "pinned again after it was unpinned by hand";

    size_t icons = TrayIcons().size();
    ASSERT_TRUE(Foreground(w));
    PostSysCommand(w, SC_CLOSE);
    ASSERT_TRUE(WaitHidden(w)) << "Close did not hide notepad";
    EXPECT_TRUE(notepad.Running());
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons + 1; }));
    Click(Centre(TrayIcons().back()));
    ASSERT_TRUE(WaitShown(w));

    ASSERT_TRUE(Foreground(w));
    Keys({ VK_MENU }, { VK_F4 });
    ASSERT_TRUE(WaitHidden(w)) << "Alt+F4 did not hide notepad";
    EXPECT_TRUE(notepad.Running());
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons + 1; }));

    // The icon's menu: Restore, Close.
    Click(Centre(TrayIcons().back()), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    HWND menu = WaitForProcessWindow(0, "#32768", NULL, 5000);
    ASSERT_TRUE(menu && WaitUntil([&] { return IsWindowVisible(menu) != 0; }, 3000)) << "no menu on the window's icon";
    Keys({}, { VK_DOWN, VK_DOWN, VK_RETURN });
    EXPECT_EQ(WaitForSingleObject(notepad.process, 10000), WAIT_OBJECT_0) << "\"Close\" did not close notepad";
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons; }));
}

// wordpad=minfloat and notepad=mintray: Minimize sends them there instead
// of the taskbar. A rule taken away while the program runs is gone at the
// next Minimize: the announcement reaches the program.
TEST_F(Host, RulesMinimizeToFloatingIconAndTrayInWordpadAndNotepad)
{
    SetRules(host.window, ini, "wordpad", "minfloat");
    SetRules(host.window, ini, "notepad", "mintray");
    WineProgram wordpad(kWordpad), notepad(kNotepad);
    HWND wp = MainWindowOf(wordpad.pid), np = MainWindowOf(notepad.pid);
    ASSERT_TRUE(wp);
    ASSERT_TRUE(np);
    ASSERT_TRUE(WaitShown(wp));
    ASSERT_TRUE(WaitShown(np));

    ASSERT_TRUE(Foreground(wp));
    PostSysCommand(wp, SC_MINIMIZE);
    ASSERT_TRUE(WaitHidden(wp)) << "wordpad was not sent away";
    EXPECT_TRUE(WaitFloat(wp)) << "no floating icon for wordpad";
    EXPECT_FALSE(IsIconic(wp)) << "minimized instead";

    size_t icons = TrayIcons().size();
    ASSERT_TRUE(Foreground(np));
    PostSysCommand(np, SC_MINIMIZE);
    ASSERT_TRUE(WaitHidden(np)) << "notepad was not sent to the tray";
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons + 1; }));
    EXPECT_TRUE(NoFloatFor(np));

    SetRules(host.window, ini, "notepad", NULL);
    Click(Centre(TrayIcons().back()));
    ASSERT_TRUE(WaitShown(np));
    ASSERT_TRUE(Foreground(np));
    PostSysCommand(np, SC_MINIMIZE);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(np) != 0; }, 5000)) << "the rule taken away still held";
    EXPECT_TRUE(IsWindowVisible(np));
}

// regedit=starttray,closetray: its first window goes to the tray as it
// shows. The hidden windows' menu, opened with its shortcut at the
// pointer, lists the most recent first with the first selected: Return
// brings that one back, with or without the host's own icon. Exit brings
// back a window closed to the tray.
TEST_F(Host, RulesStartInTrayAndTheHiddenWindowsMenu)
{
    SetRules(host.window, ini, "regedit", "starttray,closetray");
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; })) << "the host's own tray icon";
    WineProgram regedit(kRegedit);
    HWND r = MainWindowOf(regedit.pid);
    ASSERT_TRUE(r);
    char cls[64] = "";
    GetClassNameA(r, cls, sizeof(cls));
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == 2 && !IsWindowVisible(r); }, 10000))
        << "regedit did not start in the tray: " << cls << " visible " << IsWindowVisible(r) << ", "
        << TrayIcons().size() << " tray icons";

    HWND c = Window("hidden-menu-client");
    SysCommand(c, 502);
    ASSERT_TRUE(WaitHidden(c));
    ASSERT_TRUE(WaitFloat(c));

    auto chooseFirst = [&] {
        Keys({ VK_CONTROL, VK_MENU }, { VK_F10 });
        HWND menu = WaitForProcessWindow(0, "#32768", NULL, 5000);
        if (!menu || !WaitUntil([&] { return IsWindowVisible(menu) != 0; }, 3000))
            return false;
        Pump(200);
        Keys({}, { VK_RETURN });
        return true;
    };
    ASSERT_TRUE(chooseFirst()) << "the shortcut opened no menu";
    EXPECT_TRUE(WaitShown(c)) << "the most recent was not first";
    Pump(300);
    EXPECT_FALSE(IsWindowVisible(r));

    // Without the host's icon the shortcut still works.
    Look noTray = look;
    noTray.runInTray = 0;
    Set(noTray);
    DWORD_PTR answer;
    SendMessageTimeoutA(host.window, RegisterWindowMessageA("BrivaneSettingsChanged"), 0, 0, SMTO_NORMAL, 5000, &answer);
    ASSERT_TRUE(WaitUntil([] { return TrayIcons().size() == 1; })) << "the host's icon stayed";
    ASSERT_TRUE(chooseFirst());
    EXPECT_TRUE(WaitShown(r));

    ASSERT_TRUE(Foreground(r));
    PostSysCommand(r, SC_CLOSE);
    ASSERT_TRUE(WaitHidden(r)) << "Close did not hide regedit";
    EXPECT_EQ(RunHostExe("--exit"), 0);
    EXPECT_TRUE(host.WaitEnd());
    EXPECT_TRUE(WaitShown(r)) << "Exit left regedit hidden";
    EXPECT_TRUE(regedit.Running());
}

// A window whose place lies off the screen comes back inside the work
// area, keeping its size: from the tray, and after a crash of the host. A
// floating icon left off the screen moves back when the display changes.
TEST_F(Host, WindowsComeBackIntoView)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    auto inView = [&](HWND w, int width, int height) {
        RECT r = Rect(w);
        return r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom &&
               r.right - r.left == width && r.bottom - r.top == height;
    };
    HWND w = Window("off-screen");
    RECT before = Rect(w);
    int width = before.right - before.left, height = before.bottom - before.top;
    SetWindowPos(w, NULL, work.right + 2000, work.bottom + 1500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return Rect(w).left > work.right; }, 3000));
    SysCommand(w, 500);
    ASSERT_TRUE(WaitHidden(w));
    Click(Centre(TrayIcons().back()));
    ASSERT_TRUE(WaitShown(w));
    EXPECT_TRUE(WaitUntil([&] { return inView(w, width, height); }, 3000)) << "restored off the screen";

    SysCommand(w, 502);
    ASSERT_TRUE(WaitHidden(w));
    HWND icon = WaitFloat(w);
    ASSERT_TRUE(icon);
    RECT iconRect = Rect(icon);
    SetWindowPos(icon, NULL, -3000, -3000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return Rect(icon).left < -1000; }, 3000));
    DWORD_PTR answer;
    SendMessageTimeoutA(host.window, WM_DISPLAYCHANGE, 24, MAKELPARAM(work.right, work.bottom), SMTO_NORMAL, 5000, &answer);
    EXPECT_TRUE(WaitUntil([&] { return inView(icon, iconRect.right - iconRect.left, iconRect.bottom - iconRect.top); }, 3000))
        << "the floating icon stayed off the screen";

    // Moved off the screen while hidden, the host killed: the next start
    // shows it in view.
    SetWindowPos(w, NULL, -5000, -4000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return Rect(w).left < -4000; }, 3000));
    host.Kill();
    host.Close();
    StartHost();
    ASSERT_TRUE(WaitShown(w));
    EXPECT_TRUE(WaitUntil([&] { return inView(w, width, height); }, 3000)) << "recovered off the screen";
}
