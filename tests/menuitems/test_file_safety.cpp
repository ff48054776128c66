// What the Menu items page must never do to the user's file: cut the wrong
// line, lose rows of long sections, or touch sections it cannot hold.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "tests/support/png.h"
#include "resource.h"
#include <stdio.h>

// Opens a sheet on ini, deletes the section at index and returns the file.
static std::string DeleteSectionAt(const std::string &ini, int index, bool holdFileOpen = false)
{
    SheetDriver s(ini);
    EXPECT_TRUE(s.Open());
    s.ClickSection(index);
    HANDLE other = INVALID_HANDLE_VALUE;
    if (holdFileOpen)
        other = CreateFileA(s.path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, 0, NULL);
    EXPECT_TRUE(s.Confirm(IDC_SECTION_DELETE, "Delete section", "Delete selected section?", true));
    if (other != INVALID_HANDLE_VALUE) {
        // The file cannot be replaced while it is open without sharing its
        // deletion: the user is told, and does not try again.
        EXPECT_TRUE(s.Answer(s.WaitDialog("Brivane - not saved"), IDCANCEL)) << "the refusal is told";
        CloseHandle(other);
    }
    EXPECT_TRUE(s.Close());
    return s.File();
}

TEST(MenuItemsHeaderCut, TakesOnlyTheRealHeaderLineWithItsOwnLineEnd)
{
    struct Case { const char *what; std::string ini, want; } cases[] = {
        { "1 the header's text inside a value before it",
          Crlf("[global]\nname1=G\npath1=C:\\[work]\n[work]\nname1=W\npath1=C:\\w\n[exception]\n"),
          Crlf("[global]\nname1=G\npath1=C:\\[work]\n[exception]\n") },
        // The section has no keys, so nothing rewrites the file before the cut.
        { "2 LF line ends",
          "[global]\nname1=G\npath1=C:\\g\n[work]\n[exception]\nnotepad=1\n",
          "[global]\nname1=G\npath1=C:\\g\n[exception]\nnotepad=1\n" },
        { "3 header on the last line without a line end",
          "[global]\nname1=G\n[exception]\n[work]",
          "[global]\nname1=G\n[exception]\n" },
        { "4 header spelled in another case",
          "[global]\r\n[WORK]\r\n[exception]\r\n",
          "[global]\r\n[exception]\r\n" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DeleteSectionAt(c.ini, 2), c.want);
    }
}

TEST(MenuItemsHeaderCut, FileInUseElsewhereIsLeftAsItIs)
{
    const std::string ini = Crlf("[global]\nname1=G\npath1=C:\\g\n[work]\nname1=W\npath1=C:\\w\n[exception]\n");
    EXPECT_EQ(DeleteSectionAt(ini, 2, true), ini);
}

TEST(MenuItemsLimits, SectionNamesTooLongForTheBufferAreNotListedNorTouched)
{
    const std::string longName(300, 'n');
    const std::string ini = Crlf("[global]\nname1=G\npath1=C:\\g\n[" + longName + "]\nname1=L\npath1=C:\\l\n"
                                 "[work]\nname1=W\npath1=C:\\w\n[exception]\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "work" }));
    // A name of exactly the longest length a section dialog gives is fine.
    const std::string longest(259, 'm');
    ASSERT_TRUE(s.FillSection(IDC_SECTION_ADD, longest));
    ASSERT_EQ(s.Sections().size(), 4u);
    EXPECT_EQ(s.Sections()[3], longest);
    s.ClickSection(3);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "M", "C:\\m"));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), ini + Crlf("[" + longest + "]\nname1=M\npath1=C:\\m\n"));
}

TEST(MenuItemsLimits, RowsAsLongAsTheItemDialogMakesStayEditable)
{
    const std::string name259(259, 'a'), name258(258, 'b'), title(258, 't');
    const std::string work = Crlf("[work]\nname1=" + name259 + "\npath1=\nname2=" + name258 +
                                  "\npath2=\nname3=-" + title + "\nname4=--\n");
    const std::string tooLong = Crlf("[long]\nname1=" + std::string(260, 'c') + "\npath1=C:\\c\n");
    const std::string ini = Crlf("[global]\n[exception]\n") + work + tooLong;
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    s.ClickSection(2);
    ASSERT_EQ(s.Rows().size(), 4u);
    EXPECT_EQ(s.Rows()[0], name259 + "| ");
    EXPECT_EQ(s.Rows()[2], "-" + title + "|--");
    EXPECT_TRUE(s.Enabled(IDC_ITEM_INSERT)) << "rows the page can carry back whole";
    s.ClickSection(3);
    EXPECT_FALSE(s.Enabled(IDC_ITEM_INSERT)) << "a name over 259 characters was cut";

    // Through the dialog: the longest title it keeps, then an entry with the
    // longest name; both come back whole and the section stays editable.
    s.ClickSection(2);
    s.ClickRow(3);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, std::string(259, 'u'), "", true));
    s.ClickRow(5);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, name259, "C:\\lost"));
    s.ClickSection(0);
    s.ClickSection(2);
    std::vector<std::string> rows = s.Rows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[4], "-" + std::string(258, 'u') + "|--") << "title kept to what a row holds";
    EXPECT_EQ(rows[6], name259 + "| ") << "no room for a path beside the name";
    EXPECT_TRUE(s.Enabled(IDC_ITEM_INSERT));
    ASSERT_TRUE(s.Close());
    EXPECT_NE(s.File().find("name5=-" + std::string(258, 'u') + "\r\nname6=--"), std::string::npos);
    EXPECT_NE(s.File().find(tooLong), std::string::npos) << "the locked section is untouched";
}

// name1..nameN entries "Folder i" in C:\data\i, as the page writes them.
static std::string ManyEntries(int from, int to, int firstKey)
{
    std::string out;
    char line[96];
    for (int i = from, n = firstKey; i <= to; i++, n++) {
        snprintf(line, sizeof(line), "name%d=Folder %d\r\npath%d=C:\\data\\%d\r\n", n, i, n, i);
        out += line;
    }
    return out;
}

TEST(MenuItemsLimits, ASectionLongerThanOneWriteKeepsEveryRow)
{
    const int count = 2000;
    const std::string head = Crlf("[global]\nname1=G\npath1=C:\\g\n[work]\n");
    const std::string tail = Crlf("[exception]\nnotepad=1\n");
    const std::string ini = head + ManyEntries(1, count, 1) + tail;
    ASSERT_GT(ini.size(), 16384u * 5);
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());

    DWORD start = GetTickCount();
    s.ClickSection(2);
    DWORD loadMs = GetTickCount() - start;
    std::vector<std::string> rows = s.Rows();
    ASSERT_EQ(rows.size(), (size_t)count);
    EXPECT_EQ(rows.back(), "Folder 2000|C:\\data\\2000");
    EXPECT_TRUE(s.Enabled(IDC_ITEM_INSERT)) << "an editable section";

    // Delete the first entry: every key moves down by one.
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    start = GetTickCount();
    s.ClickSection(0);
    DWORD saveMs = GetTickCount() - start;
    printf("%d entries: load %lu ms, save %lu ms\n", count, loadMs, saveMs);
    EXPECT_EQ(s.File(), head + ManyEntries(2, count, 1) + tail);
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsLimits, AnExceptionSectionOfAnyLengthIsReadWholeAndStaysEditable)
{
    std::string ini = Crlf("[global]\n[exception]\n");
    char line[32];
    for (int i = 1; i <= 2000; i++) {
        snprintf(line, sizeof(line), "program%d=1\r\n", i);
        ini += line;
    }
    ASSERT_GT(ini.size(), 16384u);
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    s.ClickSection(1);
    std::vector<std::string> rows = s.Rows();
    ASSERT_EQ(rows.size(), 2000u);
    EXPECT_EQ(rows.back(), "program2000|1");
    EXPECT_TRUE(s.Enabled(IDC_ITEM_INSERT));
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    s.ClickSection(0);
    std::string want = Crlf("[global]\n[exception]\n");
    for (int i = 2; i <= 2000; i++) {
        snprintf(line, sizeof(line), "program%d=1\r\n", i);
        want += line;
    }
    EXPECT_EQ(s.File(), want);
    ASSERT_TRUE(s.Close());
}

// What the rows cannot carry must survive a save: the page shows such a
// section locked (its rows would be numbered afresh, which would bring
// entries after a gap into the menu or hang a stray pathN on another
// entry), and the file keeps it byte for byte.
TEST(MenuItemsLimits, LinesTheRowsCannotCarryLockTheSectionAndSurvive)
{
    struct Case { const char *what; std::string section; size_t rows; } cases[] = {
        { "1 entries after a gap", "name1=A\npath1=C:\\a\nname2=\nname3=C\npath3=C:\\c\n", 1 },
        { "2 entries after a missing name", "name1=A\npath1=C:\\a\nname3=C\npath3=C:\\c\n", 1 },
        { "3 another key", "name1=A\npath1=C:\\a\nsortorder=2\n", 1 },
        { "4 a comment line", "; my folders\nname1=A\npath1=C:\\a\n", 1 },
        { "5 a second name1", "name1=A\npath1=C:\\a\nname1=B\n", 1 },
        { "6 a line without =", "name1=A\npath1=C:\\a\nloose\n", 1 },
        { "7 a second path1", "name1=A\npath1=C:\\a\npath1=C:\\b\n", 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string ini = Crlf("[global]\nname1=G\npath1=C:\\g\n[work]\n" + c.section + "[exception]\n");
        SheetDriver s(ini);
        ASSERT_TRUE(s.Open());
        s.ClickSection(2);
        EXPECT_EQ(s.Rows().size(), c.rows) << "shown as every reader reads it";
        EXPECT_FALSE(s.Enabled(IDC_ITEM_INSERT));
        s.ClickRow(0);
        EXPECT_FALSE(s.Enabled(IDC_ITEM_EDIT));
        EXPECT_FALSE(s.Enabled(IDC_SECTION_EDIT)) << "a rename would rewrite the rows";
        // What a user would do where the page lets them: an edit, saved.
        // Whatever the page allows, the file keeps all it held.
        if (s.Enabled(IDC_ITEM_DELETE)) {
            EXPECT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
        }
        s.ClickSection(0);
        ASSERT_TRUE(s.Close());
        EXPECT_EQ(s.File(), ini);
    }
    // An empty name that only ends the section carries nothing: editable.
    const std::string ini = Crlf("[global]\nname1=A\npath1=C:\\a\nname2=\n[exception]\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.Enabled(IDC_ITEM_INSERT));
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsHeaderCut, HeaderLinesWithANoteAreFoundForDeleteAndRename)
{
    const std::string ini = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work] ; my notes\nname1=W\npath1=C:\\w\n"
        "[exception]\nnotepad=1\n");
    const std::string without = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[exception]\nnotepad=1\n");
    EXPECT_EQ(DeleteSectionAt(ini, 2), without) << "the section must not come back";

    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    s.ClickSection(2);
    EXPECT_EQ(s.Rows(), L({ "W|C:\\w" }));
    ASSERT_TRUE(s.FillSection(IDC_SECTION_EDIT, "office"));
    s.ClickSection(0);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), without + Crlf("[office]\nname1=W\npath1=C:\\w\n"))
        << "the entries under one name only";
}

TEST(MenuItemsLimits, AValueTooLongForARowKeepsTheSectionUntouched)
{
    const std::string ini = Crlf("[global]\nname1=" + std::string(200, 'a') + "\npath1=C:\\" + std::string(100, 'p') +
                                 "\nname2=B\npath2=C:\\b\n[exception]\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    EXPECT_FALSE(s.Enabled(IDC_ITEM_INSERT));
    EXPECT_FALSE(s.Enabled(IDC_ITEM_DOWN));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), ini);
}

TEST(MenuItemsPicture, NestedSection)
{
    SheetDriver s(Crlf("[global]\nname1=Projects\npath1=D:\\Projects\nname2=-Media\nname3=Music\npath3=D:\\Music\n"
                       "name4=Videos\npath4=D:\\Videos\nname5=--\nname6=Downloads\npath6=C:\\Downloads\n"
                       "[notepad]\nname1=Notes\npath1=C:\\Notes\n[exception]\ncalc=1\n"));
    ASSERT_TRUE(s.Open());
    s.ClickRow(1);
    th::Pump(100);
    EXPECT_TRUE(th::SaveWindowPng(s.sheet(), th::ArtifactPath("menuitems.png")));
    ASSERT_TRUE(s.Close());
}
