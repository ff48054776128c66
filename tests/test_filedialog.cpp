// The favourites button in file dialogs and the favourites menu. The test is
// the host; the dialogs belong to client programs (one of ours, and Wine's
// own notepad), which the hooks reach as they reach any program.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <memory>
#include <string.h>
#include "support/harness.h"
#include "support/png.h"
#include <commctrl.h>
#include <commdlg.h>
#include "core/shared.h"
#include "hooks/dialogkind.h"
#include "hooks/filedialog.h"
#include "hooks/subclass.h"
#include "core/textbuf.h"
#include "hooks/hooks.h"
#include "core/ini_write.h"

using namespace th;

namespace {

const char kClientExe[] = "client_filedlg.exe";
const char kClientSection[] = "client_filedlg";   // the client's ProcessName

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string out;
    for (const std::string &l : lines)
        out += l + "\r\n";
    return out;
}

bool EndsWith(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Folder(const std::string &name)
{
    std::string path = TempPath(name);
    CreateDirectoryA(path.c_str(), NULL);
    return path;
}

// Gives a folder the last-access time of 2001: the next listing of it
// records a new one.
bool SetAccessedLongAgo(const std::string &folder)
{
    HANDLE h = CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    SYSTEMTIME when = { 2001, 1, 1, 1, 0, 0, 0, 0 };
    FILETIME time;
    bool ok = SystemTimeToFileTime(&when, &time) && SetFileTime(h, NULL, &time, NULL);
    CloseHandle(h);
    return ok;
}

struct FileDialogs : ::testing::Test {
    SharedBlock block;
    Module module;
    HostWindow host;
    std::string ini = TempPath("favourites.ini");
    std::string recent = TempPath("favourites.recent");   // the recent list beside it
    std::unique_ptr<Client> client;

    void SetUp() override
    {
        ASSERT_TRUE(module.SetHook) << "brivane.dll not loaded";
        block.settings->hostWindow = host.hwnd();
        block.SetConfigPath(ini);
        Ini("");
        DeleteFileA(recent.c_str());
        ASSERT_TRUE(module.SetHook());
        client.reset(new Client(kClientExe));
        ASSERT_TRUE(client->ok());
    }
    void TearDown() override
    {
        module.UnHook();
        client.reset();
    }

    void Ini(const std::string &text) { ASSERT_TRUE(WriteFile(ini, text)); }

    std::string Call(const std::string &command) { return client->Call(command); }

    std::string Open(const std::string &kind = "open", const std::string &dir = "")
    {
        std::string dialog = Call("open " + kind + (dir.empty() ? "" : " |" + dir + "|"));
        EXPECT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;
        return dialog;
    }

    // The menu the favourites button opens, without the position and
    // without "Open folders", "Recent folders" and "Add this folder", which
    // OpenMenu, RecentMenu and AddMenu give.
    std::string Menu(const std::string &dialog)
    {
        std::string got = Call("favmenu " + dialog);
        got = got.substr(0, got.find(" @"));
        for (const char *sub : { "0:Open folders{", "0:Recent folders{", "0:Add this folder{" }) {
            size_t at = got.find(sub);
            size_t end = got.find("}|", at);
            if (at != std::string::npos && end != std::string::npos)
                got.erase(at, end + 2 - at);
        }
        return got;
    }

    // What "Recent folders" holds.
    std::string RecentMenu(const std::string &dialog)
    {
        std::string got = Call("favmenu " + dialog);
        size_t at = got.find("0:Recent folders{");
        size_t end = got.find("}|", at);
        return at == std::string::npos || end == std::string::npos ? "none in " + got
                                                                   : got.substr(at + 17, end - at - 17);
    }

    // "Add this folder{...}" and what follows it in the menu.
    std::string AddMenu(const std::string &dialog)
    {
        std::string got = Call("favmenu " + dialog);
        got = got.substr(0, got.find(" @"));
        size_t at = got.find("0:Add this folder{");
        return at == std::string::npos ? "none in " + got : got.substr(at + 2);
    }

    // The section as the profile functions read it, lines joined by |.
    std::string Section(const std::string &name)
    {
        char buf[8192];
        DWORD n = GetPrivateProfileSectionA(name.c_str(), buf, sizeof(buf), ini.c_str());
        std::string out;
        for (const char *p = buf; p < buf + n && *p; p += strlen(p) + 1)
            out += (out.empty() ? "" : "|") + std::string(p);
        return out;
    }

    // "id,state,style,image" of the toolbar's last button, and the one before.
    std::vector<std::string> LastButtons(const std::string &dialog)
    {
        std::vector<std::string> fields = Split(Call("toolbar " + dialog), ' ');
        if (fields.size() < 4)
            return { "none", "none" };
        return { fields[fields.size() - 2], fields.back() };
    }

    int ButtonCount(const std::string &dialog)
    {
        std::string got = Call("toolbar " + dialog);
        return got.compare(0, 6, "count=") == 0 ? atoi(got.c_str() + 6) : -1;
    }

    int ImageCount(const std::string &dialog)
    {
        std::string got = Call("toolbar " + dialog);
        size_t at = got.find("images=");
        return at == std::string::npos ? -1 : atoi(got.c_str() + at + 7);
    }

    // The file dialog's folder, case-folded (Wine keeps the case it was given).
    std::string FolderOf(const std::string &dialog)
    {
        std::string f = Call("folder " + dialog);
        CharLowerA(&f[0]);
        return f;
    }
};

std::string Lower(std::string s)
{
    CharLowerA(&s[0]);
    if (!s.empty() && s.back() == '\\')
        s.pop_back();
    return s;
}

std::string RectText(const RECT &r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// "in view" when the favourites button of a dialog of another program lies
// wholly inside its toolbar and inside the dialog's client area; else the
// rectangles. TB_GETRECT's pointer is not carried across processes, so the
// toolbar writes into memory lent in that program.
std::string ButtonInView(HANDLE process, HWND dialog)
{
    HWND toolbar = NULL;
    for (HWND tb = FindWindowExA(dialog, NULL, TOOLBARCLASSNAMEA, NULL); tb && !toolbar;
         tb = FindWindowExA(dialog, tb, TOOLBARCLASSNAMEA, NULL))
        if (SendMessageA(tb, TB_COMMANDTOINDEX, 371, 0) >= 0)
            toolbar = tb;
    if (!toolbar)
        return "no button";
    void *remote = VirtualAllocEx(process, NULL, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return "no memory";
    RECT button = {};
    bool got = SendMessageA(toolbar, TB_GETRECT, 371, (LPARAM)remote) &&
               ReadProcessMemory(process, remote, &button, sizeof(button), NULL);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (!got)
        return "no rectangle";
    RECT bar, client;
    GetClientRect(toolbar, &bar);
    GetClientRect(dialog, &client);
    RECT inDialog = button;
    MapWindowPoints(toolbar, dialog, (POINT *)&inDialog, 2);
    bool inBar = button.left >= 0 && button.top >= 0 && button.right <= bar.right && button.bottom <= bar.bottom;
    bool inClient = inDialog.left >= 0 && inDialog.top >= 0 && inDialog.right <= client.right &&
                    inDialog.bottom <= client.bottom;
    if (inBar && inClient)
        return "in view";
    return "button " + RectText(button) + " of toolbar " + RectText(bar) + "; in dialog " + RectText(inDialog) +
           " of " + RectText(client);
}

void PressKey(WORD key, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
}

// Ctrl+B as real key input to the foreground window.
void PressFavouritesKey()
{
    PressKey(VK_CONTROL, false);
    PressKey(FAVOURITES_KEY, false);
    PressKey(FAVOURITES_KEY, true);
    PressKey(VK_CONTROL, true);
}

void Resize(HWND dialog, int dx, int dy)
{
    RECT r;
    GetWindowRect(dialog, &r);
    SetWindowPos(dialog, NULL, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

// --- the program's name ---------------------------------------------------------

TEST(ProcessName, FromCommandLines)
{
    struct Case { const char *line, *name; };
    const Case cases[] = {
        { "C:\\Tools\\Notepad.exe /a",                           "Notepad" },
        { "\"C:\\Program Files\\My Tool\\tool.exe\" -x \"a b\"", "tool" },
        { "\"C:\\Program Files\\My Tool\\tool.exe\"",             "tool" },
        { "notepad.exe",                                         "notepad" },
        { "notepad",                                             "notepad" },
        { "C:\\dots.in.dir\\my.prog.exe arg.txt",                "my.prog" },
        { "\\\\server\\share\\prog.com",                          "prog" },
        { "",                                                    "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        char line[300];
        lstrcpyA(line, c.line);
        char out[PROCESS_NAME_CAPACITY];
        memset(out, 0xcc, sizeof(out));
        size_t n = ProcessNameFromCommandLine(line, out, COUNTOF(out));
        EXPECT_STREQ(out, c.name);
        EXPECT_EQ(n, strlen(c.name));
        EXPECT_STREQ(line, c.line) << "the command line itself is left alone";
    }
}

TEST(ProcessName, LongAndOddCommandLinesStayInTheirBuffers)
{
    struct Case { std::string line, name; };
    const std::string longArgs(32767 - 20, 'x');
    const std::string longPath(32767 - 8, 'p');
    const Case cases[] = {
        { "C:\\a\\prog.exe " + longArgs,                "prog" },
        { "\"C:\\a b\\prog.exe\" \"" + longArgs,         "prog" },
        // One blank-free path far longer than any real one: the name is
        // cut, never written past the field.
        { "C:\\" + longPath + ".exe",                   std::string(259, 'p') },
        { "\"C:\\" + longPath,                          std::string(259, 'p') },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.substr(0, 30));
        ASSERT_LE(c.line.size(), 32767u);
        struct { char out[PROCESS_NAME_CAPACITY]; char guard[16]; } buf;
        memset(&buf, 0xcc, sizeof(buf));
        size_t n = ProcessNameFromCommandLine(c.line.c_str(), buf.out, COUNTOF(buf.out));
        EXPECT_LT(n, (size_t)PROCESS_NAME_CAPACITY);
        EXPECT_EQ(strlen(buf.out), n);
        EXPECT_EQ(std::string(buf.out).substr(0, c.name.size()), c.name.substr(0, n));
        if (c.name.size() < 259) {
            EXPECT_STREQ(buf.out, c.name.c_str());
        }
        for (char g : buf.guard)
            EXPECT_EQ((unsigned char)g, 0xcc);
    }

    // Exact fit and one too small.
    char small[8];
    memset(small, 0xcc, sizeof(small));
    EXPECT_EQ(ProcessNameFromCommandLine("C:\\Notepad.exe", small, 8), 7u);
    EXPECT_STREQ(small, "Notepad");
    memset(small, 0xcc, sizeof(small));
    EXPECT_EQ(ProcessNameFromCommandLine("C:\\Notepad.exe", small, 7), 6u);
    EXPECT_STREQ(small, "Notepa");
    EXPECT_EQ((unsigned char)small[7], 0xcc);
    EXPECT_EQ(ProcessNameFromCommandLine("C:\\Notepad.exe", small, 0), 0u);
    EXPECT_EQ((unsigned char)small[7], 0xcc);
}

// --- the hook's cost -----------------------------------------------------------------

TEST(DialogHook, EveryOtherMessageCostsAlmostNothing)
{
    // The hook runs for every message of every program; only WM_INITDIALOG
    // of a dialog may do real work, and nothing may read the file per message.
    SharedBlock block;
    ModuleAttach(GetModuleHandleA(NULL));
    std::string ini = TempPath("cost.ini");
    ASSERT_TRUE(WriteFile(ini, "[exception]\r\ntest_filedialog=1\r\n"));
    block.SetConfigPath(ini);
    HWND plain = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(plain);
    // Under Wine handing on with CallNextHookEx alone costs microseconds;
    // a profile read costs over a millisecond. The bound tells them apart.
    struct Case { const char *what; UINT msg; bool hook; };
    const Case cases[] = {
        { "CallNextHookEx alone",          WM_SETTEXT,    false },
        { "any other message",             WM_SETTEXT,    true },
        { "WM_INITDIALOG of a non-dialog", WM_INITDIALOG, true },
    };
    const int calls = 20000;
    for (const Case &c : cases) {
        CWPRETSTRUCT ret = { 0, 0, 0, c.msg, plain };
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < calls; i++) {
            if (c.hook)
                DialogHookProc(HC_ACTION, 0, (LPARAM)&ret);
            else
                CallNextHookEx(NULL, HC_ACTION, 0, (LPARAM)&ret);
        }
        QueryPerformanceCounter(&t1);
        double us = (double)(t1.QuadPart - t0.QuadPart) * 1e6 / (double)f.QuadPart / calls;
        printf("  %s: %.2f us per call\n", c.what, us);
        EXPECT_LT(us, 200.0) << c.what;
    }
    DestroyWindow(plain);
}

// --- recognition and the button ---------------------------------------------

TEST_F(FileDialogs, OpenAndSaveDialogsGetSeparatorAndButtonLast)
{
    // The same dialog without our hooks, for the count it starts with.
    ASSERT_TRUE(module.UnHook());
    Client plain(kClientExe);
    std::string before = plain.Call("open open");
    std::string plainBar = plain.Call("toolbar " + before);
    int own = atoi(plainBar.c_str() + 6);
    ASSERT_GT(own, 0) << plainBar;
    ASSERT_EQ(plain.Call("close " + before), "cancelled");
    ASSERT_TRUE(module.SetHook());

    for (const char *kind : { "open", "save" }) {
        SCOPED_TRACE(kind);
        std::string dialog = Open(kind);
        EXPECT_EQ(ButtonCount(dialog), own + 2);
        std::vector<std::string> last = LastButtons(dialog);
        EXPECT_EQ(last[0], "0,4,1,0");                      // enabled separator
        // Enabled plain button showing the image appended last.
        EXPECT_EQ(last[1], "371,4,0," + std::to_string(ImageCount(dialog) - 1));
        EXPECT_EQ(Call("tip " + dialog), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
        EXPECT_EQ(Call("subclassed " + dialog), "yes");
        EXPECT_EQ(ButtonInView(client->process(), StrHwnd(dialog)), "in view");
        SaveWindowPng(StrHwnd(dialog), ArtifactPath(std::string("file_dialog_") + kind + ".png"));
        EXPECT_EQ(Call("close " + dialog), "cancelled");
    }
}

TEST_F(FileDialogs, DialogsWithoutTheFileDialogControlsAreLeftAlone)
{
    std::string box = Call("msgbox");
    ASSERT_NE(StrHwnd(box), (HWND)NULL);
    EXPECT_EQ(Call("subclassed " + box), "no");

    struct Case { const char *layout; const char *what; };
    const Case cases[] = {
        { "0 1 1 1",     "no toolbar" },
        { "1184 1 1 1",  "toolbar with another id" },
        { "1088 0 0 1",  "neither edit nor combo box" },
        { "1088 1 1 0",  "no OK button" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string dialog = Call(std::string("fake ") + c.layout);
        ASSERT_NE(StrHwnd(dialog), (HWND)NULL);
        EXPECT_EQ(Call("subclassed " + dialog), "no");
        if (c.layout[0] != '0') {
            EXPECT_EQ(ButtonCount(dialog), 1);
        }
        Call("close " + dialog);
    }
}

TEST_F(FileDialogs, DialogsOfOurOwnWithComboOrEditOnlyAreAugmented)
{
    struct Case { const char *layout; const char *what; };
    const Case cases[] = {
        { "1088 0 1 1",   "combo box only" },
        { "1088 1 0 1",   "edit only" },
        { "1 1 0 1",      "toolbar id 1" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string dialog = Call(std::string("fake ") + c.layout);
        ASSERT_NE(StrHwnd(dialog), (HWND)NULL);
        EXPECT_EQ(ButtonCount(dialog), 3);
        std::vector<std::string> last = LastButtons(dialog);
        EXPECT_EQ(last[0], "0,4,1,0");
        EXPECT_EQ(last[1], "371,4,0,1");
        EXPECT_EQ(Menu(dialog), "1279:Brivane");
        Call("close " + dialog);
    }
}

TEST_F(FileDialogs, ToolbarWithoutImageListGetsTheButtonWithoutImage)
{
    std::string dialog = Call("fake 1088 1 1 1 0");
    ASSERT_NE(StrHwnd(dialog), (HWND)NULL);
    std::vector<std::string> last = LastButtons(dialog);
    EXPECT_EQ(last[1], "371,4,0,-2");   // I_IMAGENONE
    EXPECT_EQ(Call("tip " + dialog), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
    EXPECT_EQ(Menu(dialog), "1279:Brivane");
    EXPECT_EQ(Call("ping"), "pong");
}

TEST_F(FileDialogs, TooltipOfAUnicodeDialogIsBrivaneToo)
{
    std::string dialog = Call("fake 1088 1 1 1 1 1");
    ASSERT_NE(StrHwnd(dialog), (HWND)NULL);
    EXPECT_EQ(LastButtons(dialog)[1].compare(0, 4, "371,"), 0);
    EXPECT_EQ(Call("tip " + dialog), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
    Call("close " + dialog);
}

TEST_F(FileDialogs, ExceptionValueOneAloneRemovesTheButton)
{
    struct Case { const char *line; bool button; };
    const Case cases[] = {
        { "client_filedlg=1", false },
        { "CLIENT_FILEDLG=1", false },   // profile keys ignore case
        { "client_filedlg=2", true },
        { "client_filedlg=0", true },
        { "other=1",          true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        Ini(Lines({ "[exception]", c.line }));
        for (const char *how : { "open open", "itemopen open", "windowsshape" }) {
            SCOPED_TRACE(how);
            std::string dialog = Call(how);
            if (strcmp(how, "windowsshape") == 0)
                EXPECT_EQ(Call("pushbutton " + dialog) != "none", c.button);
            else
                EXPECT_EQ(LastButtons(dialog)[1].compare(0, 4, "371,") == 0, c.button);
            EXPECT_EQ(Call("subclassed " + dialog), c.button ? "yes" : "no");
            Call("close " + dialog);
        }
    }
}

TEST_F(FileDialogs, DialogOfAnotherProcessIsNotTouched)
{
    // The hook body, run here on the client's dialog, as happens when a
    // 32-bit module serves a 64-bit program's hook in the host's process.
    ModuleAttach(GetModuleHandleA(NULL));
    std::string dialog = Open();
    int count = ButtonCount(dialog);
    EXPECT_FALSE(AugmentFileDialog(StrHwnd(dialog)));
    EXPECT_EQ(ButtonCount(dialog), count);
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

// --- the menu -----------------------------------------------------------------

TEST_F(FileDialogs, MenuContentAndIds)
{
    std::string dialog = Open();
    const std::string P = std::string("[") + kClientSection + "]";
    struct Case { const char *what; std::string ini, menu; };
    const Case cases[] = {
        { "both sections empty", "", "1279:Brivane" },
        { "only global",
          Lines({ "[global]", "name1=A", "path1=C:\\a", "name2=B", "path2=C:\\b", "name3=C", "path3=C:\\c" }),
          "1281:A|1282:B|1283:C|-|1279:Brivane" },
        { "program section first, then global",
          Lines({ "[global]", "name1=G", "path1=C:\\g", P, "name1=P1", "path1=C:\\p", "name2=P2", "path2=C:\\q" }),
          "1793:P1|1794:P2|-|1281:G|-|1279:Brivane" },
        { "only the program section",
          Lines({ P, "name1=P1", "path1=C:\\p" }),
          "1793:P1|-|1279:Brivane" },
        { "submenus two deep",
          Lines({ "[global]", "name1=Top", "path1=C:\\t", "name2=-Media", "name3=Music", "path3=C:\\m",
                  "name4=-Deep", "name5=Inner", "path5=C:\\i", "name6=--", "name7=--", "name8=After",
                  "path8=C:\\z" }),
          "1281:Top|1282:Media{1283:Music|1284:Deep{1285:Inner}}|1288:After|-|1279:Brivane" },
        { "empty submenu",
          Lines({ "[global]", "name1=-Empty", "name2=--", "name3=X", "path3=C:\\x" }),
          "1281:Empty{}|1283:X|-|1279:Brivane" },
        { "top-level closer cuts the section",
          Lines({ "[global]", "name1=A", "path1=C:\\a", "name2=--", "name3=B", "path3=C:\\b" }),
          "1281:A|-|1279:Brivane" },
        { "submenu left open at the end",
          Lines({ "[global]", "name1=-Open", "name2=Inside", "path2=C:\\i" }),
          "1281:Open{1282:Inside}|-|1279:Brivane" },
        { "name1 missing while name2 exists",
          Lines({ "[global]", "name2=B", "path2=C:\\b", P, "path1=C:\\p", "name2=P2" }),
          "1279:Brivane" },
        { "sections that start with a closer show no entries, only their separators",
          Lines({ "[global]", "name1=--", "name2=A", "path2=C:\\a", P, "name1=--", "name2=B" }),
          "-|-|1279:Brivane" },
        { "an empty name ends the section",
          Lines({ "[global]", "name1=A", "name2=", "name3=C" }),
          "1281:A|-|1279:Brivane" },
    };
    // Each case rewrites the file under the open dialog: nothing is cached.
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Ini(c.ini);
        EXPECT_EQ(Menu(dialog), c.menu);
    }
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

TEST_F(FileDialogs, MenuOpensUnderTheButtonByClickAndByCommand)
{
    // A menu as a user's might be, also for the picture in the README.
    Ini(Lines({ "[global]", "name1=Projects", "path1=C:\\", "name2=-Media", "name3=Music", "path3=C:\\",
                "name4=--", std::string("[") + kClientSection + "]", "name1=Reports", "path1=C:\\" }));
    std::string documents = Folder("Documents");
    for (const char *name : { "Letter.txt", "Notes.txt", "Plan.txt" })
        WriteFile(documents + "\\" + name, "");
    std::string dialog = Open("open", documents);
    for (const char *how : { " shot file-dialog-menu.png", " command" }) {
        SCOPED_TRACE(how);
        std::string got = Call("favmenu " + dialog + how);
        size_t at = got.find(" @");
        ASSERT_NE(at, std::string::npos) << got;
        std::vector<std::string> pos = Split(got.substr(at + 2), ' ');
        ASSERT_EQ(pos.size(), 3u) << got;
        EXPECT_EQ(pos[0], pos[2]) << "menu at toolbar left + button left, toolbar bottom";
    }
}

TEST_F(FileDialogs, GlobalEntriesFrom512OnGetProgramIds)
{
    std::string text = "[global]\r\n";
    for (int n = 1; n <= 512; n++)
        text += "name" + std::to_string(n) + "=E" + std::to_string(n) + "\r\n";
    Ini(text);
    std::string dialog = Open();
    std::string menu = Menu(dialog);
    EXPECT_NE(menu.find("|1791:E511|"), std::string::npos);
    EXPECT_TRUE(EndsWith(menu, "|1792:E512|-|1279:Brivane")) << menu.substr(menu.size() > 60 ? menu.size() - 60 : 0);
}

TEST_F(FileDialogs, SubmenusNestedTooDeepStayEmptyAndTheRestFollows)
{
    // A file of nothing but openers must not run the program's stack out;
    // what follows the closers still shows with its own id.
    std::string text = "[global]\r\n";
    int n = 1;
    for (int i = 0; i < 40; i++, n++)
        text += "name" + std::to_string(n) + "=-L" + std::to_string(i + 1) + "\r\n";
    text += "name" + std::to_string(n++) + "=Deep\r\n";
    for (int i = 0; i < 40; i++, n++)
        text += "name" + std::to_string(n) + "=--\r\n";
    text += "name" + std::to_string(n) + "=After\r\n";
    Ini(text);
    std::string dialog = Open();
    std::string menu = Menu(dialog);
    EXPECT_TRUE(EndsWith(menu, "|" + std::to_string(1280 + n) + ":After|-|1279:Brivane"));
    EXPECT_EQ(std::count(menu.begin(), menu.end(), '{'), 33);
    EXPECT_EQ(menu.find("Deep"), std::string::npos);
    EXPECT_EQ(Call("ping"), "pong");
}

// --- choosing entries ---------------------------------------------------------

TEST_F(FileDialogs, ChosenEntryNavigatesAndPutsTheFileNameBack)
{
    std::string start = Folder("start"), a = Folder("fav a"), b = Folder("fav b");
    Ini(Lines({ "[global]", "name1=A", "path1=" + a, "name2=No path",
                std::string("[") + kClientSection + "]", "name1=B", "path1=" + b }));
    for (const char *kind : { "open", "save" }) {
        SCOPED_TRACE(kind);
        std::string dialog = Open(kind, start);
        ASSERT_EQ(FolderOf(dialog), Lower(start));
        ASSERT_EQ(Call("field " + dialog + " keep.txt"), "keep.txt");

        Call("command " + dialog + " 1281");
        EXPECT_EQ(FolderOf(dialog), Lower(a));
        EXPECT_EQ(Call("field " + dialog), "keep.txt");

        Call("command " + dialog + " 1793");
        EXPECT_EQ(FolderOf(dialog), Lower(b));
        EXPECT_EQ(Call("field " + dialog), "keep.txt");

        // Picked from the menu itself with the keyboard: B (the program's
        // entry) comes first, then A (the keys skip the separator).
        Call("command " + dialog + " 1281");
        ASSERT_EQ(Call("favpick " + dialog + " 1"), "picked");
        EXPECT_EQ(FolderOf(dialog), Lower(b));
        ASSERT_EQ(Call("favpick " + dialog + " 2"), "picked");
        EXPECT_EQ(FolderOf(dialog), Lower(a));
        Call("command " + dialog + " 1793");
        EXPECT_EQ(Call("field " + dialog), "keep.txt");

        // No path, no program entry 5, an unrelated id: nothing happens.
        for (const char *id : { "1282", "1797", "1000" }) {
            Call("command " + dialog + " " + id);
            EXPECT_EQ(FolderOf(dialog), Lower(b)) << id;
            EXPECT_EQ(Call("field " + dialog), "keep.txt") << id;
        }
        EXPECT_EQ(Call("ended " + dialog), "running");
        EXPECT_EQ(Call("close " + dialog), "cancelled");
    }
}

TEST_F(FileDialogs, ChoiceTypesThePathFocusesTheFieldPressesOkAndRestores)
{
    // A dialog of our own shows what the dialog itself gets to see.
    std::string text = "[global]\r\n";
    for (int n = 1; n <= 20; n++)
        text += "name" + std::to_string(n) + "=E" + std::to_string(n) + "\r\npath" + std::to_string(n) +
                "=C:\\fav" + std::to_string(n) + "\r\n";
    Ini(text);
    for (const char *layout : { "1088 0 1 1", "1088 1 0 1", "1088 1 1 1" }) {
        SCOPED_TRACE(layout);
        std::string dialog = Call(std::string("fake ") + layout);
        Call("field " + dialog + " before.txt");
        Call("command " + dialog + " 1300 1");    // a notification: only passed on
        Call("command " + dialog + " 1300");
        EXPECT_EQ(Call("fakelog " + dialog), "1300.1 1.0=C:\\fav20 1300.0");
        EXPECT_EQ(Call("field " + dialog), "before.txt");
        Call("close " + dialog);
    }
}

TEST_F(FileDialogs, NotificationWithEntryIdDoesNotNavigate)
{
    std::string start = Folder("start"), target = Folder("twentieth");
    std::string text = "[global]\r\n";
    for (int n = 1; n <= 20; n++)
        text += "name" + std::to_string(n) + "=E\r\npath" + std::to_string(n) + "=" + target + "\r\n";
    Ini(text);
    std::string dialog = Open("open", start);
    Call("command " + dialog + " 1300 1");
    EXPECT_EQ(FolderOf(dialog), Lower(start));
    Call("command " + dialog + " 1300 0");
    EXPECT_EQ(FolderOf(dialog), Lower(target));
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

TEST_F(FileDialogs, LastItemOpensTheConfigurationSheetOverTheDialog)
{
    std::string dialog = Open();
    ASSERT_TRUE(PostMessageA(StrHwnd(dialog), WM_COMMAND, 1279, 0));
    HWND sheet = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        HWND w = FindTopWindow(client->pid(), "#32770", NULL);
        for (; w; w = FindWindowExA(NULL, w, "#32770", NULL))
            if (GetWindow(w, GW_OWNER) == StrHwnd(dialog) && IsWindowVisible(w))
                return (sheet = w) != NULL;
        return false;
    }));
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet) || !IsWindowVisible(sheet); }));
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

// --- several dialogs, unhooking -------------------------------------------------

TEST_F(FileDialogs, TwoDialogsAtOnceEachActOnTheirOwnControls)
{
    std::string x = Folder("x"), y = Folder("y"), z = Folder("z"), w = Folder("w");
    Ini(Lines({ "[global]", "name1=Z", "path1=" + z, "name2=W", "path2=" + w }));
    std::string first = Open("open", x);
    std::string second = Open("save", y);
    ASSERT_NE(first, second);
    Call("field " + first + " first.txt");
    Call("field " + second + " second.txt");

    Call("command " + first + " 1281");
    EXPECT_EQ(FolderOf(first), Lower(z));
    EXPECT_EQ(FolderOf(second), Lower(y));
    EXPECT_EQ(Call("field " + first), "first.txt");
    EXPECT_EQ(Call("field " + second), "second.txt");

    Call("command " + second + " 1282");
    EXPECT_EQ(FolderOf(second), Lower(w));
    EXPECT_EQ(FolderOf(first), Lower(z));

    EXPECT_EQ(Menu(first), "1281:Z|1282:W|-|1279:Brivane");
    EXPECT_EQ(Call("close " + first), "cancelled");
    // The one opened last keeps working after the other is gone.
    EXPECT_EQ(Menu(second), "1281:Z|1282:W|-|1279:Brivane");
    Call("command " + second + " 1281");
    EXPECT_EQ(FolderOf(second), Lower(z));
    EXPECT_EQ(Call("close " + second), "cancelled");
}

TEST_F(FileDialogs, TwoDialogsAtOnceEachPassOnToTheirOwnPreviousProcedure)
{
    // Each dialog was subclassed by its program before the module saw it,
    // with a procedure of its own; messages must reach that one.
    std::string one = Call("fake 1088 1 1 1 1 0 1");
    std::string two = Call("fake 1088 1 1 1 1 1 2");
    ASSERT_EQ(Call("subclassed " + one), "yes");
    ASSERT_EQ(LastButtons(one)[1].compare(0, 4, "371,"), 0);
    ASSERT_EQ(LastButtons(two)[1].compare(0, 4, "371,"), 0);
    Call("command " + one + " 1000");
    Call("command " + two + " 1000");
    Call("command " + one + " 1000");
    EXPECT_EQ(Call("fakelog " + one), "own1 1000.0 own1 1000.0");
    EXPECT_EQ(Call("fakelog " + two), "own2 1000.0");
    EXPECT_EQ(Call("tip " + one), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
    EXPECT_EQ(Call("tip " + two), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
    Call("close " + two);
    Call("command " + one + " 1000");
    EXPECT_EQ(Call("fakelog " + one), "own1 1000.0 own1 1000.0 own1 1000.0");
    Call("close " + one);
}

TEST_F(FileDialogs, PreviousProcedureIsNotWhereOtherProgramsCanWriteIt)
{
    // Any program on the desktop can set a property on any window; the
    // name the module once kept the procedure under must not steer it.
    std::string start = Folder("start"), a = Folder("fav a");
    Ini(Lines({ "[global]", "name1=A", "path1=" + a }));
    std::string dialog = Open("open", start);
    std::string own = Call("fake 1088 1 1 1 1 0 1");
    for (HANDLE value : { (HANDLE)0x41414141, (HANDLE)NULL }) {
        SCOPED_TRACE(value ? "overwritten" : "removed");
        for (const std::string &d : { dialog, own }) {
            if (value)
                ASSERT_TRUE(SetPropA(StrHwnd(d), "Brivane.PreviousProc", value));
            else
                RemovePropA(StrHwnd(d), "Brivane.PreviousProc");
            ASSERT_EQ(GetPropA(StrHwnd(d), "Brivane.PreviousProc"), value);
        }
        Call("command " + own + " 1000");
        EXPECT_EQ(Call("fakelog " + own), value ? "own1 1000.0" : "own1 1000.0 own1 1000.0");
        EXPECT_EQ(Menu(dialog), "1281:A|-|1279:Brivane");
        Call("field " + dialog + " keep.txt");
        Call("command " + dialog + " 1281");
        EXPECT_EQ(FolderOf(dialog), Lower(a));
        EXPECT_EQ(Call("field " + dialog), "keep.txt");
        Call("command " + dialog + " 1000");
        EXPECT_EQ(Call("ping"), "pong");
    }
    EXPECT_EQ(Call("close " + own), "running");
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    EXPECT_EQ(WaitForSingleObject(client->process(), 0), (DWORD)WAIT_TIMEOUT);
}

TEST_F(FileDialogs, DialogsBeyondTheTableAreLeftAloneAndClosedOnesFreeTheirPlace)
{
    std::vector<std::string> open;
    for (int i = 0; i < SUBCLASS_SLOTS; i++) {
        open.push_back(Call("fake 1088 1 1 1"));
        ASSERT_EQ(Call("subclassed " + open.back()), "yes") << i;
    }
    // One more than the table holds: no button, and it works as before.
    std::string extra = Call("fake 1088 1 1 1");
    EXPECT_EQ(Call("subclassed " + extra), "no");
    EXPECT_EQ(ButtonCount(extra), 1);
    Call("command " + extra + " 1000");
    EXPECT_EQ(Call("fakelog " + extra), "1000.0");
    Call("close " + extra);

    // Each closed dialog gives its place back, over and over.
    for (int round = 0; round < 2 * SUBCLASS_SLOTS; round++) {
        Call("close " + open[round % SUBCLASS_SLOTS]);
        open[round % SUBCLASS_SLOTS] = Call("fake 1088 1 1 1");
        ASSERT_EQ(Call("subclassed " + open[round % SUBCLASS_SLOTS]), "yes") << round;
    }
    std::string last = open.back();
    EXPECT_EQ(LastButtons(last)[1].compare(0, 4, "371,"), 0);
    Call("command " + last + " 1000");
    EXPECT_EQ(Call("fakelog " + last), "1000.0");
    for (const std::string &d : open)
        Call("close " + d);
}

TEST_F(FileDialogs, UnHookWhileADialogIsOpenLeavesItWorking)
{
    std::string start = Folder("start"), a = Folder("after unhook");
    Ini(Lines({ "[global]", "name1=A", "path1=" + a }));
    std::string dialog = Open("open", start);
    ASSERT_EQ(LastButtons(dialog)[1].compare(0, 4, "371,"), 0);
    ASSERT_TRUE(module.UnHook());

    // The hooks are gone from the client once a new dialog comes up plain.
    ASSERT_TRUE(WaitUntil([&] {
        std::string probe = Open();
        bool plain = LastButtons(probe)[1].compare(0, 4, "371,") != 0;
        Call("close " + probe);
        return plain;
    }, 5000));

    // The system may now unload the module from the client; it stays, as
    // the open dialog still runs its code.
    EXPECT_EQ(Call("unloadmodule"), "loaded");

    EXPECT_EQ(Menu(dialog), "1281:A|-|1279:Brivane");
    Call("field " + dialog + " keep.txt");
    Call("command " + dialog + " 1281");
    EXPECT_EQ(FolderOf(dialog), Lower(a));
    EXPECT_EQ(Call("field " + dialog), "keep.txt");
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    EXPECT_EQ(Call("ping"), "pong");
    EXPECT_EQ(WaitForSingleObject(client->process(), 0), (DWORD)WAIT_TIMEOUT);
}

// --- paths in the shared block that are not to be used -------------------------

TEST_F(FileDialogs, PathsNotToUseGiveTheButtonAndNoFileIsRead)
{
    // Files that would remove the button if they were read: one where the
    // profile functions look for a bare name (the Windows folder), one in
    // the client's current folder, one reached through the device namespace.
    const std::string exclude = Lines({ "[exception]", "client_filedlg=1" });
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string inWindows = std::string(windows) + "\\rel-exclude.ini";
    ASSERT_TRUE(WriteFile(inWindows, exclude));
    ASSERT_TRUE(WriteFile(ExeDir() + "rel-exclude.ini", exclude));
    ASSERT_TRUE(WriteFile(ini, exclude));
    struct Case { const char *what; std::string path; } cases[] = {
        // A single long name with a ':' once overran the profile functions'
        // stack buffer inside the hooked program, which died.
        { "300 A then :x", std::string(300, 'A') + ":x" },
        { "600 A then :x", std::string(600, 'A') + ":x" },
        { "2,000 A then :x", std::string(2000, 'A') + ":x" },
        { "relative", "rel-exclude.ini" },
        { "drive-relative", "C:rel-exclude.ini" },
        { "device namespace", "\\\\?\\" + ini },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        block.SetConfigPath(c.path);
        std::string dialog = Open();
        // The button is there (the exclusion was not read) and the program
        // lives to close its dialog.
        EXPECT_EQ(LastButtons(dialog)[1].compare(0, 4, "371,"), 0) << "no button";
        EXPECT_EQ(Call("close " + dialog), "cancelled");
    }
    DeleteFileA((ExeDir() + "rel-exclude.ini").c_str());
    DeleteFileA(inWindows.c_str());
}

// --- a program nobody here wrote ---------------------------------------------------

TEST_F(FileDialogs, WineNotepadOpenDialogShowsTheButtonAndItsEntries)
{
    std::string file = TempPath("from favourites.txt");
    ASSERT_TRUE(WriteFile(file, "hello"));
    Ini(Lines({ "[notepad]", "name1=File", "path1=" + file }));
    DWORD pid = 0;
    HANDLE process = Start("notepad.exe", &pid);
    ASSERT_TRUE(process);
    struct Ender {
        HANDLE h;
        ~Ender() { TerminateProcess(h, 0); WaitForSingleObject(h, 5000); CloseHandle(h); }
    } ender{ process };

    HWND main = WaitForProcessWindow(pid, "Notepad", NULL);
    ASSERT_TRUE(main);
    ASSERT_TRUE(PostMessageA(main, WM_COMMAND, 257, 0));   // File > Open
    HWND dialog = WaitForProcessWindow(pid, "#32770", NULL);
    ASSERT_TRUE(dialog);
    HWND toolbar = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        toolbar = FindWindowExA(dialog, NULL, "ToolbarWindow32", NULL);
        return toolbar && SendMessageA(toolbar, TB_COMMANDTOINDEX, 371, 0) >= 0;
    }));
    // Pointer-free questions work across processes.
    LRESULT count = SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    EXPECT_EQ(SendMessageA(toolbar, TB_COMMANDTOINDEX, 371, 0), count - 1);
    EXPECT_EQ(SendMessageA(toolbar, TB_GETSTATE, 371, 0), TBSTATE_ENABLED);

    // Notepad's own section: entry 1 is a file, so the dialog opens it.
    ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, 1793, 0));
    char title[256] = "";
    EXPECT_TRUE(WaitUntil([&] {
        GetWindowTextA(main, title, sizeof(title));
        return strstr(title, "from favourites") != NULL;
    })) << title;
}

// --- the button in full view ------------------------------------------------------

TEST_F(FileDialogs, ClassicButtonStaysInViewInProgramsNobodyHereWrote)
{
    // Wine's notepad: a toolbar widened by too little cut the button off.
    // WordPad's dialog is resizable and its toolbar reaches past the
    // client area's edge before any button is added.
    struct Case { const char *what, *line, *mainClass; UINT openCommand; };
    const Case cases[] = {
        { "notepad", "notepad.exe", "Notepad", 257 },
        { "wordpad", "\"C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe\"", "WORDPADTOP", 1001 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DWORD pid = 0;
        HANDLE process = Start(c.line, &pid);
        ASSERT_TRUE(process);
        struct Ender {
            HANDLE h;
            ~Ender() { TerminateProcess(h, 0); WaitForSingleObject(h, 5000); CloseHandle(h); }
        } ender{ process };
        HWND main = WaitForProcessWindow(pid, c.mainClass, NULL);
        ASSERT_TRUE(main);
        ASSERT_TRUE(PostMessageA(main, WM_COMMAND, c.openCommand, 0));
        HWND dialog = WaitForProcessWindow(pid, "#32770", NULL);
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(WaitUntil([&] { return ButtonInView(process, dialog) != "no button"; }));
        EXPECT_EQ(ButtonInView(process, dialog), "in view") << "at first";
        SaveWindowPng(dialog, ArtifactPath(std::string("classic_") + c.what + ".png"));
        const struct { int dx, dy; } steps[] = { { 200, 100 }, { -200, -100 }, { -80, -40 }, { 300, 0 } };
        for (const auto &step : steps) {
            Resize(dialog, step.dx, step.dy);
            EXPECT_EQ(ButtonInView(process, dialog), "in view") << "after resizing by " << step.dx;
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// --- the Common Item Dialog ---------------------------------------------------------

TEST_F(FileDialogs, ItemDialogsGetTheButtonOnTheirNavigationToolbar)
{
    for (const char *kind : { "open", "save" }) {
        SCOPED_TRACE(kind);
        std::string dialog = Call(std::string("itemopen ") + kind);
        ASSERT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;
        EXPECT_EQ(Call("subclassed " + dialog), "yes");
        std::vector<std::string> last = LastButtons(dialog);
        EXPECT_EQ(last[0], "0,4,1,0");
        EXPECT_EQ(last[1], "371,4,0," + std::to_string(ImageCount(dialog) - 1));
        EXPECT_EQ(Call("tip " + dialog), "Brivane (Ctrl+B)|Brivane (Ctrl+B)|Brivane (Ctrl+B)");
        EXPECT_EQ(Call("pushbutton " + dialog), "none");
        // The item dialog's folder comes from the browser of its view.
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277:to all programs|1278:to client_filedlg}|1279:Brivane");
        EXPECT_EQ(ButtonInView(client->process(), StrHwnd(dialog)), "in view");
        // The key opens the menu here too.
        SetForegroundWindow(StrHwnd(dialog));
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == StrHwnd(dialog); }));
        PressFavouritesKey();
        HWND popup = NULL;
        EXPECT_TRUE(WaitUntil([&] {
            popup = FindTopWindow(client->pid(), "#32768", NULL);
            return popup && IsWindowVisible(popup);
        }, 5000)) << "no menu from the key";
        PressKey(VK_ESCAPE, false);
        PressKey(VK_ESCAPE, true);
        EXPECT_TRUE(WaitUntil([&] { return !popup || !IsWindowVisible(popup); }));
        Call("resize " + dialog + " -120 -60");
        EXPECT_EQ(ButtonInView(client->process(), StrHwnd(dialog)), "in view");
        SaveWindowPng(StrHwnd(dialog), ArtifactPath(std::string("item_dialog_") + kind + ".png"));
        EXPECT_EQ(Call("close " + dialog), "cancelled");
    }
}

TEST_F(FileDialogs, ItemDialogMenuNavigatesAndPutsTheFileNameBack)
{
    std::string start = Folder("start"), a = Folder("fav a"), b = Folder("fav b");
    std::string file = TempPath("chosen by favourite.txt");
    ASSERT_TRUE(WriteFile(file, "x"));
    for (const char *kind : { "open", "save" }) {
        SCOPED_TRACE(kind);
        Ini(Lines({ "[global]", "name1=A", "path1=" + a, "name2=No path", "name3=File", "path3=" + file,
                    std::string("[") + kClientSection + "]", "name1=B", "path1=" + b }));
        std::string dialog = Call(std::string("itemopen ") + kind + " |" + start + "|");
        ASSERT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(start); }));
        EXPECT_EQ(Menu(dialog), "1793:B|-|1281:A|1282:No path|1283:File|-|1279:Brivane");
        ASSERT_EQ(Call("field " + dialog + " keep.txt"), "keep.txt");

        // From the menu with the keyboard: B comes first.
        ASSERT_EQ(Call("favpick " + dialog + " 1 command"), "picked");
        EXPECT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(b); }, 3000))
            << Call("folder " + dialog);
        EXPECT_EQ(Call("field " + dialog), "keep.txt");

        Call("command " + dialog + " 1281");
        EXPECT_EQ(Lower(Call("folder " + dialog)), Lower(a));
        EXPECT_EQ(Call("field " + dialog), "keep.txt");
        // Added from here to the program's section, once.
        Call("command " + dialog + " 1278");
        EXPECT_EQ(Section(kClientSection), "name1=B|path1=" + b + "|name2=fav a|path2=" + a);

        for (const char *id : { "1282", "1797", "1000" }) {
            Call("command " + dialog + " " + id);
            EXPECT_EQ(Lower(Call("folder " + dialog)), Lower(a)) << id;
            EXPECT_EQ(Call("field " + dialog), "keep.txt") << id;
        }
        EXPECT_EQ(Call("ended " + dialog), "running");
        if (strcmp(kind, "open") == 0) {
            // A file's path is chosen, as if typed.
            Call("command " + dialog + " 1283");
            EXPECT_EQ(Lower(Call("close " + dialog)), Lower("chosen " + file));
        } else {
            EXPECT_EQ(Call("close " + dialog), "cancelled");
        }
    }
}

TEST_F(FileDialogs, WindowsShapedItemDialogGetsAPushButtonBesideOpen)
{
    // Built from a template with Windows' classes and ids: the file-name
    // edit deep in the view, no toolbar of the dialog's own to extend.
    std::string a = Folder("fav a"), b = Folder("fav b");
    Ini(Lines({ "[global]", "name1=A", "path1=" + a, std::string("[") + kClientSection + "]", "name1=B",
                "path1=" + b }));
    std::string dialog = Call("windowsshape");
    ASSERT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;
    EXPECT_EQ(Call("subclassed " + dialog), "yes");
    const std::string placed = "Brivane tab=1 at=left clear=1 inside=1 order=1 tip=Brivane (Ctrl+B)";
    EXPECT_EQ(Call("pushbutton " + dialog), placed);

    for (const char *how : { " shot item_dialog_windows_shape.png", " command" }) {
        SCOPED_TRACE(how);
        std::string got = Call("favmenu " + dialog + how);
        EXPECT_EQ(got.substr(0, got.find(" @")),
                  "1793:B|-|1281:A|-|0:Open folders{1260~:No folder open in Explorer}|0:Recent folders{1274~:Clear}|"
                  "0:Add this folder{1277~:to all programs|1278~:to client_filedlg}|1279:Brivane");
        std::vector<std::string> pos = Split(got.substr(got.find(" @") + 2), ' ');
        ASSERT_EQ(pos.size(), 3u) << got;
        EXPECT_EQ(pos[0], pos[2]) << "menu under the push button";
    }

    Call("field " + dialog + " keep.txt");
    Call("command " + dialog + " 1281");
    EXPECT_EQ(Lower(Call("folder " + dialog)), Lower(a));
    EXPECT_EQ(Call("field " + dialog), "keep.txt");
    ASSERT_EQ(Call("favpick " + dialog + " 1"), "picked");
    EXPECT_EQ(Lower(Call("folder " + dialog)), Lower(b));
    EXPECT_EQ(Call("field " + dialog), "keep.txt");
    // What the dialog's own procedure saw: the two openings of the menu, then
    // for each entry OK with the path typed in, and the entry's command.
    EXPECT_EQ(Call("fakelog " + dialog), "371.0 371.0 1.0=" + a + " 1281.0 371.0 1.0=" + b + " 1793.0");

    // (The stand-in does not lay its view out anew: shrunk, the view reaches
    // over the row of OK.)
    for (const char *size : { "160 80", "-300 -150", "400 0" }) {
        Call(std::string("resize ") + dialog + " " + size);
        std::string got = Call("pushbutton " + dialog);
        size_t clear = got.find(" clear=");
        EXPECT_EQ(got.erase(clear, 8), "Brivane tab=1 at=left inside=1 order=1 tip=Brivane (Ctrl+B)")
            << "after resizing by " << size;
    }
    Call("close " + dialog);

    // Without the file-name edit it is no file dialog we know.
    dialog = Call("windowsshape nofield");
    EXPECT_EQ(Call("subclassed " + dialog), "no");
    EXPECT_EQ(Call("pushbutton " + dialog), "none");
    Call("close " + dialog);
}

// --- adding the folder the dialog shows ----------------------------------------------

TEST_F(FileDialogs, AddThisFolderAppendsAtTheTopLevelOfEitherSection)
{
    std::string start = Folder("add here");
    std::string dialog = Open("open", start);
    ASSERT_EQ(FolderOf(dialog), Lower(start));
    const std::string P = std::string("[") + kClientSection + "]";
    const std::string added = "name%=add here|path%=" + start;
    auto At = [&](int n) {
        std::string s = added;
        for (size_t i; (i = s.find('%')) != std::string::npos;)
            s.replace(i, 1, std::to_string(n));
        return s;
    };
    struct Case { const char *what; std::string ini; const char *id, *section; std::string after; };
    const Case cases[] = {
        { "to all programs, the section missing", "", "1277", "global", At(1) },
        { "to the program, after its entries",
          Lines({ P, "name1=A", "path1=C:\\a", "[global]", "name1=G", "path1=C:\\g" }), "1278", kClientSection,
          "name1=A|path1=C:\\a|" + At(2) },
        { "before a top-level closer that ends the menu",
          Lines({ "[global]", "name1=A", "path1=C:\\a", "name2=--", "name3=Hidden", "path3=C:\\h" }), "1277",
          "global", "name1=A|path1=C:\\a|name3=--|name4=Hidden|path4=C:\\h|" + At(2) },
        { "never inside a submenu left open",
          Lines({ P, "name1=-Open", "name2=Inside", "path2=C:\\i" }), "1278", kClientSection,
          "name1=-Open|name2=Inside|path2=C:\\i|name3=--|" + At(4) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Ini(c.ini);
        std::string other = Section(strcmp(c.section, "global") == 0 ? kClientSection : "global");
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277:to all programs|1278:to client_filedlg}|1279:Brivane");
        if (c.ini.empty()) {
            std::string shot = Call("favmenu " + dialog + " addshot add-this-folder.png");
            EXPECT_NE(shot.find("0:Add this folder{"), std::string::npos) << shot;
        }
        Call(std::string("command ") + dialog + " " + c.id);
        EXPECT_EQ(Section(c.section), c.after);
        EXPECT_EQ(Section(strcmp(c.section, "global") == 0 ? kClientSection : "global"), other);
        // Shown at the next opening, and now held: not offered again.
        EXPECT_NE(Menu(dialog).find(":add here"), std::string::npos) << Menu(dialog);
        std::string again = AddMenu(dialog);
        EXPECT_NE(again.find(std::string(c.id) + "~:"), std::string::npos) << again;
        std::string before = ReadFile(ini);
        Call(std::string("command ") + dialog + " " + c.id);
        EXPECT_EQ(ReadFile(ini), before) << "added twice";
    }

    // Held already, in other case and with a trailing backslash.
    std::string upper = start;
    CharUpperA(&upper[0]);
    Ini(Lines({ "[global]", "name1=Here", "path1=" + upper + "\\" }));
    EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278:to client_filedlg}|1279:Brivane");
    std::string before = ReadFile(ini);
    Call("command " + dialog + " 1277");
    EXPECT_EQ(ReadFile(ini), before);
    EXPECT_EQ(Call("close " + dialog), "cancelled");

    // A root folder is named by its drive.
    Ini("");
    dialog = Open("open", "C:\\");
    Call("command " + dialog + " 1277");
    EXPECT_EQ(Section("global"), "name1=C:|path1=C:\\");
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

// Two programs add 50 folders each to the same section at the same time:
// every writer re-reads the section under the file's lock, so all of them
// are there, numbered without a gap or a second key of a number, in one
// section.
TEST_F(FileDialogs, TwoProgramsAddingAtOnceLoseNothing)
{
    Ini(Lines({ "[global]", "name1=First", "path1=C:\\first" }));
    Client other(kClientExe);
    ASSERT_TRUE(other.ok());
    std::string mine = Call("windowsshape"), theirs = other.Call("windowsshape");
    ASSERT_EQ(Call("post addfolders " + mine + " C:\\a 50"), "posted");
    ASSERT_EQ(other.Call("post addfolders " + theirs + " C:\\b 50"), "posted");
    EXPECT_TRUE(WaitUntil([&] { return Call("result") == "50" && other.Call("result") == "50"; }, 120000));

    std::string file = ReadFile(ini);
    EXPECT_EQ(file.find("[global]"), file.rfind("[global]")) << "one section";
    std::vector<std::string> lines = Split(Section("global"), '|');
    std::set<std::string> keys, paths;
    for (const std::string &line : lines) {
        EXPECT_TRUE(keys.insert(line.substr(0, line.find('='))).second) << "a key twice: " << line;
        if (line.compare(0, 4, "path") == 0)
            paths.insert(line.substr(line.find('=') + 1));
    }
    std::set<std::string> want = { "C:\\first" };
    for (int i = 1; i <= 50; i++) {
        want.insert("C:\\a\\" + std::to_string(i));
        want.insert("C:\\b\\" + std::to_string(i));
    }
    EXPECT_EQ(paths, want);
    EXPECT_EQ(lines.size(), 2 * want.size());
    for (size_t n = 1; n <= want.size(); n++)
        EXPECT_TRUE(keys.count("name" + std::to_string(n)) && keys.count("path" + std::to_string(n))) << n;
    Call("close " + mine);
    other.Call("close " + theirs);
}

TEST_F(FileDialogs, AddThisFolderTakesPathsUpTo259CharactersAndRefusesLonger)
{
    // The stand-in tells whatever folder it is given, as a dialog would.
    std::string dialog = Call("windowsshape");
    std::string fits = "C:\\" + std::string(200, 'a') + "\\" + std::string(259 - 204, 'b');
    ASSERT_EQ(fits.size(), 259u);
    Ini("");
    Call("setfolder " + dialog + " |" + fits + "|");
    EXPECT_EQ(AddMenu(dialog), "Add this folder{1277:to all programs|1278:to client_filedlg}|1279:Brivane");
    Call("command " + dialog + " 1278");
    EXPECT_EQ(Section(kClientSection), "name1=" + std::string(259 - 204, 'b') + "|path1=" + fits);

    for (size_t length : { (size_t)260, (size_t)400 }) {
        SCOPED_TRACE(length);
        Ini(Lines({ "[global]", "name1=A", "path1=C:\\a" }));
        std::string before = ReadFile(ini);
        Call("setfolder " + dialog + " |C:\\" + std::string(length - 3, 'c') + "|");
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278~:to client_filedlg}|1279:Brivane");
        Call("command " + dialog + " 1277");
        Call("command " + dialog + " 1278");
        EXPECT_EQ(ReadFile(ini), before) << "nothing written";
    }
    // A dialog that cannot tell its folder offers nothing to add.
    Call("setfolder " + dialog + " ||");
    EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278~:to client_filedlg}|1279:Brivane");
    Call("close " + dialog);
}

TEST_F(FileDialogs, AddedFolderNamesAreTextNeverMenuStructureOrIniLines)
{
    std::string dialog = Call("windowsshape");
    // What the file shows, the favourites menu's item, and what the
    // profile functions give back (before the menu's reading of it).
    struct Case { const char *folder, *line, *item, *read; };
    const Case cases[] = {
        { "-sub", "name2=\\-sub", "1282:-sub", "\\-sub" },
        { "--end", "name2=\\--end", "1282:--end", "\\--end" },
        { "'sq'", "name2=\"'sq'\"", "1282:'sq'", "'sq'" },
        { " lead", "name2=\" lead\"", "1282: lead", " lead" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder);
        Ini(Lines({ "[global]", "name1=A", "path1=C:\\a" }));
        std::string path = std::string("C:\\names\\") + c.folder;
        Call("setfolder " + dialog + " |" + path + "|");
        Call("command " + dialog + " 1277");
        EXPECT_EQ(Section("global"), "name1=A|path1=C:\\a|" + std::string(c.line) + "|path2=" + path);
        char read[MAX_PATH] = "";
        GetPrivateProfileStringA("global", "name2", "", read, COUNTOF(read), ini.c_str());
        EXPECT_STREQ(read, c.read);
        EXPECT_EQ(Menu(dialog), "1281:A|" + std::string(c.item) + "|-|1279:Brivane");
        // A later folder goes after it, and this one is held: not again.
        Call("setfolder " + dialog + " |C:\\names\\later|");
        Call("command " + dialog + " 1277");
        EXPECT_EQ(Menu(dialog), "1281:A|" + std::string(c.item) + "|1283:later|-|1279:Brivane");
        Call("setfolder " + dialog + " |" + path + "|");
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278:to client_filedlg}|1279:Brivane");
    }
    // A line break once wrote a section [inj] of its own; any control
    // character, in the folder's name or above it, adds nothing.
    for (const char *path : { "C:\\names\\nl\n[inj]\nk=v", "C:\\tab\there\\x", "C:\\cr\rx" }) {
        SCOPED_TRACE(path);
        Ini(Lines({ "[global]", "name1=A", "path1=C:\\a" }));
        std::string before = ReadFile(ini);
        Call("setfolder " + dialog + " |" + std::string(path) + "|");
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278~:to client_filedlg}|1279:Brivane");
        Call("command " + dialog + " 1277");
        Call("command " + dialog + " 1278");
        EXPECT_EQ(ReadFile(ini), before) << "something was written";
    }
    Call("close " + dialog);
}

TEST_F(FileDialogs, ProgramsInExceptionGetNoKeyAndNoAdding)
{
    Ini(Lines({ "[exception]", "client_filedlg=1" }));
    std::string start = Folder("start");
    std::string dialog = Open("open", start);
    Call("command " + dialog + " 1277");
    Call("command " + dialog + " 371 1");
    EXPECT_EQ(Section("global"), "");
    EXPECT_EQ(Call("favmenu " + dialog + " command"), "no menu");
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

// --- the key that opens the menu ---------------------------------------------------

std::string RemoteFolder(HANDLE process, HWND dialog)
{
    void *remote = VirtualAllocEx(process, NULL, 2 * MAX_PATH * sizeof(WCHAR), MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return "no memory";
    WCHAR wide[2 * MAX_PATH] = {};
    LRESULT n = SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)remote);
    ReadProcessMemory(process, remote, wide, sizeof(wide), NULL);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (n <= 0)
        return "error";
    char narrow[2 * MAX_PATH] = "";
    const char *bytes = (const char *)wide;
    if (bytes[0] && !bytes[1])
        WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), NULL, NULL);
    else
        lstrcpynA(narrow, bytes, sizeof(narrow));
    return Lower(narrow);
}

TEST_F(FileDialogs, CtrlBInNotepadsDialogOpensTheMenuAndEnterNavigates)
{
    std::string target = Folder("by key");
    Ini(Lines({ "[notepad]", "name1=By key", "path1=" + target }));
    DWORD pid = 0;
    HANDLE process = Start("notepad.exe", &pid);
    ASSERT_TRUE(process);
    struct Ender {
        HANDLE h;
        ~Ender() { TerminateProcess(h, 0); WaitForSingleObject(h, 5000); CloseHandle(h); }
    } ender{ process };
    HWND main = WaitForProcessWindow(pid, "Notepad", NULL);
    ASSERT_TRUE(main);
    ASSERT_TRUE(PostMessageA(main, WM_COMMAND, 257, 0));
    HWND dialog = WaitForProcessWindow(pid, "#32770", NULL);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(WaitUntil([&] { return ButtonInView(process, dialog) == "in view"; }));
    SetForegroundWindow(dialog);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }));

    PressFavouritesKey();
    HWND popup = NULL;
    ASSERT_TRUE(WaitUntil([&] {
        popup = FindTopWindow(pid, "#32768", NULL);
        return popup && IsWindowVisible(popup);
    }, 5000)) << "no menu";
    // The first item is selected already: Enter alone takes it.
    PressKey(VK_RETURN, false);
    PressKey(VK_RETURN, true);
    EXPECT_TRUE(WaitUntil([&] { return RemoteFolder(process, dialog) == Lower(target); }))
        << RemoteFolder(process, dialog);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(popup); }));
}

// --- favourites that travel ------------------------------------------------------

// From shlobj.h, whose shell automation names clash with the helpers here.
extern "C" HRESULT WINAPI SHGetFolderPathA(HWND, int, HANDLE, DWORD, LPSTR);

TEST_F(FileDialogs, FavouritesTravelWithVariablesKnownFoldersAndPathsBesideTheFile)
{
    std::string home = Folder("travel home"), sub = Folder("travel home\\sub"), rel = Folder("travel rel");
    // The program's environment is the one it started with.
    SetEnvironmentVariableA("BRIVANE_TEST_HOME", home.c_str());
    SetEnvironmentVariableA("BRIVANE_TEST_PING", "%BRIVANE_TEST_PONG%");
    SetEnvironmentVariableA("BRIVANE_TEST_PONG", "%BRIVANE_TEST_PING%");
    SetEnvironmentVariableA("BRIVANE_TEST_NOT_SET", NULL);
    client.reset(new Client(kClientExe));
    ASSERT_TRUE(client->ok());
    Ini(Lines({ "[global]", "name1=Var", "path1=%BRIVANE_TEST_HOME%\\sub", "name2=Unset",
                "path2=%BRIVANE_TEST_NOT_SET%\\x", "name3=Loop", "path3=%BRIVANE_TEST_PING%", "name4=Beside",
                "path4=.\\travel rel", "name5=Desktop", "path5=shell:Desktop", "name6=Long",
                "path6=%BRIVANE_TEST_HOME%\\" + std::string(250, 'x') }));
    std::string dialog = Open("open", home);
    // What cannot be expanded shows greyed; the rest as any entry.
    EXPECT_EQ(Menu(dialog), "1281:Var|1282~:Unset|1283~:Loop|1284:Beside|1285:Desktop|1286~:Long|-|1279:Brivane");
    struct Pick { int id; std::string folder; } picks[] = {
        { 1281, sub }, { 1284, rel }, { 1282, rel }, { 1283, rel }, { 1286, rel },   // greyed ones do nothing
    };
    for (const Pick &p : picks) {
        SCOPED_TRACE(p.id);
        Call("command " + dialog + " " + std::to_string(p.id));
        EXPECT_TRUE(WaitUntil([&] { return FolderOf(dialog) == Lower(p.folder); }, 3000)) << FolderOf(dialog);
    }
    char desktop[MAX_PATH] = "";
    SHGetFolderPathA(NULL, 0x0010 /* CSIDL_DESKTOPDIRECTORY */, NULL, 0, desktop);
    Call("command " + dialog + " 1285");
    EXPECT_TRUE(WaitUntil([&] { return FolderOf(dialog) == Lower(desktop); }, 3000)) << FolderOf(dialog);
    // "Add this folder" compares what the entries name where used.
    Call("command " + dialog + " 1281");
    ASSERT_TRUE(WaitUntil([&] { return FolderOf(dialog) == Lower(sub); }, 3000));
    EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278:to client_filedlg}|1279:Brivane");
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    for (const char *name : { "BRIVANE_TEST_HOME", "BRIVANE_TEST_PING", "BRIVANE_TEST_PONG" })
        SetEnvironmentVariableA(name, NULL);
}

TEST_F(FileDialogs, PortableCopyKeepsItsFavouritesOnAnotherDriveLetter)
{
    // The configuration file beside the module: a portable copy. Drive P:
    // is another folder (the test prefix maps it), where the copy moves.
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string bin = self;
    bin.erase(bin.find_last_of('\\'));
    std::string portable = bin + "\\travel.ini", docs = bin + "\\travel docs";
    CreateDirectoryA(docs.c_str(), NULL);
    ASSERT_TRUE(WriteFile(portable, ""));
    struct Cleanup {
        std::string file;
        ~Cleanup() { DeleteFileA(file.c_str()); }
    } cleanup{ portable };
    ASSERT_EQ(GetDriveTypeA("P:\\"), (UINT)DRIVE_FIXED) << "no drive P: in the prefix";
    block.SetConfigPath(portable);
    std::string dialog = Open("open", docs);
    Call("command " + dialog + " 1277");
    // Written relative to the file's folder, on the same drive; a folder on
    // another drive stays as it is.
    EXPECT_NE(ReadFile(portable).find("name1=travel docs\r\npath1=.\\travel docs\r\n"), std::string::npos)
        << ReadFile(portable);
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    std::string elsewhere = Folder("travel elsewhere");
    dialog = Open("open", elsewhere);
    Call("command " + dialog + " 1277");
    EXPECT_NE(ReadFile(portable).find("path2=" + elsewhere), std::string::npos) << ReadFile(portable);
    EXPECT_EQ(Call("close " + dialog), "cancelled");

    // Moved to P:, the entry names the folder there.
    ASSERT_TRUE(CopyFileA(portable.c_str(), "P:\\travel.ini", FALSE));
    CreateDirectoryA("P:\\travel docs", NULL);
    struct Moved {
        ~Moved() { DeleteFileA("P:\\travel.ini"); RemoveDirectoryA("P:\\travel docs"); }
    } moved;
    block.SetConfigPath("P:\\travel.ini");
    dialog = Open("open", elsewhere);
    EXPECT_EQ(Menu(dialog), "1281:travel docs|1282:travel elsewhere|-|1279:Brivane");
    Call("command " + dialog + " 1281");
    EXPECT_TRUE(WaitUntil([&] { return FolderOf(dialog) == "p:\\travel docs"; }, 3000)) << FolderOf(dialog);
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    block.SetConfigPath(ini);
}

TEST_F(FileDialogs, NetworkFoldersAreListedWithoutBeingProbed)
{
    // A server that does not exist would hold a probe for many seconds on
    // Windows; unprobed, the folder is shown as it is.
    std::string here = Folder("net here");
    ASSERT_TRUE(WriteFile(recent, "\\\\brivane-no-such-server\\share\\folder\r\n" + here + "\r\n"));
    std::string dialog = Open("open", here);
    EXPECT_EQ(Lower(RecentMenu(dialog)), Lower("1264:\\\\brivane-no-such-server\\share\\folder|1265:" + here +
                                               "|-|1274:Clear"));
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

// --- recent folders ------------------------------------------------------------------

TEST_F(FileDialogs, RecentFoldersRememberWhereFilesWereChosen)
{
    std::string a = Folder("recent a"), b = Folder("recent b"), d = Folder("recent d");
    for (const std::string &f : { a, b, d })
        ASSERT_TRUE(WriteFile(f + "\\file.txt", "x"));
    auto Stored = [&] { return Lower(ReadFile(recent)); };

    // A file chosen in the list: the dialog's folder.
    std::string dialog = Open("open", a);
    EXPECT_EQ(RecentMenu(dialog), "1274~:Clear");
    Call("field " + dialog + " file.txt");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + a + "\\file.txt"));
    EXPECT_EQ(Stored(), Lower(a + "\r\n"));
    // Cancelled: nothing.
    dialog = Open("open", b);
    EXPECT_EQ(Call("close " + dialog), "cancelled");
    EXPECT_EQ(Stored(), Lower(a + "\r\n"));
    // A file typed with its full path: the file's folder, not the dialog's.
    dialog = Open("save", b);
    Call("field " + dialog + " |" + d + "\\file.txt|");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + d + "\\file.txt"));
    EXPECT_EQ(Stored(), Lower(d + "\r\n" + a + "\r\n"));
    // Most recent first, each once; in the item dialog too.
    dialog = Call("itemopen open |" + a + "|");
    ASSERT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(a); }));
    Call("field " + dialog + " file.txt");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + a + "\\file.txt"));
    EXPECT_EQ(Stored(), Lower(a + "\r\n" + d + "\r\n"));

    // A folder that no longer exists is left out; the others keep their ids.
    ASSERT_TRUE(DeleteFileA((a + "\\file.txt").c_str()) && RemoveDirectoryA(a.c_str()));
    dialog = Open("open", b);
    EXPECT_EQ(Lower(RecentMenu(dialog)), Lower("1265:" + d + "|-|1274:Clear"));
    // Chosen from the menu: the dialog goes there and keeps its file name.
    Call("field " + dialog + " keep.txt");
    ASSERT_EQ(Call("favpick " + dialog + " 2 sub 1"), "picked");
    EXPECT_EQ(FolderOf(dialog), Lower(d));
    EXPECT_EQ(Call("field " + dialog), "keep.txt");
    // Clear empties it.
    ASSERT_EQ(Call("favpick " + dialog + " 2 sub 2"), "picked");
    EXPECT_EQ(GetFileAttributesA(recent.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(RecentMenu(dialog), "1274~:Clear");
    EXPECT_EQ(Call("close " + dialog), "cancelled");

    // Switched off on the Settings page: nothing is recorded.
    Ini(Lines({ "[settings]", "fd.recent=0" }));
    dialog = Open("open", b);
    Call("field " + dialog + " file.txt");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + b + "\\file.txt"));
    EXPECT_EQ(GetFileAttributesA(recent.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileDialogs, RecentListFromOutsideIsReadWithCareAndKeptToTen)
{
    // Eleven folders, of which the menu shows the first ten that exist;
    // lines that are no folder path, too long, repeated or cut short are
    // skipped.
    std::string text = "relative\\folder\r\n" + std::string(300, 'x') + "\r\n";
    std::vector<std::string> folders;
    for (int i = 0; i < 11; i++) {
        folders.push_back(Folder("ten " + std::to_string(i)));
        text += folders.back() + "\r\n";
        if (i == 2)
            text += folders[0] + "\\\r\n" + std::string(1, '\0') + "C:\\\r\n";
    }
    ASSERT_TRUE(WriteFile(recent, text + "C:\\"));
    std::string dialog = Open("open", folders[0]);
    std::string want;
    for (int i = 0; i < 10; i++)
        want += std::to_string(1264 + i) + ":" + folders[i] + "|";
    EXPECT_EQ(Lower(RecentMenu(dialog)), Lower(want + "-|1274:Clear"));
    // A new folder goes first and the last falls off.
    Call("field " + dialog + " |" + folders[10] + "|");
    Call("command " + dialog + " 1");
    ASSERT_TRUE(WriteFile(folders[10] + "\\f.txt", "x"));
    Call("field " + dialog + " f.txt");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + folders[10] + "\\f.txt"));
    std::string stored = folders[10] + "\r\n";
    for (int i = 0; i < 9; i++)
        stored += folders[i] + "\r\n";
    EXPECT_EQ(Lower(ReadFile(recent)), Lower(stored));
}

namespace {

// Another program's writer that holds the configuration file's lock until
// released.
struct LockHolder {
    std::string path;
    HANDLE taken = CreateEventA(NULL, TRUE, FALSE, NULL), release = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE thread = NULL;
    static int Hold(void *context)
    {
        LockHolder *h = (LockHolder *)context;
        SetEvent(h->taken);
        WaitForSingleObject(h->release, 30000);
        return INI_UNCHANGED;
    }
    static DWORD WINAPI Run(void *context)
    {
        LockHolder *h = (LockHolder *)context;
        return (DWORD)IniLocked(h->path.c_str(), Hold, h);
    }
    bool Take(const std::string &file)
    {
        path = file;
        thread = CreateThread(NULL, 0, Run, this, 0, NULL);
        return thread && WaitForSingleObject(taken, 10000) == WAIT_OBJECT_0;
    }
    void Release()
    {
        SetEvent(release);
        if (thread)
            WaitForSingleObject(thread, 10000);
    }
    ~LockHolder()
    {
        Release();
        if (thread)
            CloseHandle(thread);
        CloseHandle(taken);
        CloseHandle(release);
    }
};

} // namespace

TEST_F(FileDialogs, RecentListIsNeverWrittenThroughALinkNorWaitedForOnTheDialogsThread)
{
    std::string a = Folder("recent link"), b = Folder("recent lock");
    for (const std::string &f : { a, b })
        ASSERT_TRUE(WriteFile(f + "\\file.txt", "x"));
    // A hard link planted where the list's copy is made: the copy is made
    // new, and the file the link shares its data with keeps its text.
    std::string victim = TempPath("victim.txt"), copy = recent + ".new";
    ASSERT_TRUE(WriteFile(victim, "not the recent list\r\n"));
    DeleteFileA(copy.c_str());
    ASSERT_TRUE(CreateHardLinkA(copy.c_str(), victim.c_str(), NULL));
    std::string dialog = Open("open", a);
    Call("field " + dialog + " file.txt");
    DWORD start = GetTickCount();
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + a + "\\file.txt"));
    DWORD free = GetTickCount() - start;
    EXPECT_EQ(ReadFile(victim), "not the recent list\r\n") << "written through the link";
    EXPECT_EQ(Lower(ReadFile(recent)), Lower(a + "\r\n"));
    EXPECT_FALSE(FileExists(copy));

    // The lock held by another program: OK does not wait for it, and the
    // folder is written once the lock is free.
    LockHolder holder;
    ASSERT_TRUE(holder.Take(ini));
    dialog = Open("open", b);
    Call("field " + dialog + " file.txt");
    start = GetTickCount();
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + b + "\\file.txt"));
    DWORD held = GetTickCount() - start;
    printf("OK took %lu ms with the lock free, %lu ms with it held elsewhere\n", (unsigned long)free,
           (unsigned long)held);
    EXPECT_LT(held, free + 1000) << "the dialog's thread waited for the lock";
    EXPECT_EQ(Lower(ReadFile(recent)), Lower(a + "\r\n")) << "written while the lock was held";
    holder.Release();
    EXPECT_TRUE(WaitUntil([&] { return Lower(ReadFile(recent)) == Lower(b + "\r\n" + a + "\r\n"); }, 8000))
        << ReadFile(recent);
}

// --- folder pickers ---------------------------------------------------------------------

TEST_F(FileDialogs, FolderPickerGetsTheButtonSelectsEntriesAndAddsTheSelectedFolder)
{
    // Beside the configuration file, whose writes change their folder.
    std::string start = Folder("pick start"), a = Folder("pick a");
    for (const char *look : { "old", "new" }) {
        SCOPED_TRACE(look);
        Ini(Lines({ "[global]", "name1=A", "path1=" + a }));
        // A's folder read last long ago: the picker's listing of it reads
        // it afresh. Wine's picker then holds other times for it than the
        // folder has when the entry is chosen, and cannot find it by them.
        ASSERT_TRUE(SetAccessedLongAgo(a));
        DeleteFileA(recent.c_str());
        std::string dialog = Call(std::string("picker ") + look + " |" + start + "|");
        ASSERT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;
        EXPECT_EQ(Call("subclassed " + dialog), "yes");
        // Beside OK, or above it where the newer look has "Make New Folder".
        EXPECT_EQ(Call("pushbutton " + dialog), std::string("Brivane tab=1 at=") +
                                                   (strcmp(look, "old") == 0 ? "left" : "above") +
                                                   " clear=1 inside=1 order=1 tip=Brivane (Ctrl+B)");
        // "Add this folder" takes the selected folder, once the picker has
        // gone to the folder its program gave it.
        EXPECT_EQ(Menu(dialog), "1281:A|-|1279:Brivane");
        const std::string offered = "Add this folder{1277:to all programs|1278:to client_filedlg}|1279:Brivane";
        EXPECT_TRUE(WaitUntil([&] { return AddMenu(dialog) == offered; }, 5000))
            << AddMenu(dialog) << " with " << Call("pickersel " + dialog);
        if (strcmp(look, "new") == 0) {
            EXPECT_EQ(Call("favmenu " + dialog + " shot folder-picker.png").find("no shot"), std::string::npos);
        }
        Call("command " + dialog + " 1278");
        EXPECT_EQ(Lower(Section(kClientSection)), Lower("name1=pick start|path1=" + start));
        // An entry is selected, not returned; the picker's own OK returns it.
        // (The program's entry comes first, then a separator, then A.)
        ASSERT_EQ(Call("favpick " + dialog + " 2"), "picked");
        EXPECT_EQ(Call("ended " + dialog), "running");
        EXPECT_EQ(AddMenu(dialog), "Add this folder{1277~:to all programs|1278:to client_filedlg}|1279:Brivane")
            << Call("pickersel " + dialog);
        EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + a));
        EXPECT_EQ(Lower(ReadFile(recent)), Lower(a + "\r\n"));
    }
}

TEST_F(FileDialogs, ItemDialogPickingFoldersGoesToEntriesWithoutReturningThem)
{
    std::string start = Folder("start"), a = Folder("fav a");
    Ini(Lines({ "[global]", "name1=A", "path1=" + a }));
    std::string dialog = Call("itemopen pick |" + start + "|");
    ASSERT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;

    ASSERT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(start); }));
    EXPECT_EQ(AddMenu(dialog), "Add this folder{1277:to all programs|1278:to client_filedlg}|1279:Brivane");
    Call("field " + dialog + " kept");
    ASSERT_EQ(Call("favpick " + dialog + " 1"), "picked");
    EXPECT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(a); }, 3000))
        << Call("folder " + dialog);
    EXPECT_EQ(Call("ended " + dialog), "running");
    EXPECT_EQ(Call("field " + dialog), "kept");
    // On Windows, OK with the field empty returns the folder shown; Wine's
    // dialog returns nothing then (without the module too), so the folder's
    // path is typed in here.
    Call("field " + dialog + " |" + a + "|");
    EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + a));
    EXPECT_EQ(Lower(ReadFile(recent)), Lower(a + "\r\n"));
}

// --- open folders -------------------------------------------------------------------------

namespace {

// The stand-in for the Shell's list of windows (support/shellwindows.cpp):
// registered in the prefix's machine classes for the class, as Wine 8
// looks there first, and its windows made in this process. The earlier
// registration comes back when it goes.
struct ShellWindowsStandIn {
    HMODULE dll = LoadLibraryA("shellwindows_standin.dll");
    HWND (WINAPI *open)(const char *) = (HWND (WINAPI *)(const char *))(void *)GetProcAddress(dll, "StandInOpen");
    void (WINAPI *navigate)(HWND, const char *) =
        (void (WINAPI *)(HWND, const char *))(void *)GetProcAddress(dll, "StandInNavigate");
    void (WINAPI *hang)(HWND, BOOL) = (void (WINAPI *)(HWND, BOOL))(void *)GetProcAddress(dll, "StandInHang");
    void (WINAPI *close)(HWND) = (void (WINAPI *)(HWND))(void *)GetProcAddress(dll, "StandInClose");
    std::vector<HWND> windows;
    HKEY key = NULL;
    char oldServer[MAX_PATH] = "", oldModel[64] = "";
    bool hadServer = false, hadModel = false;

    ShellWindowsStandIn()
    {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(dll, path, MAX_PATH);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32", 0,
                            NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            return;
        DWORD n = sizeof(oldServer);
        hadServer = RegQueryValueExA(key, NULL, NULL, NULL, (BYTE *)oldServer, &n) == ERROR_SUCCESS;
        n = sizeof(oldModel);
        hadModel = RegQueryValueExA(key, "ThreadingModel", NULL, NULL, (BYTE *)oldModel, &n) == ERROR_SUCCESS;
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)path, (DWORD)strlen(path) + 1);
        RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE *)"Both", 5);
    }
    ~ShellWindowsStandIn()
    {
        if (hang)
            hang(NULL, FALSE);
        for (HWND w : windows)
            if (IsWindow(w))
                close(w);
        WaitUntil([&] { return std::none_of(windows.begin(), windows.end(), [](HWND w) { return IsWindow(w); }); },
                  5000);
        if (key) {
            if (hadServer)
                RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)oldServer, (DWORD)strlen(oldServer) + 1);
            if (hadModel)
                RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE *)oldModel, (DWORD)strlen(oldModel) + 1);
            else
                RegDeleteValueA(key, "ThreadingModel");
            RegCloseKey(key);
        }
    }
    bool ok() const { return key && open && navigate && hang && close; }
    // A window with these tabs ('|' between them), on top of the others.
    HWND Open(const std::string &tabs)
    {
        HWND w = open(tabs.c_str());
        windows.push_back(w);
        return w;
    }
    // The window is used: it comes to the foreground, on top of the others.
    void Use(HWND w)
    {
        SetForegroundWindow(w);
        WaitUntil([&] { return GetForegroundWindow() == w; }, 2000);
        SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    void Close(HWND w)
    {
        close(w);
        WaitUntil([&] { return !IsWindow(w); }, 5000);
    }
};

// "Open folders" as its submenu shows when it opens, case-folded, without
// the time; and the time alone.
std::string Items(const std::string &opened)
{
    std::string s = Lower(opened.substr(0, opened.find(" ms=")));
    return s;
}

double Millis(const std::string &opened)
{
    size_t at = opened.find(" ms=");
    return at == std::string::npos ? 1e9 : atof(opened.c_str() + at + 4);
}

} // namespace

TEST_F(FileDialogs, OpenFoldersListTheFileManagersFoldersLastUsedFirstOnceEach)
{
    ShellWindowsStandIn shell;
    ASSERT_TRUE(shell.ok());
    std::string a = Folder("open a"), b = Folder("open b"), c = Folder("open c"), d = Folder("open d");
    std::string dialog = Open("open", a);
    // Above "Recent folders", greyed "none" until it opens.
    std::string menu = Call("favmenu " + dialog);
    EXPECT_EQ(menu.substr(0, menu.find("|0:Recent")), "0:Open folders{1260~:No folder open in Explorer}");
    EXPECT_EQ(Items(Call("opensub " + dialog + " 1")), Lower("1260~:No folder open in Explorer"));

    // Made in this order, each on top of the last: D shows A's folder again,
    // V shows This PC, B has two tabs.
    HWND wa = shell.Open(a);
    shell.Use(wa);
    HWND wb = shell.Open(b + "|" + c);
    shell.Use(wb);
    shell.Use(shell.Open("*drives"));
    HWND wd = shell.Open(a);
    shell.Use(wd);
    // (Wine restacks windows of other threads now and then after an
    // activation: the window is used again before each of three tries.)
    auto ListedAfterUse = [&](HWND used, const std::string &want) {
        std::string got;
        for (int attempt = 0; attempt < 3 && got != want; attempt++) {
            shell.Use(used);
            got = Items(Call("opensub " + dialog + " 1"));
        }
        return got;
    };
    std::string want = Lower("1240:" + a + "|1241:" + b + "|1242:" + c);
    EXPECT_EQ(ListedAfterUse(wd, want), want);
    // B goes elsewhere in one tab, A is used: A first, B's tabs after it.
    shell.navigate(wb, (d + "|" + c).c_str());
    want = Lower("1240:" + a + "|1241:" + d + "|1242:" + c);
    EXPECT_EQ(ListedAfterUse(wa, want), want);
    // Windows that go leave the list.
    shell.Close(wa);
    shell.Close(wd);
    shell.Close(wb);
    EXPECT_EQ(Items(Call("opensub " + dialog + " 1")), Lower("1260~:No folder open in Explorer"));

    // At most twenty, with their full paths and the ids 1240 to 1259.
    want.clear();
    for (int i = 0; i < 22; i++) {
        std::string f = Folder("open many " + std::to_string(i));
        shell.Use(shell.Open(f));
        if (i >= 2)
            want = std::to_string(1240 + 21 - i) + ":" + f + (want.empty() ? "" : "|") + want;
    }
    std::string got = Call("opensub " + dialog + " 1");
    EXPECT_EQ(Items(got), Lower(want));
    printf("Open folders with 22 windows open: %.1f ms on the dialog's thread\n", Millis(got));
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}

TEST_F(FileDialogs, OpenFolderChosenSendsEveryKindOfDialogThere)
{
    ShellWindowsStandIn shell;
    ASSERT_TRUE(shell.ok());
    std::string start = Folder("open start"), target = Folder("open target");
    shell.Use(shell.Open(start));
    shell.Use(shell.Open(target));
    struct Kind { const char *what, *command; bool picker; } kinds[] = {
        { "classic", "open open", false },
        { "item dialog", "itemopen open", false },
        { "folder picker", "picker old", true },
        { "newer folder picker", "picker new", true },
    };
    for (const Kind &k : kinds) {
        SCOPED_TRACE(k.what);
        std::string dialog = Call(std::string(k.command) + " |" + start + "|");
        ASSERT_NE(StrHwnd(dialog), (HWND)NULL) << dialog;
        if (!k.picker)
            ASSERT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(start); }));
        ASSERT_EQ(Call("favpick " + dialog + " 1 sub 1"), "picked");
        if (k.picker) {
            EXPECT_EQ(Call("ended " + dialog), "running");
            EXPECT_EQ(Lower(Call("close " + dialog + " ok")), Lower("chosen " + target));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(target); }, 3000))
                << Call("folder " + dialog);
            EXPECT_EQ(Call("close " + dialog), "cancelled");
        }
    }
}

TEST_F(FileDialogs, CtrlGGoesToTheFolderOfTheWindowUsedLast)
{
    ShellWindowsStandIn shell;
    ASSERT_TRUE(shell.ok());
    std::string start = Folder("key start"), a = Folder("key a"), b = Folder("key b");
    for (const char *command : { "open open", "itemopen open" }) {
        SCOPED_TRACE(command);
        std::string dialog = Call(std::string(command) + " |" + start + "|");
        HWND hwnd = StrHwnd(dialog);
        ASSERT_NE(hwnd, (HWND)NULL) << dialog;
        ASSERT_TRUE(WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(start); }));
        auto PressGo = [&] {
            SetForegroundWindow(hwnd);
            ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }));
            PressKey(VK_CONTROL, false);
            PressKey(LAST_OPEN_FOLDER_KEY, false);
            PressKey(LAST_OPEN_FOLDER_KEY, true);
            PressKey(VK_CONTROL, true);
        };
        // None open: nothing happens, and the key types nothing.
        Call("field " + dialog + " kept");
        PressGo();
        EXPECT_FALSE(WaitUntil([&] { return Lower(Call("folder " + dialog)) != Lower(start); }, 1000));
        EXPECT_EQ(Call("field " + dialog), "kept");
        // The window used last, whichever was made last.
        // (Wine restacks the windows of other threads now and then after an
        // activation: A is used again before each of at most three tries.)
        HWND wa = shell.Open(a);
        shell.Use(shell.Open(b));
        bool went = false;
        for (int attempt = 0; attempt < 3 && !went; attempt++) {
            shell.Use(wa);
            PressGo();
            went = WaitUntil([&] { return Lower(Call("folder " + dialog)) == Lower(a); }, 1500);
        }
        EXPECT_TRUE(went) << Call("folder " + dialog);
        EXPECT_EQ(Call("field " + dialog), "kept");
        EXPECT_EQ(Call("close " + dialog), "cancelled");
        for (HWND w : shell.windows)
            if (IsWindow(w))
                shell.Close(w);
    }
}

TEST_F(FileDialogs, AHungFileManagerCostsTheDialogOneShortWaitAndNoCrash)
{
    ShellWindowsStandIn shell;
    ASSERT_TRUE(shell.ok());
    std::string a = Folder("hung a"), b = Folder("hung b");
    // The one that will hang comes first in the list: a hung file manager
    // answers no call, not even for its other windows.
    HWND hung = shell.Open(b);
    shell.Use(hung);
    shell.Use(shell.Open(a));
    shell.Use(hung);
    std::string dialog = Open("open", a);
    std::string got = Call("opensub " + dialog + " 1");
    EXPECT_EQ(Items(got), Lower("1240:" + b + "|1241:" + a));
    printf("Open folders with 2 windows open: %.1f ms on the dialog's thread\n", Millis(got));

    // It stops answering: one wait, at most 100 ms; then none while it hangs.
    shell.hang(hung, TRUE);
    got = Call("opensub " + dialog + " 1");
    EXPECT_EQ(Items(got), Lower("1260~:Explorer does not answer"));
    EXPECT_LE(Millis(got), 100.0) << got;
    printf("Open folders with the file manager hung, first time: %.1f ms\n", Millis(got));
    for (int i = 0; i < 3; i++) {
        got = Call("opensub " + dialog + " 1");
        EXPECT_EQ(Items(got), Lower("1260~:Explorer does not answer"));
        EXPECT_LE(Millis(got), 20.0) << got;
    }
    printf("Open folders with the file manager hung, again: %.1f ms\n", Millis(got));
    // The key costs nothing then either, and the dialog keeps working.
    DWORD_PTR ignored;
    ULONGLONG before = GetTickCount64();
    PostMessageA(StrHwnd(dialog), WM_COMMAND, MAKEWPARAM(IDM_OPEN_LAST, 1), 0);
    EXPECT_TRUE(SendMessageTimeoutA(StrHwnd(dialog), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored));
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_EQ(Lower(Call("folder " + dialog)), Lower(a));

    // Answering again, it is asked again.
    shell.hang(NULL, FALSE);
    EXPECT_TRUE(WaitUntil([&] { return Items(Call("opensub " + dialog + " 1")) == Lower("1240:" + b + "|1241:" + a); },
                          5000));
    EXPECT_EQ(Call("close " + dialog), "cancelled");
}
