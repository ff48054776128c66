#include "sheet_runner.h"
#include <windows.h>
#include "support/harness.h"
#include "core/exports.h"
#include <commctrl.h>
#include <mutex>

namespace st {

static std::mutex s_lock;
static std::vector<Sent> s_sent;

static LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT *cwp = (const CWPSTRUCT *)lParam;
        if (cwp->message == WM_ENABLE || cwp->message == WM_INITDIALOG ) {
            std::lock_guard<std::mutex> hold(s_lock);
            s_sent.push_back({ cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam });
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

std::vector<Sent> SentTo(HWND to, UINT msg)
{
    std::lock_guard<std::mutex> hold(s_lock);
    std::vector<Sent> out;
    for (const Sent &s : s_sent)
        if (s.to == to && s.msg == msg)
            out.push_back(s);
    return out;
}

void ClearSent()
{
    std::lock_guard<std::mutex> hold(s_lock);
    s_sent.clear();
}

DWORD WINAPI SheetRun::Thread(void *param)
{
    SheetRun *self = (SheetRun *)param;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordSent, NULL, GetCurrentThreadId());
    self->result_ = EditIni_(self->resources_, self->parent_);
    if (hook)
        UnhookWindowsHookEx(hook);
    return 0;
}

struct FindSheet { HWND found; };

static BOOL CALLBACK FindSheetProc(HWND window, LPARAM lParam)
{
    char cls[32] = "", title[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    GetWindowTextA(window, title, sizeof(title));
    if (!lstrcmpA(cls, "#32770") && !lstrcmpA(title, "Brivane") && IsWindowVisible(window)) {
        ((FindSheet *)lParam)->found = window;
        return FALSE;
    }
    return TRUE;
}

SheetRun::SheetRun(HINSTANCE resources, HWND parent) : resources_(resources), parent_(parent)
{
    ClearSent();
    thread_ = CreateThread(NULL, 0, Thread, this, 0, &threadId_);
    th::WaitUntil([this] {
        FindSheet find = { NULL };
        EnumThreadWindows(threadId_, FindSheetProc, (LPARAM)&find);
        sheet_ = find.found;
        return sheet_ != NULL || WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
    });
}

SheetRun::~SheetRun()
{
    if (!thread_)
        return;
    if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0 && IsWindow(sheet_))
        PostMessageA(sheet_, WM_COMMAND, IDCANCEL, 0);
    WaitClosed(nullptr, 10000);
    CloseHandle(thread_);
}

HWND SheetRun::Page() const
{
    return (HWND)SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0);
}

HWND SheetRun::Item(int id) const
{
    return GetDlgItem(Page(), id);
}

bool SheetRun::SelectTab(int index) const
{
    return SendMessageA(sheet_, PSM_SETCURSEL, (WPARAM)index, 0) != 0;
}

HWND SheetRun::VisibleButton() const
{
    HWND found = NULL;
    for (HWND child = GetWindow(sheet_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = "";
        GetClassNameA(child, cls, sizeof(cls));
        if (!lstrcmpiA(cls, "Button") && IsWindowVisible(child)) {
            if (found)
                return NULL;   // more than one
            found = child;
        }
    }
    return found;
}

bool SheetRun::WaitClosed(INT_PTR *result, DWORD timeoutMs)
{
    // Pumps: the sheet thread may send to windows of this thread (a parent).
    bool done = th::WaitUntil([this] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; },
                              timeoutMs);
    if (result)
        *result = result_;
    return done;
}

bool SheetRun::Close()
{
    HWND button = VisibleButton();
    if (!button)
        return false;
    Press(button);
    return WaitClosed();
}

void Type(HWND edit, const std::string &text)
{
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (text.empty())
        SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, (WPARAM)(unsigned char)c, 1);
}

std::string Text(HWND window)
{
    char buf[512] = "";
    GetWindowTextA(window, buf, sizeof(buf));
    return buf;
}

void Click(HWND button)
{
    SendMessageA(button, BM_CLICK, 0, 0);
}

void Press(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

static BOOL CALLBACK NeedsPaint(HWND window, LPARAM lParam)
{
    if (GetUpdateRect(window, NULL, FALSE))
        *(bool *)lParam = true;
    return TRUE;
}

bool WaitPainted(HWND window, DWORD timeoutMs)
{
    return th::WaitUntil([window] {
        bool pending = GetUpdateRect(window, NULL, FALSE) != 0;
        EnumChildWindows(window, NeedsPaint, (LPARAM)&pending);
        return !pending;
    }, timeoutMs);
}

// A name or an ordinal of a template: 0 = none, 0xFFFF = ordinal, else text.
static std::string TemplateString(const WORD *&p, bool isClass)
{
    if (*p == 0) {
        p++;
        return "";
    }
    if (*p == 0xFFFF) {
        WORD atom = p[1];
        p += 2;
        static const char *const classes[] = { "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX" };
        if (isClass && atom >= 0x80 && atom <= 0x85)
            return classes[atom - 0x80];
        return "#" + std::to_string(atom);
    }
    std::string out;
    while (*p)
        out += (char)*p++;
    p++;
    return out;
}

DialogTemplate LoadDialogTemplate(HINSTANCE module, const char *name)
{
    DialogTemplate t;
    HRSRC res = FindResourceA(module, name, (LPCSTR)RT_DIALOG);
    const BYTE *base = res ? (const BYTE *)LockResource(LoadResource(module, res)) : NULL;
    if (!base || *(const WORD *)(base + 2) == 0xFFFF)
        return t;   // missing, or the extended form
    const DLGTEMPLATE *dt = (const DLGTEMPLATE *)base;
    t.found = true;
    t.style = dt->style;
    t.exStyle = dt->dwExtendedStyle;
    t.x = dt->x; t.y = dt->y; t.cx = dt->cx; t.cy = dt->cy;
    const WORD *p = (const WORD *)(dt + 1);
    t.menu = TemplateString(p, false);
    t.cls = TemplateString(p, false);
    t.caption = TemplateString(p, false);
    if (t.style & DS_SETFONT) {
        t.pointSize = *p++;
        t.font = TemplateString(p, false);
    }
    for (WORD i = 0; i < dt->cdit; i++) {
        p = (const WORD *)(((UINT_PTR)p + 3) & ~(UINT_PTR)3);
        const DLGITEMTEMPLATE *it = (const DLGITEMTEMPLATE *)p;
        TemplateItem item;
        item.id = it->id;
        item.style = it->style;
        item.exStyle = it->dwExtendedStyle;
        item.x = it->x; item.y = it->y; item.cx = it->cx; item.cy = it->cy;
        p = (const WORD *)(it + 1);
        item.cls = TemplateString(p, true);
        item.text = TemplateString(p, false);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        t.items.push_back(item);
    }
    return t;
}

// key=value lines of section settings, in file order.
static std::vector<std::pair<std::string, std::string>> SettingsLines(const std::string &path)
{
    std::vector<std::pair<std::string, std::string>> out;
    bool inside = false;
    for (std::string line : th::Split(th::ReadFile(path), '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = !lstrcmpiA(line.c_str(), "[settings]");
            continue;
        }
        size_t eq = line.find('=');
        if (inside && eq != std::string::npos)
            out.push_back({ line.substr(0, eq), line.substr(eq + 1) });
    }
    return out;
}

std::map<std::string, std::string> SettingsInFile(const std::string &path)
{
    std::map<std::string, std::string> out;
    for (const auto &kv : SettingsLines(path))
        out[kv.first] = kv.second;
    return out;
}

std::vector<std::string> SettingsKeyOrder(const std::string &path)
{
    std::vector<std::string> out;
    for (const auto &kv : SettingsLines(path))
        out.push_back(kv.first);
    return out;
}

} // namespace st
