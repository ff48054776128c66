// The Menu items page's section list: listing, adding, renaming and
// deleting sections, checked in the list and byte for byte in the file.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"

TEST(MenuItemsSections, ListsGlobalExceptionThenProgramSectionsInFileOrder)
{
    const std::string ini = Crlf(
        "[settings]\nfi.init=1\n"
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work]\nname1=W\npath1=C:\\w\n"
        "[exception]\nnotepad=1\n"
        "[Global]\nname1=Other\npath1=C:\\o\n"
        "[SETTINGS]\nname1=Host\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    // The fixed names are filtered exactly, so "Global" is a program section
    // of its own; the host's settings are never listed, in any spelling.
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "work", "Global" }));
    EXPECT_EQ(s.CurrentSection(), 0);
    EXPECT_EQ(s.Rows(), L({ "G|C:\\g" }));
    EXPECT_FALSE(s.Enabled(IDC_SECTION_EDIT));
    EXPECT_FALSE(s.Enabled(IDC_SECTION_DELETE));

    s.ClickSection(1);
    EXPECT_EQ(s.Rows(), L({ "notepad|1" }));
    EXPECT_FALSE(s.Enabled(IDC_SECTION_EDIT));
    EXPECT_FALSE(s.Enabled(IDC_SECTION_DELETE));

    s.ClickSection(2);
    EXPECT_EQ(s.Rows(), L({ "W|C:\\w" }));
    EXPECT_TRUE(s.Enabled(IDC_SECTION_EDIT));
    EXPECT_TRUE(s.Enabled(IDC_SECTION_DELETE));
    EXPECT_TRUE(s.Enabled(IDC_ITEM_EDIT));
    EXPECT_TRUE(s.Enabled(IDC_ITEM_DELETE));

    // Going through every section and leaving the page writes nothing.
    s.ClickSection(3);
    s.ClickSection(0);
    s.ShowTab(0);   // About: a page that writes nothing itself
    s.ShowTab(2);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), ini);
}

TEST(MenuItemsSections, AddRefusesListedAndHostNamesAndWritesOnlyWithRows)
{
    const std::string ini = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work]\nname1=W\npath1=C:\\w\n"
        "[exception]\nnotepad=1\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    const std::vector<std::string> before = s.Sections();
    for (const char *name : { "GLOBAL", "Exception", "WORK", "settings", "Settings", "" }) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(s.FillSection(IDC_SECTION_ADD, name));
        EXPECT_EQ(s.Sections(), before);
    }
    // Cancel leaves the list as it is.
    s.ClickAsync(IDC_SECTION_ADD);
    HWND dialog = s.WaitDialog("Sections");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_SECTION_NAME), "");
    SheetDriver::SetText(dialog, IDC_SECTION_NAME, "never");
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));
    EXPECT_EQ(s.Sections(), before);

    ASSERT_TRUE(s.FillSection(IDC_SECTION_ADD, "work2"));
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "work", "work2" }));
    EXPECT_EQ(s.CurrentSection(), 0) << "the selection stays";
    s.ClickSection(1);
    EXPECT_EQ(s.File(), ini) << "an added section reaches the file only with rows";

    s.ClickSection(3);
    EXPECT_TRUE(s.Rows().empty());
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Docs", "C:\\docs"));
    EXPECT_EQ(s.File(), ini) << "rows stay on the page until it saves";
    s.ClickSection(0);
    EXPECT_EQ(s.File(), ini + Crlf("[work2]\nname1=Docs\npath1=C:\\docs\n"));
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsSections, RenameRefusesTakenNamesAndMovesTheRowsToTheEnd)
{
    const std::string ini = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work]\nname1=W1\npath1=C:\\w1\nname2=W2\npath2=C:\\w2\n"
        "[home]\nname1=H\npath1=C:\\h\n"
        "[exception]\nnotepad=1\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    s.ClickSection(2);

    // The dialog opens on the old name.
    s.ClickAsync(IDC_SECTION_EDIT);
    HWND dialog = s.WaitDialog("Sections");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_SECTION_NAME), "work");
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));

    for (const char *name : { "Work", "HOME", "global", "settings", "" }) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(s.FillSection(IDC_SECTION_EDIT, name));
        EXPECT_EQ(s.Sections(), L({ "global", "exception", "work", "home" }));
    }
    s.ClickSection(0);
    EXPECT_EQ(s.File(), ini) << "refused names change nothing";

    s.ClickSection(2);
    ASSERT_TRUE(s.FillSection(IDC_SECTION_EDIT, "office"));
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "office", "home" }));
    EXPECT_EQ(s.CurrentSection(), 2);
    EXPECT_EQ(s.Rows(), L({ "W1|C:\\w1", "W2|C:\\w2" }));
    // The old section goes at once, header line included ...
    EXPECT_EQ(s.File(), Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[home]\nname1=H\npath1=C:\\h\n"
        "[exception]\nnotepad=1\n"));
    // ... and the rows are written under the new name when the page saves.
    s.ClickSection(3);
    EXPECT_EQ(s.File(), Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[home]\nname1=H\npath1=C:\\h\n"
        "[exception]\nnotepad=1\n"
        "[office]\nname1=W1\npath1=C:\\w1\nname2=W2\npath2=C:\\w2\n"));
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsSections, DeleteAsksRemovesTheSectionAndShowsTheOneAbove)
{
    const std::string ini = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[exception]\nnotepad=1\n"
        "[a]\nname1=A\npath1=C:\\a\n"
        "[work]\nname1=W1\npath1=C:\\w1\nname2=W2\npath2=C:\\w2\n"
        "[b]\nname1=B\npath1=C:\\b\n");
    const std::string withoutWork = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[exception]\nnotepad=1\n"
        "[a]\nname1=A\npath1=C:\\a\n"
        "[b]\nname1=B\npath1=C:\\b\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    ASSERT_EQ(s.Sections(), L({ "global", "exception", "a", "work", "b" }));
    s.ClickSection(3);
    // An unsaved change to the section that is then deleted.
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    EXPECT_EQ(s.Rows(), L({ "W2|C:\\w2" }));

    ASSERT_TRUE(s.Confirm(IDC_SECTION_DELETE, "Delete section", "Delete selected section?", false));
    EXPECT_EQ(s.Sections().size(), 5u) << "No keeps the section";
    EXPECT_EQ(s.File(), ini);

    ASSERT_TRUE(s.Confirm(IDC_SECTION_DELETE, "Delete section", "Delete selected section?", true));
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "a", "b" }));
    EXPECT_EQ(s.CurrentSection(), 2);
    EXPECT_EQ(s.Rows(), L({ "A|C:\\a" }));
    EXPECT_EQ(s.File(), withoutWork);
    s.ClickSection(0);
    EXPECT_EQ(s.File(), withoutWork) << "the deleted section's rows are written nowhere";

    // A section that was only added to the list leaves the file as it is.
    ASSERT_TRUE(s.FillSection(IDC_SECTION_ADD, "temp"));
    s.ClickSection(4);
    ASSERT_TRUE(s.Confirm(IDC_SECTION_DELETE, "Delete section", "Delete selected section?", true));
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "a", "b" }));
    EXPECT_EQ(s.CurrentSection(), 3);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), withoutWork);
}
