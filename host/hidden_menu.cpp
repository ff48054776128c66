// The hidden windows at hand: every window behind a tray or floating icon
// as an item with its icon and title, the most recent first, in the host's
// tray menu and in a menu of their own that a shortcut opens at the
// pointer with its first item selected. The tray icon of a hidden window
// has a menu too, with "Close" to close the window for real.
#include "host.h"
#include "../core/textbuf.h"

enum { IDM_WINDOW_RESTORE = 1, IDM_WINDOW_CLOSE = 2 };

// What the open menu shows: its windows and copies of their icons (an
// entry may go while the menu is open, and its icon with it).
static HWND s_windows[FLOAT_MAX_ICONS];
static HICON s_icons[FLOAT_MAX_ICONS];
static int s_shown;

static void DropMenuIcons()
{
    for (int i = 0; i < s_shown; i++)
        if (s_icons[i])
            DestroyIcon(s_icons[i]);
    s_shown = 0;
}

// The item text: the title with "&" doubled (it would underline the next
// letter), cut to a length a menu can show.
static void ItemText(HWND window, char *out, size_t cap)
{
    char title[128] = "";
    // Another program's title is read without a message: never blocks.
    if (!GetWindowTextA(window, title, COUNTOF(title)) || !title[0])
        BufSet(title, COUNTOF(title), "(untitled window)");
    size_t n = 0;
    for (const char *p = title; *p && n + 3 < cap; p++) {
        if (*p == '&')
            out[n++] = '&';
        out[n++] = *p;
    }
    out[n] = '\0';
}

int AppendHiddenWindowItems(HMENU menu)
{
    DropMenuIcons();
    // The icons stand in the check marks' column: a column of their own
    // beside it is left out of the menu's width by Wine, which then cuts
    // every item's text.
    MENUINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = MIM_STYLE;
    info.dwStyle = MNS_CHECKORBMP;
    SetMenuInfo(menu, &info);
    int count = HiddenCount();
    // The most recent first: by the order each was hidden in, largest first.
    DWORD below = (DWORD)-1;
    for (int k = 0; k < count && s_shown < FLOAT_MAX_ICONS; k++) {
        const HiddenWindow *next = NULL;
        for (int i = 0; i < count; i++) {
            const HiddenWindow *h = HiddenAt(i);
            if (h->order < below && (!next || h->order > next->order))
                next = h;
        }
        if (!next)
            break;
        below = next->order;
        char text[260];
        ItemText(next->window, text, COUNTOF(text));
        MENUITEMINFOA mii;
        ZeroMemory(&mii, sizeof(mii));
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_DATA;
        mii.wID = IDM_HIDDEN_FIRST + s_shown;
        mii.dwTypeData = text;
        mii.hbmpItem = HBMMENU_CALLBACK;   // drawn from the icon: WM_DRAWITEM
        mii.dwItemData = (ULONG_PTR)s_shown;
        s_windows[s_shown] = next->window;
        s_icons[s_shown] = next->icon ? CopyIcon(next->icon) : NULL;
        if (InsertMenuItemA(menu, (UINT)s_shown, TRUE, &mii))
            s_shown++;
        else if (s_icons[s_shown])
            DestroyIcon(s_icons[s_shown]);
    }
    return s_shown;
}

HWND HiddenWindowOfItem(UINT id)
{
    if (id < IDM_HIDDEN_FIRST || id >= IDM_HIDDEN_FIRST + (UINT)s_shown)
        return NULL;
    HWND window = s_windows[id - IDM_HIDDEN_FIRST];
    return FindHidden(window) ? window : NULL;
}

void EndHiddenWindowItems()
{
    DropMenuIcons();
}

BOOL OnHiddenMenuMeasure(MEASUREITEMSTRUCT *mi)
{
    if (!mi || mi->CtlType != ODT_MENU || mi->itemID < IDM_HIDDEN_FIRST)
        return FALSE;
    mi->itemWidth = GetSystemMetrics(SM_CXSMICON);
    mi->itemHeight = GetSystemMetrics(SM_CYSMICON);
    return TRUE;
}

BOOL OnHiddenMenuDraw(const DRAWITEMSTRUCT *di)
{
    if (!di || di->CtlType != ODT_MENU || di->itemID < IDM_HIDDEN_FIRST)
        return FALSE;
    int i = (int)di->itemData;
    if (i < 0 || i >= s_shown || !s_icons[i])
        return TRUE;
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    int top = di->rcItem.top + ((di->rcItem.bottom - di->rcItem.top) - cy) / 2;
    DrawIconEx(di->hDC, di->rcItem.left, top, s_icons[i], cx, cy, 0, NULL, DI_NORMAL);
    return TRUE;
}

// Runs the menu at the pointer and returns the chosen id (0: none). With
// selectFirst the first item is selected, for the keyboard.
static UINT TrackAtPointer(HMENU menu, BOOL selectFirst)
{
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if our window is
    // in the foreground; the WM_NULL afterwards is the documented pairing.
    SetForegroundWindow(g_host);
    if (selectFirst)
        PostMessageA(g_host, WM_KEYDOWN, VK_DOWN, 0);   // the menu's loop takes it as the first key
    UINT id = (UINT)TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, g_host,
                                     NULL);
    PostMessageA(g_host, WM_NULL, 0, 0);
    return id;
}

void ShowHiddenWindowsMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    if (!AppendHiddenWindowItems(menu))
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "No hidden windows");
    UINT id = TrackAtPointer(menu, TRUE);
    HWND window = HiddenWindowOfItem(id);
    EndHiddenWindowItems();
    DestroyMenu(menu);
    if (window)
        PostMessageA(g_host, WM_RESTOREHIDDEN, (WPARAM)window, 0);
}

void ShowWindowTrayMenu(UINT trayId)
{
    HiddenWindow *h = FindHiddenByTrayId(trayId);
    HMENU menu = h ? CreatePopupMenu() : NULL;
    if (!menu)
        return;
    HWND window = h->window;
    AppendMenuA(menu, MF_STRING, IDM_WINDOW_RESTORE, "&Restore");
    AppendMenuA(menu, MF_STRING, IDM_WINDOW_CLOSE, "&Close");
    SetMenuDefaultItem(menu, IDM_WINDOW_RESTORE, FALSE);
    UINT id = TrackAtPointer(menu, FALSE);
    DestroyMenu(menu);
    if (!id || !FindHidden(window))
        return;   // it went while the menu was open
    RestoreHidden(window);
    // Closed for real: shown first, so that whatever it asks (save the
    // changes?) can be seen and answered. WM_CLOSE is no system command:
    // the close-to-tray rule does not hold it back.
    if (id == IDM_WINDOW_CLOSE)
        PostMessageA(window, WM_CLOSE, 0, 0);
}
