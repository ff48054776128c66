// The rows of the Menu items page: loading and writing back both section
// forms, insert after the mark, edit, delete with terminators, moves.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"

static const char kItemDialog[] = "Add/Edit menu item";

TEST(MenuItemsRows, RoundTripRenumbersKeepsPathlessEntriesAndSubmenus)
{
    const std::string global = Crlf("[global]\nname1=G\npath1=C:\\g\n");
    const std::string rest = Crlf("[exception]\nnotepad=1\n");
    SheetDriver s(global + Crlf(
        "[work]\n"
        "name1=\"'One'\"\npath1=C:\\1\n"   // quotes the readers take off once
        "name2=Two\npath2=C:\\2\n"
        "name3=Three\n"                 // no path
        "name4=-Sub\npath4=ignored\n"   // headers carry no path
        "name5=In\npath5=C:\\in\n"
        "name6=--\n") + rest);
    ASSERT_TRUE(s.Open());
    s.ClickSection(2);
    EXPECT_EQ(s.Rows(), L({ "'One'|C:\\1", "Two|C:\\2", "Three| ", "-Sub|--", "In|C:\\in", "--|--" }));

    s.ClickRow(1);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    s.ClickSection(0);
    // Keys numbered afresh from 1; the blank path comes back as an empty
    // value; headers and terminators get no pathN; quotes survive.
    EXPECT_EQ(s.File(), global + Crlf(
        "[work]\n"
        "name1=\"'One'\"\npath1=C:\\1\n"
        "name2=Three\npath2=\n"
        "name3=-Sub\n"
        "name4=In\npath4=C:\\in\n"
        "name5=--\n") + rest);
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsRows, ExceptionRowsKeepTheirFormAndEditsGetTheValue1)
{
    SheetDriver s(Crlf("[global]\n[exception]\nnotepad=1\ncalc=2\n"));
    ASSERT_TRUE(s.Open());
    s.ClickSection(1);
    EXPECT_EQ(s.Rows(), L({ "notepad|1", "calc|2" }));

    s.ClickRow(1);
    s.ClickAsync(IDC_ITEM_EDIT);
    HWND dialog = s.WaitDialog(kItemDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_NAME), "calc");
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_PATH), "1") << "not the row's own value";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_PATH)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_SUBMENU)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_BROWSE)));
    ASSERT_TRUE(s.Answer(dialog, IDOK));
    EXPECT_EQ(s.Rows(), L({ "notepad|1", "calc|1" }));

    s.ClickRow(1);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "winword", ""));
    EXPECT_EQ(s.Rows(), L({ "notepad|1", "calc|1", "winword|1" }));
    // Closing the sheet with its button saves the shown section.
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf("[global]\n[exception]\nnotepad=1\ncalc=1\nwinword=1\n"));
}

TEST(MenuItemsRows, InsertGoesAfterTheMarkOrAtTheEndAndSubmenusGetATerminator)
{
    SheetDriver s(Crlf("[global]\nname1=A\npath1=C:\\a\nname2=B\npath2=C:\\b\n"));
    ASSERT_TRUE(s.Open());

    // A new row: everything enabled and empty.
    s.ClickAsync(IDC_ITEM_INSERT);
    HWND dialog = s.WaitDialog(kItemDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_NAME), "");
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_PATH), "");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_SUBMENU)));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_SUBMENU), (UINT)BST_UNCHECKED);
    // Submenu turns the path and Browse off, and on again.
    PostMessageA(GetDlgItem(dialog, IDC_ITEM_SUBMENU), BM_CLICK, 0, 0);
    s.Flush();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_PATH)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_BROWSE)));
    PostMessageA(GetDlgItem(dialog, IDC_ITEM_SUBMENU), BM_CLICK, 0, 0);
    s.Flush();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_PATH)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_BROWSE)));
    SheetDriver::SetText(dialog, IDC_ITEM_NAME, "End");
    SheetDriver::SetText(dialog, IDC_ITEM_PATH, "C:\\end");
    ASSERT_TRUE(s.Answer(dialog, IDOK));
    EXPECT_EQ(s.Rows(), L({ "A|C:\\a", "B|C:\\b", "End|C:\\end" })) << "no mark: at the end";
    EXPECT_EQ(s.Mark(), 2);

    s.ClickRow(0);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "AfterA", "C:\\aa"));
    EXPECT_EQ(s.Rows()[1], "AfterA|C:\\aa");
    EXPECT_EQ(s.Mark(), 1);
    EXPECT_EQ(s.Selected(), 0) << "the highlight stays on the clicked row";

    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Media", "", true));
    EXPECT_EQ(s.Mark(), 3) << "the mark ends on the terminator";
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Outside", "C:\\out"));
    s.ClickRow(2);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Inside", "C:\\in"));
    // Cancel inserts nothing, nor does OK with an empty name.
    s.ClickAsync(IDC_ITEM_INSERT);
    ASSERT_TRUE(s.Answer(s.WaitDialog(kItemDialog), IDCANCEL));
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "", "C:\\nameless"));
    EXPECT_EQ(s.Rows(), L({ "A|C:\\a", "AfterA|C:\\aa", "-Media|--", "Inside|C:\\in", "--|--",
                            "Outside|C:\\out", "B|C:\\b", "End|C:\\end" }));

    // Leaving the page saves.
    s.ShowTab(0);   // About: a page that writes nothing itself
    EXPECT_EQ(s.File(), Crlf("[global]\n"
                             "name1=A\npath1=C:\\a\n"
                             "name2=AfterA\npath2=C:\\aa\n"
                             "name3=-Media\n"
                             "name4=Inside\npath4=C:\\in\n"
                             "name5=--\n"
                             "name6=Outside\npath6=C:\\out\n"
                             "name7=B\npath7=C:\\b\n"
                             "name8=End\npath8=C:\\end\n"));
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsRows, EditReplacesHeadersAndEntriesInPlace)
{
    SheetDriver s(Crlf("[global]\nname1=-Films\nname2=X\npath2=C:\\x\nname3=--\nname4=Y\npath4=C:\\y\n"));
    ASSERT_TRUE(s.Open());

    s.ClickRow(0);
    s.ClickAsync(IDC_ITEM_EDIT);
    HWND dialog = s.WaitDialog(kItemDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_NAME), "Films") << "the title without its minus";
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_SUBMENU), (UINT)BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_SUBMENU)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_PATH)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_BROWSE)));
    SheetDriver::SetText(dialog, IDC_ITEM_NAME, "Movies");
    ASSERT_TRUE(s.Answer(dialog, IDOK));
    EXPECT_EQ(s.Rows()[0], "-Movies|--");

    s.ClickRow(1);
    s.ClickAsync(IDC_ITEM_EDIT);
    dialog = s.WaitDialog(kItemDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_NAME), "X");
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_PATH), "C:\\x");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_SUBMENU)));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_SUBMENU), (UINT)BST_UNCHECKED);
    SheetDriver::SetText(dialog, IDC_ITEM_NAME, "X2");
    SheetDriver::SetText(dialog, IDC_ITEM_PATH, "D:\\x2");
    ASSERT_TRUE(s.Answer(dialog, IDOK));

    // OK with an empty name, and Cancel, leave the row as it was.
    s.ClickRow(3);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_EDIT, "", "C:\\gone"));
    s.ClickAsync(IDC_ITEM_EDIT);
    dialog = s.WaitDialog(kItemDialog);
    ASSERT_TRUE(dialog);
    SheetDriver::SetText(dialog, IDC_ITEM_NAME, "Never");
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));
    EXPECT_EQ(s.Rows(), L({ "-Movies|--", "X2|D:\\x2", "--|--", "Y|C:\\y" }));

    // A terminator cannot be edited or deleted; neither can nothing.
    s.ClickRow(2);
    EXPECT_FALSE(s.Enabled(IDC_ITEM_EDIT));
    EXPECT_FALSE(s.Enabled(IDC_ITEM_DELETE));
    PostMessageA(s.page(), WM_COMMAND, IDC_ITEM_EDIT, 0);
    s.Flush();
    EXPECT_FALSE(th::FindTopWindow(GetCurrentProcessId(), "#32770", kItemDialog));
    s.ClickRow(3);
    EXPECT_TRUE(s.Enabled(IDC_ITEM_EDIT));
    EXPECT_TRUE(s.Enabled(IDC_ITEM_DELETE));
    s.ClickRow(-1);
    EXPECT_EQ(s.Selected(), -1);
    EXPECT_FALSE(s.Enabled(IDC_ITEM_EDIT));
    EXPECT_FALSE(s.Enabled(IDC_ITEM_DELETE));
    // Picking a section enables both again.
    s.ClickSection(1);
    EXPECT_TRUE(s.Enabled(IDC_ITEM_EDIT));
    EXPECT_TRUE(s.Enabled(IDC_ITEM_DELETE));

    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf("[global]\nname1=-Movies\nname2=X2\npath2=D:\\x2\nname3=--\nname4=Y\npath4=C:\\y\n"));
}

TEST(MenuItemsRows, DeleteTakesAHeadersOwnTerminatorOnly)
{
    SheetDriver s(Crlf("[global]\nname1=-A\nname2=x\npath2=C:\\x\nname3=-B\nname4=y\npath4=C:\\y\n"
                       "name5=--\nname6=--\n"
                       "[open]\nname1=-Open\nname2=a\npath2=C:\\a\n"
                       "[exception]\n"));
    ASSERT_TRUE(s.Open());
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", false));
    EXPECT_EQ(s.Rows().size(), 6u) << "No deletes nothing";
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    EXPECT_EQ(s.Rows(), L({ "x|C:\\x", "-B|--", "y|C:\\y", "--|--" }));

    // A terminator deleted on its own (the mark is on it after an insert)
    // takes no other row with it.
    s.ClickRow(0);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "S", "", true));
    ASSERT_EQ(s.Rows(), L({ "x|C:\\x", "-S|--", "--|--", "-B|--", "y|C:\\y", "--|--" }));
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    EXPECT_EQ(s.Rows(), L({ "x|C:\\x", "-S|--", "-B|--", "y|C:\\y", "--|--" }));

    // A header without a terminator goes alone.
    s.ClickSection(2);
    s.ClickRow(0);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    EXPECT_EQ(s.Rows(), L({ "a|C:\\a" }));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf("[global]\nname1=x\npath1=C:\\x\nname2=-S\nname3=-B\nname4=y\npath4=C:\\y\n"
                             "name5=--\n"
                             "[open]\nname1=a\npath1=C:\\a\n"
                             "[exception]\n"));
}

TEST(MenuItemsRows, UpAndDownStopAtTheEndsAndRepeat)
{
    const std::string ini = Crlf("[global]\nname1=A\npath1=C:\\a\nname2=B\npath2=C:\\b\nname3=C\npath3=C:\\c\n");
    SheetDriver s(ini);
    ASSERT_TRUE(s.Open());
    // Without a mark, and at the ends, nothing moves and nothing is written.
    s.Click(IDC_ITEM_UP);
    s.Click(IDC_ITEM_DOWN);
    s.ClickRow(0);
    s.Click(IDC_ITEM_UP);
    s.ClickRow(2);
    s.Click(IDC_ITEM_DOWN);
    EXPECT_EQ(s.Rows(), L({ "A|C:\\a", "B|C:\\b", "C|C:\\c" }));
    s.ShowTab(0);   // About: a page that writes nothing itself
    EXPECT_EQ(s.File(), ini);
    s.ShowTab(2);

    s.ClickRow(0);
    s.Click(IDC_ITEM_DOWN);
    EXPECT_EQ(s.Rows(), L({ "B|C:\\b", "A|C:\\a", "C|C:\\c" }));
    EXPECT_EQ(s.Mark(), 1);
    EXPECT_EQ(s.Selected(), 1) << "the moved row is selected at its new place";
    s.Click(IDC_ITEM_DOWN);
    s.Click(IDC_ITEM_DOWN);
    EXPECT_EQ(s.Rows(), L({ "B|C:\\b", "C|C:\\c", "A|C:\\a" }));
    EXPECT_EQ(s.Mark(), 2);
    s.Click(IDC_ITEM_UP);
    EXPECT_EQ(s.Rows(), L({ "B|C:\\b", "A|C:\\a", "C|C:\\c" }));
    EXPECT_EQ(s.Selected(), 1);
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf("[global]\nname1=B\npath1=C:\\b\nname2=A\npath2=C:\\a\nname3=C\npath3=C:\\c\n"));
}
