// Forwarding to the host: the three system commands, with the repeat
// filter, and right clicks on the caption buttons, from another program.
#include <gtest/gtest.h>
#include "support/harness.h"

using namespace th;

namespace {

struct Forwarding : ::testing::Test {
    SharedBlock block;
    Module module;
    HostWindow host;
    Client client{ "client_windows.exe" };
    std::string win;

    void SetUp() override
    {
        ASSERT_TRUE(module.SetHook) << "brivane.dll not loaded";
        block.settings->hostWindow = host.hwnd();
        ASSERT_TRUE(module.SetHook());
        ASSERT_TRUE(client.ok());
        win = client.Call("window 0x10CF0000 0");   // visible overlapped window
        ASSERT_EQ(client.Call("activate " + win), "ok");
    }
    void TearDown() override { module.UnHook(); }

    // Posts WM_SYSCOMMAND in the client and waits until the client's window
    // has handled it, so that the hook has seen it too.
    void SysCommand(int command, int x, int y = 5)
    {
        std::string count = client.Call("syscount " + win + " " + std::to_string(command));
        client.Call("syscmd " + win + " " + std::to_string(command) + " " +
                    std::to_string((y << 16) | x));
        int want = atoi(count.c_str()) + 1;
        ASSERT_TRUE(WaitUntil([&] {
            return atoi(client.Call("syscount " + win + " " + std::to_string(command)).c_str()) >= want;
        }));
    }

    // Host commands that arrive within a short wait.
    std::vector<HostWindow::Command> Settle()
    {
        Pump(300);
        return host.commands();
    }
};

} // namespace

TEST_F(Forwarding, EachCommandArrivesWithItsWindowAndStillReachesTheWindow)
{
    SysCommand(500, 11);
    SysCommand(501, 12);
    SysCommand(502, 13);
    ASSERT_TRUE(host.WaitFor(3));
    auto got = Settle();
    ASSERT_EQ(got.size(), 3u);
    const WPARAM want[] = { 500, 501, 502 };
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(got[i].code, want[i]);
        EXPECT_EQ(got[i].window, StrHwnd(win));
    }
}

// Waits until the tick count has moved on, so that the next message posted
// carries another time stamp than the last.
static void NextTimeStamp()
{
    DWORD start = GetTickCount();
    WaitUntil([&] { return GetTickCount() - start >= 20; });
}

TEST_F(Forwarding, RepeatFilterDropsOnlyASecondSightingOfOneMessage)
{
    // One message that a peek saw before the loop took it: forwarded once.
    std::string count = client.Call("syscount " + win + " 500");
    ASSERT_EQ(client.Call("syscmdpeek " + win + " 500 " + std::to_string((5 << 16) | 300)), "ok");
    ASSERT_TRUE(WaitUntil([&] { return client.Call("syscount " + win + " 500") != count; }));
    EXPECT_EQ(Settle().size(), 1u);

    // New messages at the same cursor x (a maximised window's menu sits in
    // one place): each is forwarded, whatever the command.
    host.Clear();
    const int commands[] = { 500, 500, 501, 502, 501 };
    for (int c : commands) {
        NextTimeStamp();
        SysCommand(c, 300);
    }
    auto got = Settle();
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(got[i].code, (WPARAM)commands[i]) << "command " << i;

    // Keyboard choices (lParam 0) as well, however close together.
    host.Clear();
    NextTimeStamp();
    SysCommand(502, 0);
    NextTimeStamp();
    SysCommand(502, 0);
    EXPECT_EQ(Settle().size(), 2u);

    // The same command and cursor in another window is another message.
    host.Clear();
    std::string other = client.Call("window 0x10CF0000 0 other");
    client.Call("syscmd " + other + " 500 " + std::to_string((5 << 16) | 300));
    client.Call("syscmd " + win + " 500 " + std::to_string((5 << 16) | 300));
    ASSERT_TRUE(host.WaitFor(2));
    got = Settle();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].window, StrHwnd(other));
    EXPECT_EQ(got[1].window, StrHwnd(win));
}

TEST_F(Forwarding, NothingIsPostedWithoutALiveHostWindow)
{
    block.settings->hostWindow = NULL;
    SysCommand(500, 77);
    HWND stale = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(stale);
    block.settings->hostWindow = stale;
    SysCommand(501, 78);
    EXPECT_TRUE(Settle().empty());
    EXPECT_EQ(client.Call("strays"), "0");

    // What was not posted does not count for the repeat filter.
    block.settings->hostWindow = host.hwnd();
    SysCommand(501, 78);
    ASSERT_TRUE(host.WaitFor(1));
    EXPECT_EQ(host.commands()[0].code, 501u);
}

// --- caption clicks ---------------------------------------------------------

namespace {

// Screen point of the first caption pixel with the hit-test code.
bool FindButton(HWND window, LRESULT code, POINT *out)
{
    RECT r;
    GetWindowRect(window, &r);
    for (int y = r.top; y < r.top + 40 && y < r.bottom; y += 2)
        for (int x = r.right - 1; x > r.left; x -= 2) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &hit);
            if ((LRESULT)hit == code) {
                // Aim at the middle of the button's run of pixels on this row.
                int x2 = x;
                while (x2 > r.left && (SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x2 - 1, y),
                                                           SMTO_NORMAL, 2000, &hit), (LRESULT)hit == code))
                    x2--;
                out->x = (x + x2) / 2;
                out->y = y + 3;
                return true;
            }
        }
    return false;
}

void Button(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
}

void ClickAt(POINT p, DWORD down, DWORD up, const POINT *release = nullptr)
{
    SetCursorPos(p.x, p.y);
    Pump(50);
    Button(down);
    Pump(50);
    if (release) {
        SetCursorPos(release->x, release->y);
        Pump(50);
    }
    Button(up);
    Pump(100);
}

} // namespace

TEST_F(Forwarding, RightClicksOnCaptionButtons)
{
    HWND w = StrHwnd(win);
    POINT minBtn, maxBtn;
    ASSERT_TRUE(WaitUntil([&] { return FindButton(w, HTMINBUTTON, &minBtn); }))
        << "no Minimize button found: are Wine's frames on (Decorated=N)?";
    ASSERT_TRUE(FindButton(w, HTMAXBUTTON, &maxBtn));

    ClickAt(minBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(host.WaitFor(1));
    EXPECT_EQ(host.commands()[0].code, 1u);
    EXPECT_EQ(host.commands()[0].window, w);

    host.Clear();
    ClickAt(maxBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(host.WaitFor(1));
    EXPECT_EQ(host.commands()[0].code, 2u);

    // Down on Minimize, up on Maximize of the same window: code 2.
    host.Clear();
    ClickAt(minBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, &maxBtn);
    ASSERT_TRUE(host.WaitFor(1));
    EXPECT_EQ(host.commands()[0].code, 2u);

    // Left clicks are the window's own business.
    host.Clear();
    std::string other = client.Call("window 0x10CF0000 0 other");
    HWND o = StrHwnd(other);
    SetWindowPos(o, HWND_TOP, 400, 300, 300, 200, SWP_NOACTIVATE);
    POINT otherMax;
    ASSERT_TRUE(WaitUntil([&] { return FindButton(o, HTMAXBUTTON, &otherMax); }));
    ClickAt(minBtn, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, &otherMax);   // dragging off: no minimize
    // Down on one window, up on another: nothing.
    ClickAt(minBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, &otherMax);
    EXPECT_TRUE(Settle().empty());
}

TEST_F(Forwarding, IneligibleWindowsAreNotForwarded)
{
    std::string noMin = client.Call("window 0x10CF0000 0 nomin");
    ASSERT_EQ(client.Call("delmenu " + noMin + " 61472"), "ok");
    HWND w = StrHwnd(noMin);
    client.Call("activate " + noMin);
    POINT maxBtn;
    ASSERT_TRUE(WaitUntil([&] { return FindButton(w, HTMAXBUTTON, &maxBtn); }));
    ClickAt(maxBtn, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(Settle().empty());
}
