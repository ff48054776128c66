#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "resource.h"
#include <stdio.h>
#include <commctrl.h>

TEST(Probe, Basics)
{
    SheetDriver s("[settings]\nfi.init=1\n[global]\nname1=A\npath1=C:\\a\nname2=-M\nname3=B\nname4=--\n[work]\nname1=x\n[exception]\nnotepad=1\n");
    bool ok = s.Open();
    HWND tab = PropSheet_GetTabControl(s.sheet());
    printf("ok %d page %p cursel %d tab %p\n", ok, (void*)s.page(), (int)SendMessageA(tab, TCM_GETCURSEL,0,0), (void*)tab);
    for (HWND c = GetWindow(s.sheet(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) { char cls[64], t[64]; GetClassNameA(c, cls, 64); GetWindowTextA(c, t, 64); printf("child %p %s %s id %d\n", (void*)c, cls, t, GetDlgCtrlID(c)); }
    ASSERT_TRUE(ok);
    for (auto &x : s.Sections()) printf("sec %s\n", x.c_str());
    for (auto &x : s.Rows()) printf("row %s\n", x.c_str());
    s.ClickRow(1);
    printf("mark %d sel %d edit %d\n", s.Mark(), s.Selected(), s.Enabled(IDC_ITEM_EDIT));
    s.ClickRow(3);
    printf("mark %d sel %d edit %d\n", s.Mark(), s.Selected(), s.Enabled(IDC_ITEM_EDIT));
    s.ClickRow(-1);
    printf("mark %d sel %d edit %d\n", s.Mark(), s.Selected(), s.Enabled(IDC_ITEM_EDIT));
    s.ClickSection(2);
    printf("cur %d\n", s.CurrentSection());
    for (auto &x : s.Rows()) printf("row %s\n", x.c_str());
    s.ClickRow(0);
    s.Click(IDC_ITEM_DOWN);
    s.ClickAsync(IDC_ITEM_INSERT);
    HWND d = s.WaitDialog("Add/Edit menu item");
    ASSERT_TRUE(d);
    SheetDriver::SetText(d, 414, "New");
    SheetDriver::SetText(d, 415, "C:\\new");
    s.Answer(d, IDOK);
    for (auto &x : s.Rows()) printf("row %s\n", x.c_str());
    DWORD t = GetTickCount();
    s.ClickSection(0);
    printf("save %lu ms\n", GetTickCount() - t);
    printf("file [%s]\n", s.File().c_str());
    ASSERT_TRUE(s.Close());
}
