// Long runs in one hooked program: thousands of forwarded system commands,
// file dialogs and configuration sheets opened and closed over and over.
// Nothing crashes, every command arrives exactly once (minus the repeats
// the module drops on purpose), and the program's GUI objects do not grow.
// Also a hooked program whose shared block holds an unterminated path.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include "support/harness.h"

using namespace th;

namespace {

struct GuiCount {
    long gdi = -1, user = -1, windows = -1, menus = -1;
    std::string method;
};

GuiCount Count(Client &client)
{
    GuiCount c;
    char method[32] = "";
    std::string s = client.Call("guicount", 30000);
    sscanf(s.c_str(), "%ld %ld %ld %ld %31s", &c.gdi, &c.user, &c.windows, &c.menus, method);
    c.method = method;
    return c;
}

void ExpectNoGrowth(const GuiCount &before, const GuiCount &after)
{
    SCOPED_TRACE("counted by " + after.method);
    printf("gui objects before gdi %ld user %ld windows %ld menus %ld; after %ld %ld %ld %ld (%s)\n",
           before.gdi, before.user, before.windows, before.menus, after.gdi, after.user,
           after.windows, after.menus, after.method.c_str());
    ASSERT_GE(before.gdi, 0);
    EXPECT_LE(after.gdi, before.gdi) << "GDI objects grew";
    EXPECT_LE(after.user, before.user) << "USER objects grew";
    EXPECT_LE(after.menus, before.menus) << "menus grew";
    EXPECT_LE(after.windows, before.windows) << "windows grew";
}

struct Stress : ::testing::Test {
    SharedBlock block;
    Module module;
    HostWindow host;
    Client client{ "client_robust.exe" };
    std::string ini = TempPath("stress.ini");

    void SetUp() override
    {
        ASSERT_TRUE(module.SetHook) << "brivane.dll not loaded";
        ASSERT_TRUE(WriteFile(ini, "[global]\r\nname1=Temp\r\npath1=C:\\windows\\temp\r\n"
                                   "name2=-Sub\r\nname3=Inner\r\npath3=C:\\\r\nname4=--\r\n"));
        block.SetConfigPath(ini);
        block.settings->hostWindow = host.hwnd();
        module.RequestSettings();
        ASSERT_TRUE(module.SetHook());
        ASSERT_TRUE(client.ok());
    }
    void TearDown() override { module.UnHook(); }
};

} // namespace

TEST_F(Stress, ObjectCountSeesALeak)
{
    GuiCount before = Count(client);
    ASSERT_EQ(client.Call("leak 3"), "ok");
    GuiCount after = Count(client);
    EXPECT_EQ(after.menus, before.menus + 3);
    EXPECT_EQ(after.gdi, before.gdi + 3);
    EXPECT_EQ(after.user, before.user + 3);
}

TEST_F(Stress, TenThousandSystemCommandsArriveExactlyOnce)
{
    std::string win = client.Call("window 0x10CF0000 0");
    ASSERT_EQ(client.Call("activate " + win), "ok");
    // Warm-up, so that what the first hooked messages set up is not counted.
    ASSERT_EQ(client.Call("syscmds " + win + " 30 60001 0"), "0");
    ASSERT_TRUE(host.WaitFor(30));
    Pump(100);
    host.Clear();
    GuiCount before = Count(client);

    // Ten batches of 1,000 (a program's posted-message queue is bounded);
    // every 50th sighting is a second look at its predecessor (a peek that
    // left it in the queue) and must be dropped.
    const int kBatches = 10, kPerBatch = 1000, kEvery = 50;
    size_t expected = 0;
    for (int b = 0; b < kBatches; b++) {
        char cmd[96];
        sprintf(cmd, "syscmds %s %d %d %d", win.c_str(), kPerBatch, 1 + b * kPerBatch, kEvery);
        std::string repeats = client.Call(cmd, 60000);
        ASSERT_EQ(repeats, std::to_string((kPerBatch - 1) / kEvery)) << "batch " << b;
        expected += kPerBatch - atoi(repeats.c_str());
        ASSERT_TRUE(host.WaitFor(expected, 20000)) << "batch " << b << ": got "
                                                   << host.commands().size() << " of " << expected;
    }
    Pump(200);
    const auto &got = host.commands();
    ASSERT_EQ(got.size(), expected);
    // The same sequence the client posted, without the repeats.
    size_t k = 0;
    int to500 = 10;   // warm-up: 60001.. cycles 500, 501, 502
    for (int b = 0; b < kBatches; b++)
        for (int i = 0; i < kPerBatch; i++) {
            if (i > 0 && i % kEvery == 0)
                continue;   // the same message, delivered once
            to500 += i % 3 == 0;
            ASSERT_EQ(got[k].code, (WPARAM)(500 + i % 3)) << "command " << k;
            ASSERT_EQ(got[k].window, StrHwnd(win)) << "command " << k;
            k++;
        }
    EXPECT_EQ(client.Call("syscount " + win + " 500"), std::to_string(to500))
        << "every WM_SYSCOMMAND still reaches the window";
    ExpectNoGrowth(before, Count(client));
}

TEST_F(Stress, FileDialogsOpenedAndClosedInOneProgram)
{
    ASSERT_EQ(client.Call("filedialogs 2", 60000), "2 2");
    GuiCount before = Count(client);
    const int kDialogs = BRIVANE_STRESS_DIALOGS;
    std::string want = std::to_string(kDialogs) + " " + std::to_string(kDialogs);
    EXPECT_EQ(client.Call("filedialogs " + std::to_string(kDialogs), 300000), want)
        << "dialogs seen, dialogs with the favourites button";
    ExpectNoGrowth(before, Count(client));
}

TEST_F(Stress, ConfigurationSheetOpenedAndClosed)
{
    ASSERT_EQ(client.Call("loadmodule"), "ok");
    const int kSheets = BRIVANE_STRESS_SHEETS;
    // The platform's own sheet may keep objects per showing (Wine keeps the
    // page icons it loads); a reference sheet of the same pages and icons
    // whose pages do nothing measures that, and the module's sheet may
    // leave no more behind than it.
    ASSERT_EQ(client.Call("sheets 2 reference", 60000), "2");
    GuiCount refBefore = Count(client);
    ASSERT_EQ(client.Call("sheets " + std::to_string(kSheets) + " reference", 300000),
              std::to_string(kSheets));
    GuiCount refAfter = Count(client);

    ASSERT_EQ(client.Call("sheets 2", 60000), "2");
    GuiCount before = Count(client);
    EXPECT_EQ(client.Call("sheets " + std::to_string(kSheets), 300000), std::to_string(kSheets));
    GuiCount after = Count(client);
    printf("sheet x%d: reference grew gdi %ld user %ld; the module's sheet grew gdi %ld user %ld\n",
           kSheets, refAfter.gdi - refBefore.gdi, refAfter.user - refBefore.user,
           after.gdi - before.gdi, after.user - before.user);
    EXPECT_LE(after.gdi - before.gdi, refAfter.gdi - refBefore.gdi) << "GDI objects grew";
    EXPECT_LE(after.user - before.user, refAfter.user - refBefore.user) << "USER objects grew";
    EXPECT_LE(after.menus, before.menus);
    EXPECT_LE(after.windows, before.windows);
    // The ini file is what it was: opening and closing saves nothing new.
    EXPECT_NE(ReadFile(ini).find("name3=Inner"), std::string::npos);
}

TEST_F(Stress, UnterminatedConfigPathInAHookedProgram)
{
    // Any process can write the block: a path with no NUL anywhere.
    memset(block.settings->configPath, 'A', CONFIG_PATH_CAPACITY);
    std::string win = client.Call("window 0x10CF0000 0");
    ASSERT_EQ(client.Call("activate " + win), "ok");
    EXPECT_NE(client.Call("sysmenu " + win).find("502,0,To &floating icon"), std::string::npos);
    ASSERT_EQ(client.Call("syscmds " + win + " 3 100 0"), "0");
    ASSERT_TRUE(host.WaitFor(3));
    // The exception lookup reads nothing from such a path: the button is there.
    EXPECT_EQ(client.Call("filedialogs 1", 60000), "1 1");
    ASSERT_EQ(client.Call("loadmodule"), "ok");
    EXPECT_EQ(client.Call("sheets 1", 60000), "1");
    EXPECT_EQ(client.Call("ping"), "pong");
}
