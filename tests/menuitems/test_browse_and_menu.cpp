// The item dialog's folder browser, and what the page saves as another
// program's file dialog shows it.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"

struct OwnedQuery { HWND owner, found; };

static BOOL CALLBACK MatchOwned(HWND w, LPARAM lp)
{
    OwnedQuery *q = (OwnedQuery *)lp;
    if (GetWindow(w, GW_OWNER) != q->owner || !IsWindowVisible(w))
        return TRUE;
    q->found = w;
    return FALSE;
}

// A visible window of this desktop owned by owner (the folder browser).
static HWND OwnedDialog(HWND owner)
{
    OwnedQuery q = { owner, NULL };
    th::WaitUntil([&] {
        EnumWindows(MatchOwned, (LPARAM)&q);
        return q.found != NULL;
    }, 10000);
    return q.found;
}

TEST(MenuItemsBrowse, CancelKeepsThePathAndAChosenFolderReplacesIt)
{
    SheetDriver s(Crlf("[global]\nname1=A\npath1=C:\\a\n[exception]\n"));
    ASSERT_TRUE(s.Open());
    s.ClickRow(0);
    s.ClickAsync(IDC_ITEM_EDIT);
    HWND dialog = s.WaitDialog("Add/Edit menu item");
    ASSERT_TRUE(dialog);

    PostMessageA(GetDlgItem(dialog, IDC_ITEM_BROWSE), BM_CLICK, 0, 0);
    HWND browser = OwnedDialog(dialog);
    ASSERT_TRUE(browser);
    EXPECT_TRUE(FindWindowExA(browser, NULL, "Static", "Choose a folder")) << "the browser's title line";
    ASSERT_TRUE(s.Answer(browser, IDCANCEL));
    EXPECT_EQ(SheetDriver::Text(dialog, IDC_ITEM_PATH), "C:\\a");

    PostMessageA(GetDlgItem(dialog, IDC_ITEM_BROWSE), BM_CLICK, 0, 0);
    browser = OwnedDialog(dialog);
    ASSERT_TRUE(browser);
    ASSERT_TRUE(s.Answer(browser, IDOK));
    std::string chosen = SheetDriver::Text(dialog, IDC_ITEM_PATH);
    EXPECT_NE(chosen, "C:\\a");
    DWORD attributes = GetFileAttributesA(chosen.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << "a full folder path, got " << chosen;

    // Cancel after a Browse leaves the row as it was.
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));
    EXPECT_EQ(s.Rows(), L({ "A|C:\\a" }));
    ASSERT_TRUE(s.Close());
}

TEST(MenuItemsFavourites, AFileDialogInAnotherProgramShowsWhatThePageSaved)
{
    SheetDriver s(Crlf("[global]\nname1=Old\npath1=C:\\old\n[exception]\n"));
    ASSERT_TRUE(s.Open());
    s.ClickRow(0);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_EDIT, "Saved", "C:\\saved"));
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Media", "", true));
    ASSERT_TRUE(s.Close());

    th::HostWindow host;
    s.settings()->hostWindow = host.hwnd();
    ASSERT_TRUE(s.module().SetHook());
    std::string menu;
    {
        th::Client client("client_filedlg.exe");
        ASSERT_TRUE(client.ok());
        std::string dialog = client.Call("open open");
        menu = client.Call("favmenu " + dialog);
        client.Call("close " + dialog);
    }
    s.module().UnHook();
    EXPECT_NE(menu.find("1281:Saved"), std::string::npos) << menu;
    EXPECT_NE(menu.find("1282:Media{"), std::string::npos) << menu;
    EXPECT_EQ(menu.find("Old"), std::string::npos) << menu;
}

// Another program adds a folder through "Add this folder" while the page
// holds unsaved changes to the same section; closing the sheet keeps both,
// and an entry deleted on the page stays deleted.
TEST(MenuItemsFavourites, AFolderAddedElsewhereWhileThePageIsOpenIsKept)
{
    SheetDriver s(Crlf("[global]\nname1=Old\npath1=C:\\old\nname2=Gone\npath2=C:\\gone\n[exception]\n"));
    ASSERT_TRUE(s.Open());
    s.ClickRow(1);
    ASSERT_TRUE(s.Confirm(IDC_ITEM_DELETE, "Delete menu item", "Delete selected menu item?", true));
    s.ClickRow(0);
    ASSERT_TRUE(s.FillItem(IDC_ITEM_INSERT, "Mine", "C:\\mine"));
    ASSERT_EQ(s.Rows(), L({ "Old|C:\\old", "Mine|C:\\mine" }));

    th::HostWindow host;
    s.settings()->hostWindow = host.hwnd();
    ASSERT_TRUE(s.module().SetHook());
    {
        th::Client client("client_filedlg.exe");
        ASSERT_TRUE(client.ok());
        std::string dialog = client.Call("windowsshape");
        client.Call("setfolder " + dialog + " |C:\\added|");
        client.Call("command " + dialog + " 1277");
        client.Call("close " + dialog);
    }
    s.module().UnHook();
    ASSERT_EQ(s.File(), Crlf("[global]\nname1=Old\npath1=C:\\old\nname2=Gone\npath2=C:\\gone\n"
                             "name3=added\npath3=C:\\added\n[exception]\n"));

    ASSERT_TRUE(s.Close());
    EXPECT_EQ(s.File(), Crlf("[global]\nname1=Old\npath1=C:\\old\nname2=Mine\npath2=C:\\mine\n"
                             "name3=added\npath3=C:\\added\n[exception]\n"));
}
