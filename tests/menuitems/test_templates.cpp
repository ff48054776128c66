// The page's and its dialogs' controls as the templates lay them out.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"
#include <commctrl.h>

namespace {

struct ExpectedControl {
    int id;
    const char *cls, *text;
    DWORD style;
    int x, y, cx, cy;   // dialog units
};

void ExpectControls(HWND dialog, const ExpectedControl *expected, size_t count)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (size_t i = 0; i < count; i++, child = GetWindow(child, GW_HWNDNEXT)) {
        const ExpectedControl &c = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(c.id));
        ASSERT_TRUE(child) << "missing";
        char cls[64] = "", text[64] = "";
        GetClassNameA(child, cls, sizeof(cls));
        GetWindowTextA(child, text, sizeof(text));
        EXPECT_EQ(GetDlgCtrlID(child), c.id);
        EXPECT_EQ(lstrcmpiA(cls, c.cls), 0) << cls;
        if (c.text) {
            EXPECT_STREQ(text, c.text);
        }
        DWORD style = (DWORD)GetWindowLongA(child, GWL_STYLE);
        // List controls trade WS_BORDER for a client edge when created.
        if (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
            style |= WS_BORDER;
        // Scroll bars come and go with the content.
        DWORD want = c.style & ~(DWORD)(WS_VSCROLL | WS_HSCROLL);
        EXPECT_EQ(style & want, want) << std::hex << style;
        // Position and size each converted on their own, as the dialog does.
        RECT place = { c.x, c.y, c.cx, c.cy }, got;
        MapDialogRect(dialog, &place);
        GetWindowRect(child, &got);
        MapWindowPoints(NULL, dialog, (POINT *)&got, 2);
        EXPECT_EQ(got.left, place.left);
        EXPECT_EQ(got.top, place.top);
        EXPECT_EQ(got.right - got.left, place.right);
        EXPECT_EQ(got.bottom - got.top, place.bottom);
    }
}

const ExpectedControl kPage[] = {
    { IDC_ITEMLIST, "SysListView32", NULL, 0x5081800D, 107, 5, 156, 110 },
    { IDC_SECTIONLIST, "ListBox", "", 0x50A10101, 5, 5, 100, 110 },
    { IDC_ITEM_INSERT, "Button", "Insert", 0x50018000, 166, 120, 30, 11 },
    { IDC_ITEM_EDIT, "Button", "Edit", 0x50018000, 200, 120, 30, 11 },
    { IDC_ITEM_DELETE, "Button", "Delete", 0x50018000, 233, 120, 30, 11 },
    { IDC_SECTION_ADD, "Button", "Add", 0x50018000, 5, 120, 30, 11 },
    { IDC_SECTION_EDIT, "Button", "Edit", 0x40018000, 38, 120, 30, 11 },   // disabled on global
    { IDC_SECTION_DELETE, "Button", "Delete", 0x40018000, 71, 120, 30, 11 },
    { IDC_ITEM_UP, "Button", "up", 0x50010000, 147, 117, 12, 9 },
    { IDC_ITEM_DOWN, "Button", "dn", 0x50010000, 148, 126, 11, 9 },
};

const ExpectedControl kSectionDialog[] = {
    { IDC_SECTION_NAME, "Edit", "", 0x50010080, 7, 19, 152, 10 },
    { -1, "Static", "Section name:", 0x50020000, 7, 7, 88, 10 },
    { IDOK, "Button", "OK", 0x50018001, 100, 45, 50, 14 },
    { IDCANCEL, "Button", "Cancel", 0x50018000, 18, 45, 50, 14 },
};

const ExpectedControl kItemDialog[] = {
    { IDC_ITEM_NAME, "Edit", "", 0x50010080, 7, 18, 152, 10 },
    { IDC_ITEM_PATH, "Edit", "", 0x50010080, 7, 46, 120, 10 },
    { -1, "Static", "Menu item name:", 0x50020000, 7, 7, 87, 10 },
    { -1, "Static", "Item path:", 0x50020000, 7, 35, 106, 10 },
    { IDC_ITEM_SUBMENU, "Button", "Submenu", 0x50018003, 7, 66, 56, 11 },
    { IDOK, "Button", "OK", 0x50018001, 100, 98, 50, 14 },
    { IDCANCEL, "Button", "Cancel", 0x50018000, 18, 98, 50, 14 },
    { IDC_ITEM_BROWSE, "Button", "Browse", 0x50018000, 129, 46, 30, 10 },
};

} // namespace

TEST(MenuItemsTemplates, PageAndDialogsAreLaidOutAsDesigned)
{
    SheetDriver s(Crlf("[global]\n[exception]\n"));
    ASSERT_TRUE(s.Open());
    {
        SCOPED_TRACE("IniDialog");
        ExpectControls(s.page(), kPage, sizeof(kPage) / sizeof(kPage[0]));
    }
    HWND header = (HWND)SendMessageA(s.Control(IDC_ITEMLIST), LVM_GETHEADER, 0, 0);
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
    const struct { const char *text; int width; } columns[2] = { { "Name", 80 }, { "Path", 150 } };
    for (int i = 0; i < 2; i++) {
        char text[32] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(header, HDM_GETITEMA, i, (LPARAM)&item);
        EXPECT_STREQ(text, columns[i].text);
        EXPECT_EQ(item.cxy, columns[i].width);
        EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, HDF_LEFT);
    }

    s.ClickAsync(IDC_SECTION_ADD);
    HWND dialog = s.WaitDialog("Sections");
    ASSERT_TRUE(dialog);
    EXPECT_EQ((DWORD)GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, (DWORD)WS_EX_TOOLWINDOW);
    {
        SCOPED_TRACE("SectionDialog");
        ExpectControls(dialog, kSectionDialog, sizeof(kSectionDialog) / sizeof(kSectionDialog[0]));
    }
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));

    s.ClickAsync(IDC_ITEM_INSERT);
    dialog = s.WaitDialog("Add/Edit menu item");
    ASSERT_TRUE(dialog);
    EXPECT_EQ((DWORD)GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, (DWORD)WS_EX_TOOLWINDOW);
    {
        SCOPED_TRACE("MenuItemDialog");
        ExpectControls(dialog, kItemDialog, sizeof(kItemDialog) / sizeof(kItemDialog[0]));
    }
    ASSERT_TRUE(s.Answer(dialog, IDCANCEL));
    ASSERT_TRUE(s.Close());
}
