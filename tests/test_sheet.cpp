// The configuration sheet and its About page, driven through real messages.
// The module's code is linked in (so the About lines can be read where they
// are stored); its dialogs and icons come from brivane.dll.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string.h>
#include <mutex>
#include "support/harness.h"
#include "support/png.h"
#include "sheet_runner.h"
#include "core/exports.h"
#include "sheet/sheet.h"
#include "sheet/scramble.h"

using namespace th;
using st::SheetRun;

namespace {

class Sheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool attached;
        if (!attached) {
            ModuleAttach(GetModuleHandleA(NULL));
            attached = true;
        }
        ASSERT_TRUE(module.handle);
        ASSERT_TRUE(block.settings);
        path = TempPath("sheet.ini");
        DeleteFileA(path.c_str());
        block.SetConfigPath(path);
    }
    Module module;
    SharedBlock block;
    std::string path;
};

// --- what EditIni_ hands to the platform ------------------------------------

// Replaces this program's import of dll!name; returns the old target.
void *PatchImport(const char *dll, const char *name, void *replacement)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; d++) {
        if (lstrcmpiA((const char *)(base + d->Name), dll))
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (lstrcmpA((const char *)byName->Name, name))
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
            void *previous = (void *)slots->u1.Function;
            slots->u1.Function = (DWORD_PTR)replacement;
            VirtualProtect(&slots->u1.Function, sizeof(void *), old, &old);
            return previous;
        }
    }
    return NULL;
}

struct PageSeen { DWORD size, flags; HINSTANCE instance; std::string tmpl, icon, title; DLGPROC proc; LPARAM lParam; void *callback; };
struct SheetSeen {
    DWORD size, flags; HWND parent; HINSTANCE instance; std::string icon, caption;
    UINT pages, start; PFNPROPSHEETCALLBACK callback; std::vector<PageSeen> page;
};
SheetSeen s_seen;
INT_PTR (WINAPI *s_realPropertySheet)(LPCPROPSHEETHEADERA);

std::string Name(LPCSTR id)
{
    return IS_INTRESOURCE(id) ? (id ? "#" + std::to_string((UINT_PTR)id) : "") : id;
}

// Records the header and the page records, which live on EditIni_'s stack.
INT_PTR WINAPI RecordPropertySheet(LPCPROPSHEETHEADERA h)
{
    s_seen = SheetSeen();
    s_seen.size = h->dwSize;
    s_seen.flags = h->dwFlags;
    s_seen.parent = h->hwndParent;
    s_seen.instance = h->hInstance;
    s_seen.icon = Name(h->pszIcon);
    s_seen.caption = Name(h->pszCaption);
    s_seen.pages = h->nPages;
    s_seen.start = h->nStartPage;
    s_seen.callback = h->pfnCallback;
    // The platform steps through the records by their own dwSize.
    const BYTE *p = (const BYTE *)h->ppsp;
    for (UINT i = 0; i < h->nPages && i < 8; i++) {
        const PROPSHEETPAGEA *psp = (const PROPSHEETPAGEA *)p;
        s_seen.page.push_back({ psp->dwSize, psp->dwFlags, psp->hInstance, Name(psp->pszTemplate),
                                Name(psp->pszIcon), Name(psp->pszTitle), psp->pfnDlgProc,
                                psp->lParam, (void *)psp->pfnCallback });
        p += psp->dwSize ? psp->dwSize : 1;
    }
    return s_realPropertySheet(h);
}

// The record forms up to the header titles and the header bitmap, whose
// sizes follow the pointer width.
#ifdef _WIN64
static const UINT kSheetHeaderSize = 96, kPageRecordSize = 88;
#else
static const UINT kSheetHeaderSize = 52, kPageRecordSize = 48;
#endif

TEST_F(Sheet, HeaderAndPageRecordsAsTheSheetNeedsThem)
{
    s_realPropertySheet = (INT_PTR (WINAPI *)(LPCPROPSHEETHEADERA))
        PatchImport("comctl32.dll", "PropertySheetA", (void *)RecordPropertySheet);
    ASSERT_TRUE(s_realPropertySheet);
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    {
        SheetRun run(module.handle, owner);
        ASSERT_TRUE(run.sheet());
        EXPECT_EQ(GetWindow(run.sheet(), GW_OWNER), owner);
        EXPECT_TRUE(run.Close());
    }
    PatchImport("comctl32.dll", "PropertySheetA", (void *)s_realPropertySheet);
    DestroyWindow(owner);

    EXPECT_EQ(SheetInstance, module.handle);
    EXPECT_EQ(s_seen.size, kSheetHeaderSize);
    EXPECT_EQ(s_seen.flags, 0x018Cu);
    EXPECT_EQ(s_seen.parent, owner);
    EXPECT_EQ(s_seen.instance, module.handle);
    EXPECT_EQ(s_seen.icon, "Favico2");
    EXPECT_EQ(s_seen.caption, "Brivane");
    EXPECT_EQ(s_seen.pages, 5u);
    EXPECT_EQ(s_seen.start, 0u);
    EXPECT_EQ(s_seen.callback, (PFNPROPSHEETCALLBACK)SheetCallback);
    const PageSeen want[5] = {
        { kPageRecordSize, 0x0008, module.handle, "About", "", "About", AboutPageProc, 0, NULL },
        { kPageRecordSize, 0x000C, module.handle, "SettingsDialog", "Favico2", "Settings", SettingsPageProc, 0, NULL },
        { kPageRecordSize, 0x000C, module.handle, "IniDialog", "Favico", "Menu items", MenuItemsPageProc, 0, NULL },
        { kPageRecordSize, 0x0008, module.handle, "KeyboardDialog", "", "Keyboard", KeyboardPageProc, 0, NULL },
        { kPageRecordSize, 0x0008, module.handle, "RulesDialog", "", "Rules", RulesPageProc, 0, NULL },
    };
    ASSERT_EQ(s_seen.page.size(), 5u);
    for (int i = 0; i < 5; i++) {
        SCOPED_TRACE(want[i].title);
        const PageSeen &got = s_seen.page[i];
        EXPECT_EQ(got.size, want[i].size);
        EXPECT_EQ(got.flags, want[i].flags);
        EXPECT_EQ(got.instance, want[i].instance);
        EXPECT_EQ(got.tmpl, want[i].tmpl);
        EXPECT_EQ(got.icon, want[i].icon);
        EXPECT_EQ(got.title, want[i].title);
        EXPECT_EQ(got.proc, want[i].proc);
        EXPECT_EQ(got.lParam, 0);
        EXPECT_EQ(got.callback, nullptr);
    }
    // The caption's icon: Wine's ANSI sheet does not load a named header
    // icon, so the resource is checked here rather than on the caption.
    HICON icon = (HICON)LoadImageA(module.handle, "Favico2", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
    ASSERT_TRUE(icon);
    ICONINFO ii = {};
    ASSERT_TRUE(GetIconInfo(icon, &ii));
    BITMAP bm = {};
    GetObjectA(ii.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    DestroyIcon(icon);
}

// --- the sheet on screen ----------------------------------------------------

// Pixels of an icon drawn at size x size over a fixed background.
std::vector<DWORD> IconPixels(HICON icon, int size)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    std::vector<DWORD> out;
    if (bits) {
        memset(bits, 0x80, (size_t)size * size * 4);
        DrawIconEx(dc, 0, 0, icon, size, size, 0, NULL, DI_NORMAL);
        GdiFlush();
        out.assign((DWORD *)bits, (DWORD *)bits + size * size);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return out;
}

// Pixels of image i of list, as drawn from the list.
std::vector<DWORD> ListImage(HIMAGELIST list, int i, int size)
{
    HICON icon = ImageList_GetIcon(list, i, ILD_NORMAL);
    std::vector<DWORD> out = IconPixels(icon, size);
    DestroyIcon(icon);
    return out;
}

// A named icon of the module as a tab shows it: loaded at the list's size
// into a list of the same kind.
std::vector<DWORD> AsTabImage(HINSTANCE module, const char *name, HIMAGELIST tabList)
{
    int cx = 0, cy = 0;
    ImageList_GetIconSize(tabList, &cx, &cy);
    HIMAGELIST list = ImageList_Create(cx, cy, ILC_COLOR, 1, 1);
    HICON icon = (HICON)LoadImageA(module, name, IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR);
    ImageList_AddIcon(list, icon);
    std::vector<DWORD> out = ListImage(list, 0, cx);
    DestroyIcon(icon);
    ImageList_Destroy(list);
    return out;
}

TEST_F(Sheet, OpensCentredOnAboutWithItsTabsAndOneOkButton)
{
    SheetRun run(module.handle);
    HWND sheet = run.sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(st::Text(sheet), "Brivane");

    RECT desk, win;
    GetWindowRect(GetDesktopWindow(), &desk);
    GetWindowRect(sheet, &win);
    EXPECT_EQ(win.left, desk.left + ((desk.right - desk.left) - (win.right - win.left)) / 2);
    EXPECT_EQ(win.top, desk.top + ((desk.bottom - desk.top) - (win.bottom - win.top)) / 2);

    // No help button in the caption.
    EXPECT_FALSE(GetWindowLongA(sheet, GWL_STYLE) & DS_CONTEXTHELP);
    EXPECT_FALSE(GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);

    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    ASSERT_TRUE(tabs);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 5);
    const char *titles[] = { "About", "Settings", "Menu items", "Keyboard", "Rules" };
    int images[5];
    for (int i = 0; i < 5; i++) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)&item));
        EXPECT_STREQ(text, titles[i]);
        images[i] = item.iImage;
    }
    EXPECT_EQ(images[0], -1) << "the About tab has no icon";
    EXPECT_EQ(images[3], -1) << "the Keyboard tab has no icon";
    EXPECT_EQ(images[4], -1) << "the Rules tab has no icon";

    HIMAGELIST list = (HIMAGELIST)SendMessageA(tabs, TCM_GETIMAGELIST, 0, 0);
    ASSERT_TRUE(list);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    std::vector<DWORD> favico = AsTabImage(module.handle, "Favico", list);
    std::vector<DWORD> favico2 = AsTabImage(module.handle, "Favico2", list);
    ASSERT_NE(favico, favico2);
    ASSERT_TRUE(images[1] >= 0 && images[2] >= 0);
    EXPECT_EQ(ListImage(list, images[1], cx), favico2) << "Settings tab";
    EXPECT_EQ(ListImage(list, images[2], cx), favico) << "Menu items tab";

    // One visible button, "OK", in the Cancel role; no Apply, no help.
    HWND button = run.VisibleButton();
    ASSERT_TRUE(button) << "not exactly one visible button";
    EXPECT_EQ(st::Text(button), "OK");
    EXPECT_EQ(GetDlgCtrlID(button), IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDOK)));

    // The About page shows, with the icon of its template.
    HWND page = run.Page();
    ASSERT_TRUE(page);
    HWND icon = GetDlgItem(page, 0xFFFF);
    ASSERT_TRUE(icon);
    EXPECT_EQ(GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_TRUE(SendMessageA(icon, STM_GETICON, 0, 0));

    INT_PTR result = -1;
    ASSERT_TRUE(run.Close());
    ASSERT_TRUE(run.WaitClosed(&result));
    EXPECT_EQ(result, 0);
}

// Screen point in the middle of the sheet's close box.
bool FindCloseBox(HWND window, POINT *out)
{
    RECT r;
    GetWindowRect(window, &r);
    for (int y = r.top; y < r.top + 40 && y < r.bottom; y += 2)
        for (int x = r.right - 1; x > r.left; x -= 2)
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                int x2 = x;
                while (x2 > r.left && SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x2 - 1, y)) == HTCLOSE)
                    x2--;
                out->x = (x + x2) / 2;
                out->y = y + 3;
                return true;
            }
    return false;
}

void Mouse(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
}

TEST_F(Sheet, OkEscAndTheCloseBoxAllCloseItAsACancelThatSaves)
{
    enum Way { OK_BUTTON, ESCAPE, CLOSE_BOX };
    struct Case { Way way; const char *name, *opacity; } cases[] = {
        { OK_BUTTON, "OK button", "55" }, { ESCAPE, "Esc", "65" }, { CLOSE_BOX, "close box", "75" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SheetRun run(module.handle);
        ASSERT_TRUE(run.sheet());
        ASSERT_TRUE(run.SelectTab(1));
        HWND edit = run.Item(423);
        ASSERT_TRUE(edit);
        st::Type(edit, c.opacity);
        switch (c.way) {
        case OK_BUTTON:
            st::Press(run.VisibleButton());
            break;
        case ESCAPE: {
            // As the keyboard delivers it: to the focused control, through
            // the sheet's message loop.
            GUITHREADINFO gui = {};
            gui.cbSize = sizeof(gui);
            ASSERT_TRUE(GetGUIThreadInfo(run.threadId(), &gui));
            ASSERT_TRUE(gui.hwndFocus);
            PostMessageA(gui.hwndFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(gui.hwndFocus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            break;
        }
        case CLOSE_BOX: {
            POINT p;
            ASSERT_TRUE(FindCloseBox(run.sheet(), &p)) << "no close box: are Wine's frames on?";
            SetForegroundWindow(run.sheet());
            SetCursorPos(p.x, p.y);
            Mouse(MOUSEEVENTF_LEFTDOWN);
            Mouse(MOUSEEVENTF_LEFTUP);
            break;
        }
        }
        INT_PTR result = -1;
        ASSERT_TRUE(run.WaitClosed(&result)) << "still open";
        EXPECT_EQ(result, 0);
        EXPECT_EQ(st::SettingsInFile(path)["fi.trans"], c.opacity);
        EXPECT_EQ(block.settings->opacity, atoi(c.opacity));
    }
}

TEST_F(Sheet, ClosedWithoutShowingSettingsWritesNothing)
{
    {
        SheetRun run(module.handle);
        ASSERT_TRUE(run.sheet());
        ASSERT_TRUE(run.Close());
    }
    EXPECT_FALSE(FileExists(path));

    // Left for the Menu items tab, closed there: saved once, on leaving.
    SheetRun run(module.handle);
    ASSERT_TRUE(run.SelectTab(1));
    st::Type(run.Item(423), "42");
    ASSERT_TRUE(run.SelectTab(2));
    EXPECT_EQ(st::SettingsInFile(path)["fi.trans"], "42");
    ASSERT_TRUE(WriteFile(path, "[settings]\r\nfi.trans=17\r\n"));
    ASSERT_TRUE(run.Close());
    EXPECT_EQ(ReadFile(path), "[settings]\r\nfi.trans=17\r\n");
}

// --- Rules page ---------------------------------------------------------------

// Each change is written at once, program by program: what another writer
// put in the file meanwhile (a rule of another program, a changed setting)
// stays, and a name typed as a file or path is kept as sections name it.
TEST_F(Sheet, RulesPageWritesEachProgramAndKeepsAnotherWritersChange)
{
    ASSERT_TRUE(WriteFile(path, "[settings]\r\nfi.trans=30\r\n[rules]\r\nnotepad=ontop\r\nregedit=starttray\r\n"));
    SheetRun run(module.handle);
    ASSERT_TRUE(run.SelectTab(4));
    HWND list = run.Item(480);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(run.Item(490), BM_GETCHECK, 0, 0), BST_CHECKED) << "notepad's ontop";
    EXPECT_EQ(SendMessageA(run.Item(494), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Another program writes while the page is open.
    ASSERT_TRUE(WritePrivateProfileStringA("rules", "winefile", "minfloat", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("settings", "fi.trans", "55", path.c_str()));

    st::Click(run.Item(493));   // notepad: close to tray as well
    auto rule = [&](const char *program) {
        char value[64];
        GetPrivateProfileStringA("rules", program, "(none)", value, sizeof(value), path.c_str());
        return std::string(value);
    };
    EXPECT_EQ(rule("notepad"), "ontop,closetray");
    EXPECT_EQ(rule("regedit"), "starttray");
    EXPECT_EQ(rule("winefile"), "minfloat") << "another writer's rule was lost";
    EXPECT_EQ(st::SettingsInFile(path)["fi.trans"], "55") << "another writer's setting was lost";

    // One minimize place at a time.
    st::Click(run.Item(491));
    EXPECT_EQ(rule("notepad"), "ontop,mintray,closetray");
    st::Click(run.Item(492));
    EXPECT_EQ(rule("notepad"), "ontop,minfloat,closetray");
    EXPECT_EQ(SendMessageA(run.Item(491), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(st::WaitPainted(run.sheet()));
    int width = 0, height = 0;
    std::vector<unsigned char> img;
    if (CaptureWindow(run.sheet(), &width, &height, &img))
        WritePng(ArtifactPath("rules.png"), width, height, img);

    // Added by its path; a name no key can hold adds nothing.
    st::Type(run.Item(481), "C:\\windows\\system32\\Wordpad.exe");
    st::Click(run.Item(482));
    EXPECT_EQ(rule("Wordpad"), "");
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    st::Click(run.Item(494));
    EXPECT_EQ(rule("wordpad"), "starttray");
    st::Type(run.Item(481), "a=b");
    st::Click(run.Item(482));
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);

    // Removed: its key goes, the others stay.
    SendMessageA(list, LB_SETCURSEL, 1, 0);   // regedit
    SendMessageA(run.Page(), WM_COMMAND, MAKEWPARAM(480, LBN_SELCHANGE), (LPARAM)list);
    st::Click(run.Item(483));
    EXPECT_EQ(rule("regedit"), "(none)");
    EXPECT_EQ(rule("winefile"), "minfloat");
    EXPECT_EQ(rule("notepad"), "ontop,minfloat,closetray");
    ASSERT_TRUE(run.Close());
}

// --- the callback on its own ------------------------------------------------

HWND Button(HWND parent, const char *text, int id)
{
    return CreateWindowA("BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20,
                         parent, (HMENU)(INT_PTR)id, NULL, NULL);
}

TEST(SheetCallback, RelabelsCancelAsOkOnlyWhenBothButtonsAreFound)
{
    struct Case { const char *ok, *cancel; bool relabelled; } cases[] = {
        { "OK", "Cancel", true },
        { "OK", "Annuler", false },     // another language: both stay
        { "Ja", "Cancel", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.ok) + "/" + c.cancel);
        HWND sheet = CreateWindowA("STATIC", "sheet", WS_POPUP, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
        HWND ok = Button(sheet, c.ok, IDOK);
        HWND cancel = Button(sheet, c.cancel, IDCANCEL);
        EXPECT_EQ(SheetCallback(sheet, PSCB_INITIALIZED, 0), 1);
        EXPECT_EQ((GetWindowLongA(ok, GWL_STYLE) & WS_VISIBLE) != 0, !c.relabelled);
        EXPECT_EQ(st::Text(cancel), c.relabelled ? "OK" : c.cancel);
        EXPECT_EQ(st::Text(ok), c.ok);
        DestroyWindow(sheet);
    }
}

TEST(SheetCallback, ClearsOnlyTheHelpStyleInEitherTemplateForm)
{
    // DLGTEMPLATE: style at offset 0. DLGTEMPLATEEX: 0xFFFF at offset 2,
    // style at offset 12.
    DWORD plain[8] = { 0x80C82AC4, 0x00000100, 0x12345678 };
    EXPECT_EQ(SheetCallback(NULL, PSCB_PRECREATE, (LPARAM)plain), 1);
    EXPECT_EQ(plain[0], 0x80C80AC4u);
    EXPECT_EQ(plain[1], 0x00000100u);
    EXPECT_EQ(plain[2], 0x12345678u);

    DWORD ex[8] = { 0xFFFF0001, 0x00002000, 0x00002000, 0x80C82AC4, 0x00002000 };
    EXPECT_EQ(SheetCallback(NULL, PSCB_PRECREATE, (LPARAM)ex), 1);
    EXPECT_EQ(ex[0], 0xFFFF0001u);
    EXPECT_EQ(ex[1], 0x00002000u) << "help id";
    EXPECT_EQ(ex[2], 0x00002000u) << "extended style";
    EXPECT_EQ(ex[3], 0x80C80AC4u);
    EXPECT_EQ(ex[4], 0x00002000u);

    // Any other message changes nothing.
    DWORD other[2] = { 0x2000, 0 };
    EXPECT_EQ(SheetCallback(NULL, 3, (LPARAM)other), 1);
    EXPECT_EQ(other[0], 0x2000u);
}

// --- opened from a file dialog ----------------------------------------------

TEST_F(Sheet, OpenedFromAFileDialogKeepsItDisabledUntilClosed)
{
    Client client("client_sheet.exe");
    ASSERT_TRUE(client.ok());
    ASSERT_EQ(client.Call("loadmodule"), "ok");
    ASSERT_EQ(client.Call("post opendialog"), "posted");
    HWND dialog = WaitForProcessWindow(client.pid(), "#32770", NULL);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(IsWindowEnabled(dialog));

    ASSERT_EQ(client.Call("post editini " + HwndStr(dialog)), "posted");
    HWND sheet = WaitForProcessWindow(client.pid(), "#32770", "Brivane");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(GetWindow(sheet, GW_OWNER), dialog);
    EXPECT_FALSE(IsWindowEnabled(dialog));

    // Still disabled while the sheet's pages change.
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_FALSE(IsWindowEnabled(dialog));

    HWND ok = FindWindowExA(sheet, NULL, "Button", "OK");
    while (ok && !IsWindowVisible(ok))
        ok = FindWindowExA(sheet, ok, "Button", "OK");
    ASSERT_TRUE(ok);
    st::Press(ok);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog) != 0; }));
    EXPECT_TRUE(IsWindow(dialog)) << "closing the sheet closed the dialog";
    EXPECT_EQ(client.Call("result"), "0");

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(client.Call("result"), "cancelled");
}

// --- About page -------------------------------------------------------------

// Copies of the stored lines taken on the sheet's thread right before and
// right after every paint of the About page.
std::mutex s_paintLock;
std::vector<std::string> s_aroundPaints;
WNDPROC s_aboutProc;

std::string StoredLines()
{
    return std::string(AboutTagline, sizeof(AboutTagline)) + std::string(AboutNotice, sizeof(AboutNotice));
}

LRESULT CALLBACK WatchPaints(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT)
        return CallWindowProcA(s_aboutProc, hwnd, msg, wParam, lParam);
    std::string before = StoredLines();
    LRESULT r = CallWindowProcA(s_aboutProc, hwnd, msg, wParam, lParam);
    std::lock_guard<std::mutex> hold(s_paintLock);
    s_aroundPaints.push_back(before);
    s_aroundPaints.push_back(StoredLines());
    return r;
}

size_t Paints()
{
    std::lock_guard<std::mutex> hold(s_paintLock);
    return s_aroundPaints.size() / 2;
}

// Count of pixels of colour rgb in a rectangle of the page (client pixels).
int CountPixels(const std::vector<unsigned char> &img, int width, POINT origin, RECT box, COLORREF rgb)
{
    int n = 0;
    for (int y = box.top; y < box.bottom; y++)
        for (int x = box.left; x < box.right; x++) {
            const unsigned char *p = &img[((size_t)(origin.y + y) * width + origin.x + x) * 3];
            n += p[0] == GetRValue(rgb) && p[1] == GetGValue(rgb) && p[2] == GetBValue(rgb);
        }
    return n;
}

TEST_F(Sheet, AboutLinesStayScrambledThroughRepaintsAndAreDrawn)
{
    const std::string stored = StoredLines();
    SheetRun run(module.handle);
    ASSERT_TRUE(run.sheet());
    HWND page = run.Page();
    ASSERT_TRUE(page);
    {
        std::lock_guard<std::mutex> hold(s_paintLock);
        s_aroundPaints.clear();
    }
    s_aboutProc = (WNDPROC)SetWindowLongPtrA(page, GWLP_WNDPROC, (LONG_PTR)WatchPaints);

    // Cover and uncover the page, and have it invalidated, a few times.
    for (int i = 0; i < 4; i++) {
        size_t before = Paints();
        RECT r;
        GetWindowRect(run.sheet(), &r);
        HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                                     r.left, r.top, r.right - r.left, r.bottom - r.top, NULL, NULL, NULL, NULL);
        Pump(20);
        DestroyWindow(cover);
        // Wine keeps each window's pixels, so uncovering alone may not
        // repaint: invalidate as well.
        InvalidateRect(page, NULL, TRUE);
        ASSERT_TRUE(WaitUntil([&] { return Paints() > before; })) << "pass " << i;
    }
    EXPECT_EQ(StoredLines(), stored);
    {
        std::lock_guard<std::mutex> hold(s_paintLock);
        for (size_t i = 0; i < s_aroundPaints.size(); i++)
            EXPECT_EQ(s_aroundPaints[i], stored) << (i % 2 ? "after" : "before") << " paint " << i / 2;
    }

    // What the last paint drew: the first line in dark red, the second and
    // the title in black; then a picture for a person to look at.
    RedrawWindow(run.sheet(), NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN);
    size_t before = Paints();
    ASSERT_TRUE(WaitUntil([&] { return Paints() > before; }));
    ASSERT_TRUE(st::WaitPainted(run.sheet()));
    int width = 0, height = 0;
    std::vector<unsigned char> img;
    ASSERT_TRUE(CaptureWindow(run.sheet(), &width, &height, &img));
    RECT win;
    GetWindowRect(run.sheet(), &win);
    POINT origin = { 0, 0 };
    ClientToScreen(page, &origin);
    origin.x -= win.left;
    origin.y -= win.top;
    RECT tagline = { 138, 140, 138 + 120, 140 + 15 };
    RECT notice = { 125, 155, 125 + 150, 155 + 15 };
    RECT title = { 90, 52, 90 + 200, 52 + 32 };
    EXPECT_GT(CountPixels(img, width, origin, tagline, RGB(0x99, 0, 0)), 20);
    EXPECT_EQ(CountPixels(img, width, origin, notice, RGB(0x99, 0, 0)), 0);
    EXPECT_GT(CountPixels(img, width, origin, notice, RGB(0, 0, 0)), 20);
    EXPECT_GT(CountPixels(img, width, origin, title, RGB(0, 0, 0)), 200) << "large bold title";
    EXPECT_TRUE(WritePng(ArtifactPath("about.png"), width, height, img));

    SetWindowLongPtrA(page, GWLP_WNDPROC, (LONG_PTR)s_aboutProc);
    EXPECT_TRUE(run.Close());
}

// GDI calls of the About page's paints, seen through this program's imports.
HFONT (WINAPI *s_realCreateFont)(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                                 DWORD, DWORD, LPCSTR);
HGDIOBJ (WINAPI *s_realSelect)(HDC, HGDIOBJ);
BOOL (WINAPI *s_realDelete)(HGDIOBJ);
std::mutex s_gdiLock;
std::vector<HFONT> s_fonts;            // created, not yet deleted
int s_fontsCreated, s_deletedWhileSelected;
std::vector<std::pair<HDC, HFONT>> s_selected;

HFONT WINAPI RecordCreateFont(int h, int w, int esc, int ori, int weight, DWORD italic, DWORD under,
                              DWORD strike, DWORD charset, DWORD prec, DWORD clip, DWORD quality,
                              DWORD pitch, LPCSTR face)
{
    HFONT font = s_realCreateFont(h, w, esc, ori, weight, italic, under, strike, charset, prec, clip,
                                  quality, pitch, face);
    std::lock_guard<std::mutex> hold(s_gdiLock);
    if (face && !lstrcmpA(face, "Georgia")) {
        s_fonts.push_back(font);
        s_fontsCreated++;
    }
    return font;
}

HGDIOBJ WINAPI RecordSelect(HDC dc, HGDIOBJ obj)
{
    HGDIOBJ previous = s_realSelect(dc, obj);
    std::lock_guard<std::mutex> hold(s_gdiLock);
    for (auto it = s_selected.begin(); it != s_selected.end();)
        it = it->first == dc ? s_selected.erase(it) : it + 1;
    for (HFONT f : s_fonts)
        if (f == obj)
            s_selected.push_back({ dc, f });
    return previous;
}

BOOL WINAPI RecordDelete(HGDIOBJ obj)
{
    {
        std::lock_guard<std::mutex> hold(s_gdiLock);
        for (auto &sel : s_selected)
            if (sel.second == obj)
                s_deletedWhileSelected++;
        for (auto it = s_fonts.begin(); it != s_fonts.end();)
            it = *it == obj ? s_fonts.erase(it) : it + 1;
    }
    return s_realDelete(obj);
}

TEST_F(Sheet, AboutPaintsFreeTheirTitleFont)
{
    s_realCreateFont = (decltype(s_realCreateFont))PatchImport("gdi32.dll", "CreateFontA", (void *)RecordCreateFont);
    s_realSelect = (decltype(s_realSelect))PatchImport("gdi32.dll", "SelectObject", (void *)RecordSelect);
    s_realDelete = (decltype(s_realDelete))PatchImport("gdi32.dll", "DeleteObject", (void *)RecordDelete);
    ASSERT_TRUE(s_realCreateFont && s_realSelect && s_realDelete);
    {
        SheetRun run(module.handle);
        ASSERT_TRUE(run.sheet());
        HWND page = run.Page();
        for (int i = 0; i < 3; i++) {
            InvalidateRect(page, NULL, TRUE);
            ASSERT_TRUE(st::WaitPainted(run.sheet()));
        }
        EXPECT_TRUE(run.Close());
    }
    PatchImport("gdi32.dll", "CreateFontA", (void *)s_realCreateFont);
    PatchImport("gdi32.dll", "SelectObject", (void *)s_realSelect);
    PatchImport("gdi32.dll", "DeleteObject", (void *)s_realDelete);

    std::lock_guard<std::mutex> hold(s_gdiLock);
    EXPECT_GE(s_fontsCreated, 3) << "one font per paint";
    EXPECT_TRUE(s_fonts.empty()) << s_fonts.size() << " fonts never deleted";
    EXPECT_EQ(s_deletedWhileSelected, 0) << "a font still selected is not freed";
}

TEST(AboutTemplate, AsTabled)
{
    Module module;
    st::DialogTemplate t = st::LoadDialogTemplate(module.handle, "About");
    ASSERT_TRUE(t.found);
    EXPECT_EQ(t.style, 0x80C808C0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.cx, 270);
    EXPECT_EQ(t.cy, 145);
    EXPECT_EQ(t.menu, "");
    EXPECT_EQ(t.cls, "");
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.font, "MS Sans Serif");
    ASSERT_EQ(t.items.size(), 1u);
    const st::TemplateItem &icon = t.items[0];
    EXPECT_EQ(icon.id, 0xFFFF);
    EXPECT_EQ(icon.cls, "STATIC");
    EXPECT_EQ(lstrcmpiA(icon.text.c_str(), "Favico2"), 0) << icon.text;
    EXPECT_EQ(icon.style, 0x50000003u);
    EXPECT_EQ(icon.exStyle, 0u);
    EXPECT_EQ(icon.x, 30);
    EXPECT_EQ(icon.y, 30);
    EXPECT_EQ(icon.cx, 20);
    EXPECT_EQ(icon.cy, 20);

    // Both icons at their sizes and 256 colours.
    struct Icon { const char *name; int size; } icons[] = { { "Favico", 16 }, { "Favico2", 32 } };
    for (const Icon &i : icons) {
        SCOPED_TRACE(i.name);
        HRSRC group = FindResourceA(module.handle, i.name, (LPCSTR)RT_GROUP_ICON);
        ASSERT_TRUE(group);
        const BYTE *dir = (const BYTE *)LockResource(LoadResource(module.handle, group));
        ASSERT_EQ(*(const WORD *)(dir + 4), 1) << "one image";
        EXPECT_EQ(dir[6], i.size);     // width
        EXPECT_EQ(dir[7], i.size);     // height
        EXPECT_EQ(*(const WORD *)(dir + 12), 8) << "bits per pixel";
    }
}

TEST(AboutLines, TheModuleFileHoldsThemOnlyScrambled)
{
    std::string dll = ReadFile(ExeDir() + BRIVANE_MODULE_FILE);
    ASSERT_FALSE(dll.empty());
    std::string tagline(AboutTagline), notice(AboutNotice);
    EXPECT_NE(dll.find(tagline), std::string::npos) << "stored form missing";
    EXPECT_NE(dll.find(notice), std::string::npos) << "stored form missing";
    UnscrambleText(&tagline[0], ScrambleSeed);
    UnscrambleText(&notice[0], ScrambleSeed);
    EXPECT_EQ(dll.find(tagline), std::string::npos) << tagline;
    EXPECT_EQ(dll.find(notice), std::string::npos) << notice;
}

} // namespace
