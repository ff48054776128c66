// Settings loader, through the exported RequestSettings_, from real ini files.
#include <gtest/gtest.h>
#include <stddef.h>
#include <string>
#include "support/harness.h"

using namespace th;

namespace {

struct Loaded {
    INT32 initPosition, followMode, opacity, onTop, makeScreenshots;
    INT32 screenshotWidth, screenshotHeight;
    DWORD iconColor, borderColor;
    INT32 runInTray;
};

const Loaded kDefaults = { 1, 1, 10, 1, 0, 128, 96, 0x00FFFFFF, 0x00000000, 1 };

void ExpectLoaded(const SharedSettings *s, const Loaded &want)
{
    EXPECT_EQ(s->initPosition, want.initPosition);
    EXPECT_EQ(s->followMode, want.followMode);
    EXPECT_EQ(s->opacity, want.opacity);
    EXPECT_EQ(s->onTop, want.onTop);
    EXPECT_EQ(s->makeScreenshots, want.makeScreenshots);
    EXPECT_EQ(s->screenshotWidth, want.screenshotWidth);
    EXPECT_EQ(s->screenshotHeight, want.screenshotHeight);
    EXPECT_EQ(s->iconColor, want.iconColor);
    EXPECT_EQ(s->borderColor, want.borderColor);
    EXPECT_EQ(s->runInTray, want.runInTray);
}

class Loader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.RequestSettings);
        ASSERT_TRUE(block.settings);
        host.reset(new HostWindow);
        block.settings->hostWindow = host->hwnd();
    }
    // Fills every settings field with a value no rule produces, so that a
    // field the loader forgets shows.
    void Poison()
    {
        for (INT32 *p = &block.settings->initPosition; p <= &block.settings->runInTray; p++)
            *p = (INT32)0xCCCCCCCC;
    }
    void Load(const std::string &path)
    {
        block.SetConfigPath(path);
        Poison();
        module.RequestSettings();
    }
    void LoadText(const std::string &text)
    {
        std::string path = TempPath("loader.ini");
        ASSERT_TRUE(WriteFile(path, text));
        Load(path);
    }
    Module module;
    SharedBlock block;
    std::unique_ptr<HostWindow> host;
};

TEST_F(Loader, NoFileGivesEveryDefault)
{
    std::string path = TempPath("does-not-exist.ini");
    ASSERT_FALSE(FileExists(path));
    Load(path);
    ExpectLoaded(block.settings, kDefaults);
    EXPECT_FALSE(FileExists(path)) << "the loader created the file";
    // The host's fields are only read.
    EXPECT_EQ(block.settings->hostWindow, host->hwnd());
    EXPECT_EQ(std::string(block.settings->configPath), path);
}

TEST_F(Loader, FileWithoutSettingsSectionOrWithEmptyPathGivesDefaults)
{
    LoadText("[global]\r\nname1=Projects\r\npath1=D:\\Projects\r\n[exception]\r\nnotepad=1\r\n");
    ExpectLoaded(block.settings, kDefaults);
    Load("");
    ExpectLoaded(block.settings, kDefaults);
}

TEST_F(Loader, EachKeyForcedIntoRange)
{
    struct Case { const char *line; size_t field; INT32 want; } cases[] = {
        { "fi.init=5", offsetof(SharedSettings, initPosition), 1 },
        { "fi.init=-1", offsetof(SharedSettings, initPosition), 1 },
        { "fi.init=4", offsetof(SharedSettings, initPosition), 4 },
        { "fi.init=0", offsetof(SharedSettings, initPosition), 0 },
        { "fi.follow=2", offsetof(SharedSettings, followMode), 1 },
        { "fi.follow=-1", offsetof(SharedSettings, followMode), 1 },
        { "fi.follow=0", offsetof(SharedSettings, followMode), 0 },
        { "fi.trans=0", offsetof(SharedSettings, opacity), 10 },
        { "fi.trans=5", offsetof(SharedSettings, opacity), 10 },
        { "fi.trans=60", offsetof(SharedSettings, opacity), 60 },
        { "fi.trans=100", offsetof(SharedSettings, opacity), 100 },
        { "fi.trans=250", offsetof(SharedSettings, opacity), 100 },
        { "fi.trans=-5", offsetof(SharedSettings, opacity), -10 },
        { "fi.trans=-50", offsetof(SharedSettings, opacity), -50 },
        { "fi.trans=-250", offsetof(SharedSettings, opacity), -100 },
        { "fi.top=7", offsetof(SharedSettings, onTop), 1 },
        { "fi.top=-3", offsetof(SharedSettings, onTop), 1 },
        { "fi.top=0", offsetof(SharedSettings, onTop), 0 },
        { "ft.scrsh=1", offsetof(SharedSettings, makeScreenshots), 1 },
        { "ft.scrsh=2", offsetof(SharedSettings, makeScreenshots), 0 },
        { "ft.scrsh=-1", offsetof(SharedSettings, makeScreenshots), 0 },
        { "ft.scrsh.width=5", offsetof(SharedSettings, screenshotWidth), 10 },
        { "ft.scrsh.width=-7", offsetof(SharedSettings, screenshotWidth), 10 },
        { "ft.scrsh.width=5000", offsetof(SharedSettings, screenshotWidth), 1000 },
        { "ft.scrsh.width=1000", offsetof(SharedSettings, screenshotWidth), 1000 },
        { "ft.scrsh.height=9", offsetof(SharedSettings, screenshotHeight), 10 },
        { "ft.scrsh.height=1001", offsetof(SharedSettings, screenshotHeight), 1000 },
        { "ft.scrsh.height=480", offsetof(SharedSettings, screenshotHeight), 480 },
        { "trayrun=0", offsetof(SharedSettings, runInTray), 0 },
        { "trayrun=5", offsetof(SharedSettings, runInTray), 1 },
        { "trayrun=-1", offsetof(SharedSettings, runInTray), 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        LoadText(std::string("[settings]\r\n") + c.line + "\r\n");
        INT32 got = *(const INT32 *)((const char *)block.settings + c.field);
        EXPECT_EQ(got, c.want);
        // Every other field still gets its default.
        Loaded want = kDefaults;
        *(INT32 *)((char *)&want + (c.field - offsetof(SharedSettings, initPosition))) = c.want;
        ExpectLoaded(block.settings, want);
    }
}

TEST_F(Loader, ColourTextsReadAsRrggbbCutToNineCharacters)
{
    struct Case { const char *value; DWORD want; } cases[] = {
        { "0x0000ff", 0x00FF0000 },
        { "0XFF8000", 0x000080FF },
        { "16777215", 0x00FFFFFF },
        { "ffffff", 0 },           // hexadecimal needs its prefix letter
        { "x123456", 0x00563412 },
        { "0x?", 0x000F0000 },
        { "0xff", 0x00FF0000 },
        { "0x", 0 },
        { "0xG", 0 },
        { "0x1234567", 0x00674523 },    // nine characters: read whole
        { "0x00ffffff", 0x00FFFF0F },   // ten: read as 0x00fffff
        { "123456789012", 0x0015CD5B }, // read as 123456789 = 0x075BCD15
        { "0xffffffffff", 0x00FFFFFF }, // top byte cleared
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        LoadText(std::string("[settings]\r\nfi.color.background=") + c.value + "\r\n");
        EXPECT_EQ(block.settings->iconColor, c.want);
        EXPECT_EQ(block.settings->borderColor, 0u);
        LoadText(std::string("[settings]\r\nfi.color.border=") + c.value + "\r\n");
        EXPECT_EQ(block.settings->borderColor, c.want);
        EXPECT_EQ(block.settings->iconColor, 0x00FFFFFFu);
    }
}

TEST_F(Loader, WholeSectionLoadsAndNamesAreCaseBlind)
{
    LoadText("[Settings]\r\nFI.INIT=3\r\nfi.follow=0\r\nfi.trans=-40\r\nfi.top=0\r\n"
             "ft.scrsh=1\r\nft.scrsh.width=320\r\nft.scrsh.height=200\r\n"
             "fi.color.background=0x102030\r\nfi.color.border=0xA0b0C0\r\ntrayrun=0\r\n");
    ExpectLoaded(block.settings, { 3, 0, -40, 0, 1, 320, 200, 0x00302010, 0x00C0B0A0, 0 });
}

TEST_F(Loader, RereadsTheFileEveryCallAndNeverWritesIt)
{
    std::string path = TempPath("reread.ini");
    std::string first = "[settings]\r\nfi.trans=70\r\n";
    ASSERT_TRUE(WriteFile(path, first));
    Load(path);
    EXPECT_EQ(block.settings->opacity, 70);
    EXPECT_EQ(ReadFile(path), first);

    ASSERT_TRUE(WriteFile(path, "[settings]\r\nfi.trans=-20\r\n"));
    Load(path);
    EXPECT_EQ(block.settings->opacity, -20);
}

} // namespace
