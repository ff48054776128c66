// The Menu items page's section list: listing, adding, renaming and
// deleting sections, checked in the list and byte for byte in the file.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"
#include <string.h>

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
    // At once, before anything else can happen to this program: the rows
    // under the new name at the end of the file, and the old section gone,
    // header line included.
    const std::string renamed = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[home]\nname1=H\npath1=C:\\h\n"
        "[exception]\nnotepad=1\n"
        "[office]\nname1=W1\npath1=C:\\w1\nname2=W2\npath2=C:\\w2\n");
    EXPECT_EQ(s.File(), renamed);
    s.ClickSection(3);
    EXPECT_EQ(s.File(), renamed) << "nothing left to save";
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

namespace {

struct SecondSheet {
    th::Module *module;
    INT_PTR result = -2;
};

DWORD WINAPI OpenSecondSheet(void *p)
{
    SecondSheet *s = (SecondSheet *)p;
    s->result = s->module->EditIni(s->module->handle, NULL);
    return 0;
}

// The top-level sheet windows of this process captioned "Brivane".
std::vector<HWND> SheetsOfThisProcess()
{
    struct Found { std::vector<HWND> list; } found;
    EnumWindows([](HWND w, LPARAM lp) WINAPI -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char text[32] = "";
        GetWindowTextA(w, text, sizeof(text));
        if (pid == GetCurrentProcessId() && !strcmp(text, "Brivane") && IsWindowVisible(w))
            ((Found *)lp)->list.push_back(w);
        return TRUE;
    }, (LPARAM)&found);
    return found.list;
}

} // namespace

// The page keeps its lists, loaded section and dirty flag once per program:
// a second sheet on another thread of the same program (two file dialogs,
// each opening the sheet) would save one sheet's rows into the other's
// section. The second call brings the open sheet to the front instead.
TEST(MenuItemsSections, ASecondSheetInTheSameProgramBringsTheOpenOneForward)
{
    const std::string ini = Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work]\nname1=W\npath1=C:\\w\n"
        "[exception]\nnotepad=1\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    s.ClickSection(2);

    SecondSheet second{ &s.module() };
    HANDLE thread = CreateThread(NULL, 0, OpenSecondSheet, &second, 0, NULL);
    ASSERT_TRUE(thread);
    bool returned = th::WaitUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 5000);
    EXPECT_TRUE(returned) << "a second sheet was opened";
    if (!returned) {
        // Close the second sheet as its button would, so the thread ends.
        for (HWND w : SheetsOfThisProcess())
            if (w != s.sheet())
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        WaitForSingleObject(thread, 10000);
    }
    CloseHandle(thread);
    EXPECT_EQ(second.result, 0);
    EXPECT_EQ(SheetsOfThisProcess(), std::vector<HWND>{ s.sheet() });
    th::Pump(100);
    EXPECT_EQ(GetForegroundWindow(), s.sheet());

    // The open sheet still edits its own section.
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    s.ClickSection(0);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf(
        "[global]\nname1=G\npath1=C:\\g\n"
        "[work]\n"
        "[exception]\nnotepad=1\n"));
}
