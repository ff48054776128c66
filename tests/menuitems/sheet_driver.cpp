#include "sheet_driver.h"
#include <commctrl.h>
#include "resource.h"
#include <stdio.h>

using namespace th;

SheetDriver::SheetDriver(const std::string &ini, const std::string &fileName)
{
    path_ = TempPath(fileName);
    WriteFile(path_, ini);
    block_.SetConfigPath(path_);
}

SheetDriver::~SheetDriver()
{
    if (thread_) {
        if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
            // Something went wrong: end every window of the sheet's thread.
            Close();
        }
        if (WaitForSingleObject(thread_, 5000) == WAIT_TIMEOUT)
            TerminateThread(thread_, 1);
        CloseHandle(thread_);
    }
}

LRESULT CALLBACK SheetDriver::MarkerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) {
        SheetDriver *self = (SheetDriver *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
        InterlockedExchange(&self->flushed_, (LONG)wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

DWORD WINAPI SheetDriver::SheetThread(void *param)
{
    SheetDriver *self = (SheetDriver *)param;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MarkerProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BrivaneTestMarker";
    RegisterClassA(&wc);
    HWND marker = CreateWindowA("BrivaneTestMarker", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                                wc.hInstance, NULL);
    SetWindowLongPtrA(marker, GWLP_USERDATA, (LONG_PTR)self);
    self->marker_ = marker;
    self->module_.EditIni(self->module_.handle, NULL);
    DestroyWindow(marker);
    return 0;
}

bool SheetDriver::Open()
{
    if (!module_.EditIni)
        return false;
    thread_ = CreateThread(NULL, 0, SheetThread, this, 0, NULL);
    sheet_ = WaitForProcessWindow(GetCurrentProcessId(), "#32770", "Brivane");
    if (!sheet_)
        return false;
    // Found as soon as it exists; switch tabs once it is shown.
    if (!WaitUntil([&] { return IsWindowVisible(sheet_) != FALSE; }))
        return false;
    WaitUntil([&] {
        ShowTab(2);
        return page_ && Control(IDC_ITEMLIST);
    });
    return page_ && Control(IDC_ITEMLIST);
}

void SheetDriver::ShowTab(int index)
{
    // A click on the tab, as a user makes it.
    HWND tabs = (HWND)SendMessageA(sheet_, PSM_GETTABCONTROL, 0, 0);
    RECT r;
    SendMessageA(tabs, TCM_GETITEMRECT, index, (LPARAM)&r);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tabs, WM_LBUTTONUP, 0, at);
    Flush();
    page_ = (HWND)SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0);
}

bool SheetDriver::Close()
{
    if (!thread_)
        return false;
    // The sheet's only visible button is its Cancel button relabelled "OK".
    PostMessageA(GetDlgItem(sheet_, IDCANCEL), BM_CLICK, 0, 0);
    return WaitUntil([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, 10000);
}

void SheetDriver::Flush()
{
    LONG n = ++posted_;
    PostMessageA(marker_, WM_APP, (WPARAM)n, 0);
    WaitUntil([&] { return flushed_ >= n; }, 30000);
}

std::vector<std::string> SheetDriver::Sections() const
{
    std::vector<std::string> out;
    HWND list = Control(IDC_SECTIONLIST);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char buf[512] = "";
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < (LRESULT)sizeof(buf))
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)buf);
        out.push_back(buf);
    }
    return out;
}

int SheetDriver::CurrentSection() const
{
    return (int)SendMessageA(Control(IDC_SECTIONLIST), LB_GETCURSEL, 0, 0);
}

void SheetDriver::ClickSection(int index)
{
    HWND list = Control(IDC_SECTIONLIST);
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    RECT r;
    SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&r);
    LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    Flush();
}

std::vector<std::string> SheetDriver::Rows() const
{
    std::vector<std::string> out;
    HWND list = Control(IDC_ITEMLIST);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        std::string row;
        for (int col = 0; col < 2; col++) {
            char buf[512] = "";
            LVITEMA item = {};
            item.iSubItem = col;
            item.pszText = buf;
            item.cchTextMax = sizeof(buf);
            SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
            row += col ? std::string("|") + buf : std::string(buf);
        }
        out.push_back(row);
    }
    return out;
}

int SheetDriver::Mark() const
{
    return (int)SendMessageA(Control(IDC_ITEMLIST), LVM_GETSELECTIONMARK, 0, 0);
}

int SheetDriver::Selected() const
{
    return (int)SendMessageA(Control(IDC_ITEMLIST), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

void SheetDriver::ClickRow(int row)
{
    HWND list = Control(IDC_ITEMLIST);
    LPARAM at;
    if (row >= 0) {
        SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
        RECT r;
        r.left = LVIR_LABEL;
        SendMessageA(list, LVM_GETITEMRECT, row, (LPARAM)&r);
        at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    } else {
        RECT client;
        GetClientRect(list, &client);
        at = MAKELPARAM(client.right / 2, client.bottom - 4);
    }
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    Flush();
}

void SheetDriver::Click(int id)
{
    PostMessageA(Control(id), BM_CLICK, 0, 0);
    Flush();
}

void SheetDriver::ClickAsync(int id)
{
    PostMessageA(Control(id), BM_CLICK, 0, 0);
}

HWND SheetDriver::WaitDialog(const char *caption, DWORD timeoutMs)
{
    return WaitForProcessWindow(GetCurrentProcessId(), "#32770", caption, timeoutMs);
}

void SheetDriver::SetText(HWND dialog, int id, const std::string &text)
{
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

std::string SheetDriver::Text(HWND dialog, int id)
{
    char buf[1024] = "";
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(buf), (LPARAM)buf);
    return buf;
}

bool SheetDriver::Answer(HWND dialog, int buttonId)
{
    if (!dialog)
        return false;
    PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    bool gone = WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    Flush();
    return gone;
}

bool SheetDriver::FillItem(int button, const std::string &name, const std::string &path, bool submenu)
{
    ClickAsync(button);
    HWND dialog = WaitDialog("Add/Edit menu item");
    if (!dialog)
        return false;
    SetText(dialog, IDC_ITEM_NAME, name);
    if (submenu) {
        PostMessageA(GetDlgItem(dialog, IDC_ITEM_SUBMENU), BM_CLICK, 0, 0);
        Flush();
    } else if (IsWindowEnabled(GetDlgItem(dialog, IDC_ITEM_PATH))) {
        SetText(dialog, IDC_ITEM_PATH, path);   // a user cannot type into it otherwise
    }
    return Answer(dialog, IDOK);
}

bool SheetDriver::FillSection(int button, const std::string &name)
{
    ClickAsync(button);
    HWND dialog = WaitDialog("Sections");
    if (!dialog)
        return false;
    SetText(dialog, IDC_SECTION_NAME, name);
    return Answer(dialog, IDOK);
}

bool SheetDriver::Confirm(int button, const char *caption, const char *question, bool yes)
{
    ClickAsync(button);
    HWND box = WaitDialog(caption);
    if (!box)
        return false;
    bool asked = FindWindowExA(box, NULL, "Static", question) != NULL;
    return Answer(box, yes ? IDYES : IDNO) && asked;
}

std::vector<std::string> L(std::initializer_list<const char *> items)
{
    return std::vector<std::string>(items.begin(), items.end());
}
