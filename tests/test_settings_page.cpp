// Settings page: what it shows from the file, and what it stores into the
// shared block and the file when it is left or the sheet is closed. Driven
// by typing and clicking into a sheet of the linked-in module.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "support/harness.h"
#include "support/png.h"
#include "sheet_runner.h"
#include "resource.h"

using namespace th;
using st::SheetRun;

namespace {

enum { ABOUT_TAB = 0, SETTINGS_TAB = 1, MENU_ITEMS_TAB = 2 };

// What the page shows.
struct Shown {
    int position; const char *positionText;
    bool follow, onTop, opacityOn; const char *opacity;
    bool screenshots; const char *width, *height;
    const char *iconColor, *borderColor;
    bool tray;
};

// What a save leaves in the block and the file (colours as written).
struct Saved {
    INT32 position, follow, onTop, opacity, screenshots, width, height;
    DWORD iconColor, borderColor;
    INT32 tray;
    const char *iconText, *borderText;
};

const Shown kDefaultsShown = { 1, "Top-Right", true, true, true, "10", false, "128", "96",
                               "FFFFFF", "000000", true };
const Saved kDefaultsSaved = { 1, 1, 1, 10, 0, 128, 96, 0x00FFFFFF, 0x00000000, 1,
                               "0xFFFFFF", "0x000000" };

class SettingsPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool attached;
        if (!attached) {
            ModuleAttach(GetModuleHandleA(NULL));
            attached = true;
        }
        ASSERT_TRUE(module.handle);
        ASSERT_TRUE(block.settings);
        path = TempPath("settings-page.ini");
        DeleteFileA(path.c_str());
        block.SetConfigPath(path);
    }

    // Opens a sheet and shows the Settings page.
    std::unique_ptr<SheetRun> Open()
    {
        std::unique_ptr<SheetRun> run(new SheetRun(module.handle));
        EXPECT_TRUE(run->sheet());
        EXPECT_TRUE(run->SelectTab(SETTINGS_TAB));
        return run;
    }

    void ExpectShown(const SheetRun &run, const Shown &w)
    {
        HWND page = run.Page();
        EXPECT_EQ(SendDlgItemMessageA(page, IDC_INITPOS, CB_GETCURSEL, 0, 0), w.position);
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_INITPOS)), w.positionText);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_FOLLOW) == BST_CHECKED, w.follow) << "Following mode";
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_ONTOP) == BST_CHECKED, w.onTop) << "On top";
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_OPACITY) == BST_CHECKED, w.opacityOn) << "Opacity";
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_OPACITY_VALUE)), w.opacity);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_SCREENSHOTS) == BST_CHECKED, w.screenshots) << "Make screenshots";
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_SHOT_WIDTH)), w.width);
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_SHOT_HEIGHT)), w.height);
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_ICON_COLOR)), w.iconColor);
        EXPECT_EQ(st::Text(GetDlgItem(page, IDC_BORDER_COLOR)), w.borderColor);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_RUNINTRAY) == BST_CHECKED, w.tray) << "Run in tray";
    }

    void ExpectSaved(const Saved &w)
    {
        const SharedSettings *s = block.settings;
        EXPECT_EQ(s->initPosition, w.position);
        EXPECT_EQ(s->followMode, w.follow);
        EXPECT_EQ(s->onTop, w.onTop);
        EXPECT_EQ(s->opacity, w.opacity);
        EXPECT_EQ(s->makeScreenshots, w.screenshots);
        EXPECT_EQ(s->screenshotWidth, w.width);
        EXPECT_EQ(s->screenshotHeight, w.height);
        EXPECT_EQ(s->iconColor, w.iconColor);
        EXPECT_EQ(s->borderColor, w.borderColor);
        EXPECT_EQ(s->runInTray, w.tray);

        std::map<std::string, std::string> file = st::SettingsInFile(path);
        EXPECT_EQ(file.size(), 11u);   // with fd.recent, which only the file holds
        EXPECT_EQ(file["fi.init"], std::to_string(w.position));
        EXPECT_EQ(file["fi.follow"], std::to_string(w.follow));
        EXPECT_EQ(file["fi.top"], std::to_string(w.onTop));
        EXPECT_EQ(file["fi.trans"], std::to_string(w.opacity));
        EXPECT_EQ(file["ft.scrsh"], std::to_string(w.screenshots));
        EXPECT_EQ(file["ft.scrsh.width"], std::to_string(w.width));
        EXPECT_EQ(file["ft.scrsh.height"], std::to_string(w.height));
        EXPECT_EQ(file["fi.color.background"], w.iconText);
        EXPECT_EQ(file["fi.color.border"], w.borderText);
        EXPECT_EQ(file["trayrun"], std::to_string(w.tray));
    }

    // WM_ENABLE flags the edit box was sent since the last ClearSent.
    std::vector<WPARAM> EnableSent(const SheetRun &run, int id)
    {
        std::vector<WPARAM> out;
        for (const st::Sent &s : st::SentTo(run.Item(id), WM_ENABLE))
            out.push_back(s.wParam);
        return out;
    }

    Module module;
    SharedBlock block;
    std::string path;
};

TEST_F(SettingsPage, NoSettingsSectionShowsTheDefaultsAndLeavingWritesThemInOrder)
{
    ASSERT_TRUE(WriteFile(path, "[global]\r\nname1=Projects\r\npath1=D:\\Projects\r\n"));
    std::unique_ptr<SheetRun> run = Open();
    ExpectShown(*run, kDefaultsShown);

    HWND combo = run->Item(IDC_INITPOS);
    const char *names[] = { "Top-Left", "Top-Right", "Bottom-Left", "Bottom-Right", "Center" };
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; i++) {
        char text[32] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(text, names[i]);
    }
    // The size boxes look greyed but stay enabled; the opacity box is left alone.
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_WIDTH), std::vector<WPARAM>{ 0 });
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_HEIGHT), std::vector<WPARAM>{ 0 });
    EXPECT_TRUE(EnableSent(*run, IDC_OPACITY_VALUE).empty());
    EXPECT_TRUE(IsWindowEnabled(run->Item(IDC_SHOT_WIDTH)));
    EXPECT_TRUE(IsWindowEnabled(run->Item(IDC_SHOT_HEIGHT)));
    // The page reloaded the block from the file before showing it.
    EXPECT_EQ(block.settings->screenshotWidth, 128);

    ASSERT_TRUE(st::WaitPainted(run->sheet()));
    EXPECT_TRUE(SaveWindowPng(run->sheet(), ArtifactPath("settings.png")));

    ASSERT_TRUE(run->SelectTab(ABOUT_TAB));
    ExpectSaved(kDefaultsSaved);
    // Every key, fi.top before fi.trans; the other sections untouched.
    std::vector<std::string> order = { "fi.init", "fi.follow", "fi.top", "fi.trans", "ft.scrsh",
                                       "ft.scrsh.width", "ft.scrsh.height", "fi.color.background",
                                       "fi.color.border", "trayrun", "fd.recent" };
    EXPECT_EQ(st::SettingsKeyOrder(path), order);
    EXPECT_EQ(GetPrivateProfileIntA("global", "name1", 0, path.c_str()), 0);
    char name[32] = "";
    GetPrivateProfileStringA("global", "name1", "", name, sizeof(name), path.c_str());
    EXPECT_STREQ(name, "Projects");
    EXPECT_TRUE(run->Close());
}

TEST_F(SettingsPage, ShowsWhatTheFileHolds)
{
    ASSERT_TRUE(WriteFile(path, "[settings]\r\nfi.init=3\r\nfi.follow=0\r\nfi.top=0\r\nfi.trans=-40\r\n"
                                "ft.scrsh=1\r\nft.scrsh.width=1000\r\nft.scrsh.height=480\r\n"
                                "fi.color.background=0x0000ff\r\nfi.color.border=0xabcdef\r\ntrayrun=0\r\n"));
    std::unique_ptr<SheetRun> run = Open();
    // Colours loaded from the file always show in upper case; a stored 1000
    // shows in full.
    ExpectShown(*run, { 3, "Bottom-Right", false, false, false, "40", true, "1000", "480",
                        "0000FF", "ABCDEF", false });
    EXPECT_EQ(EnableSent(*run, IDC_OPACITY_VALUE), std::vector<WPARAM>{ 0 });
    EXPECT_TRUE(EnableSent(*run, IDC_SHOT_WIDTH).empty());
    EXPECT_TRUE(EnableSent(*run, IDC_SHOT_HEIGHT).empty());

    // Closed unchanged: the same values, colours now as shown.
    ASSERT_TRUE(run->Close());
    ExpectSaved({ 3, 0, 0, -40, 1, 1000, 480, 0x00FF0000, 0x00EFCDAB, 0, "0x0000FF", "0xABCDEF" });
}

TEST_F(SettingsPage, OpacityIsLimitedAndReturningToThePageDoesNotReload)
{
    std::unique_ptr<SheetRun> run = Open();
    HWND page = run->Page();
    HWND box = run->Item(IDC_OPACITY_VALUE);
    st::Type(box, "1234");
    EXPECT_EQ(st::Text(box), "123") << "typing limit";

    struct Case { const char *typed; INT32 stored; } cases[] = {
        { "5", 10 }, { "999", 100 }, { "", 10 }, { "60", 60 }, { "100", 100 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        ASSERT_TRUE(run->SelectTab(SETTINGS_TAB));
        ASSERT_EQ(run->Page(), page);
        st::Type(box, c.typed);
        ASSERT_TRUE(run->SelectTab(ABOUT_TAB));
        Saved want = kDefaultsSaved;
        want.opacity = c.stored;
        ExpectSaved(want);
    }

    // Back on the page: the text as typed, not the stored value, and a
    // change in the file meanwhile does not show.
    ASSERT_TRUE(WriteFile(path, "[settings]\r\nfi.init=4\r\nfi.trans=33\r\n"));
    ASSERT_TRUE(run->SelectTab(SETTINGS_TAB));
    EXPECT_EQ(st::SentTo(page, WM_INITDIALOG).size(), 1u) << "page created again";
    EXPECT_EQ(st::Text(box), "100");
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_INITPOS, CB_GETCURSEL, 0, 0), 1);
    st::Type(box, "5");
    EXPECT_EQ(st::Text(box), "5");
    ASSERT_TRUE(run->Close());
    Saved want = kDefaultsSaved;
    want.opacity = 10;
    ExpectSaved(want);
}

TEST_F(SettingsPage, UncheckedOpacityGreysTheBoxWhichStillTakesTyping)
{
    {
        std::unique_ptr<SheetRun> run = Open();
        st::ClearSent();
        st::Click(run->Item(IDC_OPACITY));
        EXPECT_EQ(IsDlgButtonChecked(run->Page(), IDC_OPACITY), BST_UNCHECKED);
        EXPECT_EQ(EnableSent(*run, IDC_OPACITY_VALUE), std::vector<WPARAM>{ 0 });
        HWND box = run->Item(IDC_OPACITY_VALUE);
        EXPECT_TRUE(IsWindowEnabled(box));
        st::Type(box, "60");
        EXPECT_EQ(st::Text(box), "60");
        ASSERT_TRUE(run->Close());
        Saved want = kDefaultsSaved;
        want.opacity = -60;
        ExpectSaved(want);
    }
    {
        // The next sheet shows it off, with its magnitude, greyed.
        std::unique_ptr<SheetRun> run = Open();
        EXPECT_EQ(IsDlgButtonChecked(run->Page(), IDC_OPACITY), BST_UNCHECKED);
        EXPECT_EQ(st::Text(run->Item(IDC_OPACITY_VALUE)), "60");
        EXPECT_EQ(EnableSent(*run, IDC_OPACITY_VALUE), std::vector<WPARAM>{ 0 });
        st::ClearSent();
        st::Click(run->Item(IDC_OPACITY));
        EXPECT_EQ(EnableSent(*run, IDC_OPACITY_VALUE), std::vector<WPARAM>{ 1 });
        ASSERT_TRUE(run->SelectTab(MENU_ITEMS_TAB));
        Saved want = kDefaultsSaved;
        want.opacity = 60;
        ExpectSaved(want);
    }
}

TEST_F(SettingsPage, ScreenshotSizesAreLimitedAndTheirBoxesFollowTheCheckBox)
{
    std::unique_ptr<SheetRun> run = Open();
    HWND width = run->Item(IDC_SHOT_WIDTH), height = run->Item(IDC_SHOT_HEIGHT);
    st::ClearSent();
    st::Click(run->Item(IDC_SCREENSHOTS));
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_WIDTH), std::vector<WPARAM>{ 1 });
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_HEIGHT), std::vector<WPARAM>{ 1 });

    // Four digits can be typed, so that 1000 can be entered.
    st::Type(width, "12345");
    EXPECT_EQ(st::Text(width), "1234");

    struct Case { const char *width, *height; INT32 storedWidth, storedHeight; } cases[] = {
        { "", "0", 10, 10 }, { "5", "9", 10, 10 }, { "1000", "999", 1000, 999 },
        { "1234", "640", 1000, 640 }, { "10", "10", 10, 10 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        ASSERT_TRUE(run->SelectTab(SETTINGS_TAB));
        st::Type(width, c.width);
        st::Type(height, c.height);
        ASSERT_TRUE(run->SelectTab(ABOUT_TAB));
        Saved want = kDefaultsSaved;
        want.screenshots = 1;
        want.width = c.storedWidth;
        want.height = c.storedHeight;
        ExpectSaved(want);
    }

    // Unchecked: greyed again, the typed sizes saved all the same.
    ASSERT_TRUE(run->SelectTab(SETTINGS_TAB));
    st::ClearSent();
    st::Click(run->Item(IDC_SCREENSHOTS));
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_WIDTH), std::vector<WPARAM>{ 0 });
    EXPECT_EQ(EnableSent(*run, IDC_SHOT_HEIGHT), std::vector<WPARAM>{ 0 });
    st::Type(width, "1000");
    ASSERT_TRUE(run->Close());
    Saved want = kDefaultsSaved;
    want.width = 1000;
    want.height = 10;
    ExpectSaved(want);
}

TEST_F(SettingsPage, ColoursAreWrittenAsTypedAndStoredAsParsed)
{
    struct Case { const char *icon, *border; DWORD iconColor, borderColor; const char *nextIcon, *nextBorder; } cases[] = {
        { "ff", "000000", 0x00FF0000, 0, "0000FF", "000000" },
        { "FFFFFF", "G", 0x00FFFFFF, 0, "FFFFFF", "000000" },        // G: black
        { "", "abcdef", 0, 0x00EFCDAB, "000000", "ABCDEF" },         // empty: black
        { "12345?", "1234567", 0x005F3412, 0x00563412, "12345F", "123456" },  // typing limit 6
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("icon \"") + c.icon + "\", border \"" + c.border + "\"");
        {
            std::unique_ptr<SheetRun> run = Open();
            st::Type(run->Item(IDC_ICON_COLOR), c.icon);
            st::Type(run->Item(IDC_BORDER_COLOR), c.border);
            ASSERT_TRUE(run->Close());
        }
        Saved want = kDefaultsSaved;
        want.iconColor = c.iconColor;
        want.borderColor = c.borderColor;
        std::string iconText = std::string("0x") + c.icon;
        std::string borderText = std::string("0x") + std::string(c.border).substr(0, 6);
        want.iconText = iconText.c_str();
        want.borderText = borderText.c_str();
        ExpectSaved(want);

        std::unique_ptr<SheetRun> next = Open();
        EXPECT_EQ(st::Text(next->Item(IDC_ICON_COLOR)), c.nextIcon);
        EXPECT_EQ(st::Text(next->Item(IDC_BORDER_COLOR)), c.nextBorder);
        ASSERT_TRUE(next->SelectTab(ABOUT_TAB));
        DeleteFileA(path.c_str());
    }
}

TEST_F(SettingsPage, PositionAndCheckBoxesAreSavedAsShown)
{
    std::unique_ptr<SheetRun> run = Open();
    SendMessageA(run->Item(IDC_INITPOS), CB_SETCURSEL, 4, 0);
    st::Click(run->Item(IDC_FOLLOW));
    st::Click(run->Item(IDC_ONTOP));
    st::Click(run->Item(IDC_RUNINTRAY));
    // Recent folders off: stored as 0, and the list beside the file goes.
    std::string recent = path.substr(0, path.rfind('.')) + ".recent";
    ASSERT_TRUE(WriteFile(recent, "C:\\\r\n"));
    EXPECT_EQ(IsDlgButtonChecked(run->Page(), IDC_RECENT), BST_CHECKED);
    st::Click(run->Item(IDC_RECENT));
    ASSERT_TRUE(run->SelectTab(MENU_ITEMS_TAB));
    ExpectSaved({ 4, 0, 0, 10, 0, 128, 96, 0x00FFFFFF, 0, 0, "0xFFFFFF", "0x000000" });
    EXPECT_EQ(GetPrivateProfileIntA("settings", "fd.recent", 1, path.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(recent.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(run->Close());
}

// The host learns of a save at once (it has no timer to poll with): the
// page sends it the registered message after writing, the block and the
// file already holding the new values.
UINT s_announced;
bool s_savedBeforeAnnounce;
std::string s_announcePath;

LRESULT CALLBACK FakeHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == RegisterWindowMessageA("BrivaneSettingsChanged") && wParam == 0) {
        s_announced++;
        s_savedBeforeAnnounce = GetPrivateProfileIntA("settings", "trayrun", 7, s_announcePath.c_str()) == 0;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(SettingsPage, SavingAnnouncesTheChangeToTheHost)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FakeHostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "FakeBrivaneHost";
    RegisterClassA(&wc);
    HWND fake = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
    ASSERT_TRUE(fake);
    block.settings->hostWindow = fake;
    s_announced = 0;
    s_announcePath = path;
    std::unique_ptr<SheetRun> run = Open();
    st::Click(run->Item(IDC_RUNINTRAY));
    EXPECT_EQ(s_announced, 0u) << "nothing is written before the page is left";
    ASSERT_TRUE(run->SelectTab(ABOUT_TAB));
    EXPECT_EQ(s_announced, 1u);
    EXPECT_TRUE(s_savedBeforeAnnounce) << "announced before the file was written";
    ASSERT_TRUE(run->Close());
    block.settings->hostWindow = NULL;
    DestroyWindow(fake);
}

TEST_F(SettingsPage, BlockIsUpdatedEvenWhenTheFileCannotBeWritten)
{
    path = TempPath("no-such-folder\\settings.ini");
    block.SetConfigPath(path);
    std::unique_ptr<SheetRun> run = Open();
    st::Type(run->Item(IDC_OPACITY_VALUE), "70");
    ASSERT_TRUE(run->Close());
    EXPECT_EQ(block.settings->opacity, 70);
    EXPECT_EQ(block.settings->screenshotWidth, 128);
    EXPECT_FALSE(FileExists(path));
}

} // namespace

namespace {

TEST(Templates, SettingsDialogAsTabled)
{
    Module module;
    st::DialogTemplate t = st::LoadDialogTemplate(module.handle, "SettingsDialog");
    ASSERT_TRUE(t.found);
    EXPECT_EQ(t.style, 0x80C808C0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.cx, 270);
    EXPECT_EQ(t.cy, 145);
    EXPECT_EQ(t.menu, "");
    EXPECT_EQ(t.cls, "");
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.font, "MS Sans Serif");
    const DWORD EDGE = WS_EX_STATICEDGE;
    const st::TemplateItem want[] = {
        { 0xFFFF, "BUTTON", "Floating icons", 0x50000007, 0, 8, 8, 147, 96 },
        { 421, "BUTTON", "Following mode", 0x50018003, 0, 20, 22, 65, 10 },
        { 425, "BUTTON", "On top", 0x50018003, 0, 98, 22, 41, 10 },
        { 420, "COMBOBOX", "", 0x50210003, 0, 60, 51, 80, 48 },
        { 0xFFFF, "STATIC", "Init position", 0x50020000, 0, 20, 53, 38, 10 },
        { 424, "BUTTON", "Opacity:", 0x50018003, 0, 20, 35, 39, 10 },
        { 423, "EDIT", "", 0x50012081, EDGE, 63, 35, 19, 10 },
        { 0xFFFF, "STATIC", "Border color:", 0x50020000, 0, 20, 76, 41, 8 },
        { 0xFFFF, "STATIC", "Icon color:", 0x50020000, 0, 20, 87, 42, 8 },
        { 429, "EDIT", "", 0x50010081, EDGE, 63, 75, 36, 10 },
        { 430, "EDIT", "", 0x50010081, EDGE, 63, 86, 36, 10 },
        { 0xFFFF, "BUTTON", "Floating && Tray icons", 0x50000007, 0, 162, 8, 101, 96 },
        { 426, "BUTTON", "Make screenshots", 0x50018003, 0, 172, 22, 72, 10 },
        { 427, "EDIT", "", 0x50012081, EDGE, 207, 33, 20, 10 },
        { 0xFFFF, "STATIC", "width:", 0x5002000C, 0, 184, 35, 21, 8 },
        { 428, "EDIT", "", 0x50012081, EDGE, 207, 46, 20, 10 },
        { 0xFFFF, "STATIC", "height:", 0x5002000C, 0, 184, 48, 21, 8 },
        { 432, "BUTTON", "Run in tray", 0x50018003, 0, 13, 110, 50, 10 },
        { 440, "BUTTON", "Remember recent folders", 0x50018003, 0, 80, 110, 100, 10 },
    };
    ASSERT_EQ(t.items.size(), sizeof(want) / sizeof(want[0]));
    for (size_t i = 0; i < t.items.size(); i++) {
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + want[i].text);
        const st::TemplateItem &got = t.items[i];
        EXPECT_EQ(got.id, want[i].id);
        EXPECT_EQ(got.cls, want[i].cls);
        EXPECT_EQ(got.text, want[i].text);
        EXPECT_EQ(got.style, want[i].style);
        EXPECT_EQ(got.exStyle, want[i].exStyle);
        EXPECT_EQ(got.x, want[i].x);
        EXPECT_EQ(got.y, want[i].y);
        EXPECT_EQ(got.cx, want[i].cx);
        EXPECT_EQ(got.cy, want[i].cy);
    }
}

} // namespace
