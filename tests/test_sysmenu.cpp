// The three system-menu items: added to this process's windows by SetHook_,
// to other programs' windows when they are activated, removed by UnHook_.
#include <gtest/gtest.h>
#include "support/harness.h"

using namespace th;

namespace {

const char *kHead = "502,0,To &floating icon|500,0,Minimize to &tray|501,%d,Always on to&p|499,0,-";

std::string Head(int checked)
{
    char buf[160];
    sprintf(buf, kHead, checked);
    return buf;
}

// The system menu of one of this process's windows, as the client prints it.
std::string MenuText(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return "none";
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        char text[256] = "";
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &mii);
        char line[320];
        sprintf(line, "%u,%d,%s", mii.wID, (mii.fState & MFS_CHECKED) ? 1 : 0,
                (mii.fType & MFT_SEPARATOR) ? "-" : text);
        out += (i ? "|" : "") + std::string(line);
    }
    return out;
}

HWND MakeWindow(DWORD style, DWORD exstyle = 0, HWND parent = NULL)
{
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "SysMenuTestWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(exstyle, "SysMenuTestWindow", "w", style, 20, 20, 200, 150, parent,
                           NULL, GetModuleHandleA(NULL), NULL);
}

bool StartsWith(const std::string &s, const std::string &prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

int Count(const std::string &s, const std::string &what)
{
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1))
        n++;
    return n;
}

struct Hooked : ::testing::Test {
    SharedBlock block;
    Module module;
    HostWindow host;
    void SetUp() override
    {
        ASSERT_TRUE(module.SetHook) << "brivane.dll not loaded";
        block.settings->hostWindow = host.hwnd();
    }
    void TearDown() override { module.UnHook(); }
};

} // namespace

TEST_F(Hooked, ExistingWindowsGetTheItemsOnceAndLoseExactlyThem)
{
    HWND plain = MakeWindow(WS_OVERLAPPEDWINDOW);
    HWND topmost = MakeWindow(WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST);
    HWND noSysMenu = MakeWindow(WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX);
    HWND noMinimize = MakeWindow(WS_OVERLAPPEDWINDOW);
    DeleteMenu(GetSystemMenu(noMinimize, FALSE), SC_MINIMIZE, MF_BYCOMMAND);
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, plain);

    std::string ownPlain = MenuText(plain);
    std::string ownTop = MenuText(topmost);
    std::string ownNoMin = MenuText(noMinimize);
    std::string ownChild = MenuText(child);
    ASSERT_NE(ownPlain, "none");

    EXPECT_TRUE(module.SetHook());
    EXPECT_EQ(MenuText(plain), Head(0) + "|" + ownPlain);
    EXPECT_EQ(MenuText(topmost).substr(0, Head(1).size()), Head(1));
    EXPECT_EQ(MenuText(noMinimize), ownNoMin);
    EXPECT_EQ(MenuText(child), ownChild);
    EXPECT_EQ(Count(MenuText(noSysMenu), "500,"), 0);

    // Topmost later: the mark shows the state at insertion only. A second
    // SetHook_ adds no second set.
    SetWindowPos(plain, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(module.SetHook());
    EXPECT_EQ(MenuText(plain), Head(0) + "|" + ownPlain);

    EXPECT_TRUE(module.UnHook());
    EXPECT_EQ(MenuText(plain), ownPlain);
    EXPECT_EQ(MenuText(topmost), ownTop);
    EXPECT_EQ(MenuText(noMinimize), ownNoMin);

    for (HWND w : { child, plain, topmost, noSysMenu, noMinimize })
        DestroyWindow(w);
}

TEST_F(Hooked, UnHookThenSetHookStartsAfresh)
{
    HWND w = MakeWindow(WS_OVERLAPPEDWINDOW);
    std::string own = MenuText(w);
    ASSERT_TRUE(module.SetHook());
    ASSERT_TRUE(module.UnHook());
    EXPECT_EQ(MenuText(w), own);
    ASSERT_TRUE(module.SetHook());
    EXPECT_EQ(MenuText(w), Head(0) + "|" + own);
    DestroyWindow(w);
}

TEST_F(Hooked, OtherProgramsWindowsGetTheItemsWhenActivated)
{
    ASSERT_TRUE(module.SetHook());
    Client client("client_windows.exe");
    ASSERT_TRUE(client.ok());

    std::string plain = client.Call("window 0x00CF0000 0");              // WS_OVERLAPPEDWINDOW
    std::string topmost = client.Call("window 0x00CF0000 0x8");          // WS_EX_TOPMOST
    std::string noSysMenu = client.Call("window 0x00C20000 0");          // caption, min box
    std::string noMin = client.Call("window 0x00CF0000 0");
    ASSERT_EQ(client.Call("delmenu " + noMin + " 61472"), "ok");         // SC_MINIMIZE
    std::string child = client.Call("child " + plain);

    for (const std::string &w : { topmost, noSysMenu, noMin, child, plain })
        client.Call("activate " + w);

    std::string menu;
    ASSERT_TRUE(WaitUntil([&] { return StartsWith(menu = client.Call("sysmenu " + plain), Head(0)); }))
        << menu;
    EXPECT_TRUE(StartsWith(client.Call("sysmenu " + topmost), Head(1)));
    EXPECT_EQ(Count(client.Call("sysmenu " + noMin), "500,"), 0);
    EXPECT_EQ(Count(client.Call("sysmenu " + noSysMenu), "500,"), 0);
    EXPECT_EQ(Count(client.Call("sysmenu " + child), "500,"), 0);

    // Activated again: still one set.
    client.Call("activate " + topmost);
    client.Call("activate " + plain);
    EXPECT_EQ(Count(client.Call("sysmenu " + plain), "500,"), 1);
    EXPECT_EQ(Count(client.Call("sysmenu " + plain), "499,"), 1);
}
