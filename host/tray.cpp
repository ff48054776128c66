// The host's own tray icon and menu, and the tray icons of hidden windows.
#include "host.h"
#include <shellapi.h>
#include "../core/textbuf.h"

static BOOL s_hostIconShown;
static BOOL s_hostIconWanted;
static HICON s_hostIcon;
static char s_tip[128] = "Brivane";

static void FillHostIcon(NOTIFYICONDATAA *nid)
{
    ZeroMemory(nid, sizeof(*nid));
    nid->cbSize = sizeof(*nid);
    nid->hWnd = g_host;
    nid->uID = HOST_TRAY_ID;
}

static BOOL AddHostIcon()
{
    if (!s_hostIcon)
        s_hostIcon = (HICON)LoadImageA(g_hostInstance, "BRIVANE", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    NOTIFYICONDATAA nid;
    FillHostIcon(&nid);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_HOSTTRAY;
    nid.hIcon = s_hostIcon;
    BufSet(nid.szTip, COUNTOF(nid.szTip), s_tip);
    return Shell_NotifyIconA(NIM_ADD, &nid);
}

void SetHostTrayNote(const char *tip, const char *balloon)
{
    BufSet(s_tip, COUNTOF(s_tip), tip);
    if (!s_hostIconShown)
        return;   // the tooltip is there when the icon is added
    NOTIFYICONDATAA nid;
    FillHostIcon(&nid);
    nid.uFlags = NIF_TIP;
    BufSet(nid.szTip, COUNTOF(nid.szTip), s_tip);
    if (balloon) {
        nid.uFlags |= NIF_INFO;
        nid.dwInfoFlags = NIIF_WARNING;
        BufSet(nid.szInfoTitle, COUNTOF(nid.szInfoTitle), "Brivane: a shortcut is taken");
        BufSet(nid.szInfo, COUNTOF(nid.szInfo), balloon);
    }
    Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void ShowHostBalloon(const char *title, const char *text)
{
    if (!s_hostIconShown) {
        // trayrun=0: the icon comes for the balloon alone.
        s_hostIconShown = AddHostIcon();
        if (!s_hostIconShown)
            return;
        SetTimer(g_host, BALLOON_ICON_TIMER, BALLOON_ICON_MS, NULL);
    }
    NOTIFYICONDATAA nid;
    FillHostIcon(&nid);
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_INFO;
    BufSet(nid.szInfoTitle, COUNTOF(nid.szInfoTitle), title);
    BufSet(nid.szInfo, COUNTOF(nid.szInfo), text);
    Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void OnBalloonIconTimer()
{
    KillTimer(g_host, BALLOON_ICON_TIMER);
    if (!s_hostIconWanted)
        RemoveHostTrayIcon();
}

void RemoveHostTrayIcon()
{
    if (!s_hostIconShown)
        return;
    NOTIFYICONDATAA nid;
    FillHostIcon(&nid);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    s_hostIconShown = FALSE;
}

// Called at start, after the sheet and when a page announces a change:
// runInTray may have changed on the sheet in any process. A failed add is
// retried only when the taskbar announces itself.
void SyncHostTrayIcon()
{
    BOOL want = g_shared->runInTray != 0;
    if (want == s_hostIconWanted)
        return;
    s_hostIconWanted = want;
    if (want)
        s_hostIconShown = AddHostIcon();
    else
        RemoveHostTrayIcon();
}

void ReAddHostTrayIcon()
{
    s_hostIconShown = FALSE;
    if (s_hostIconWanted)
        s_hostIconShown = AddHostIcon();
}

void ShowHostMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    if (AppendHiddenWindowItems(menu))
        AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuW(menu, MF_STRING, IDM_HOST_SETTINGS, L"Settings\u2026");
    AppendMenuW(menu, MF_STRING | (HiddenCount() ? 0 : MF_GRAYED), IDM_HOST_RESTORE_ALL, L"Restore all windows");
    // Checked from the registry each time: the installer or another copy
    // may have changed the value since.
    AppendMenuW(menu, MF_STRING | (StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED), IDM_HOST_AUTOSTART,
                L"Start with &Windows");
    AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuW(menu, MF_STRING, IDM_HOST_EXIT, L"Exit");
    SetMenuDefaultItem(menu, IDM_HOST_SETTINGS, FALSE);
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if our window is
    // in the foreground; the WM_NULL afterwards is the documented pairing.
    SetForegroundWindow(g_host);
    UINT id = (UINT)TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                                     g_host, NULL);
    PostMessageA(g_host, WM_NULL, 0, 0);
    HWND hidden = HiddenWindowOfItem(id);
    EndHiddenWindowItems();
    DestroyMenu(menu);
    if (hidden)
        PostMessageA(g_host, WM_RESTOREHIDDEN, (WPARAM)hidden, 0);
    else if (id && id < IDM_HIDDEN_FIRST)
        PostMessageA(g_host, WM_COMMAND, id, 0);
}

void OnHostTrayMessage(LPARAM mouse)
{
    switch (mouse) {
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        ShowHostMenu();
        break;
    case WM_LBUTTONDBLCLK:
        PostMessageA(g_host, WM_COMMAND, IDM_HOST_SETTINGS, 0);
        break;
    }
}

BOOL AddWindowTrayIcon(UINT id, HICON icon, HWND window)
{
    NOTIFYICONDATAA nid;
    ZeroMemory(&nid, sizeof(nid));
    nid.cbSize = sizeof(nid);
    nid.hWnd = g_host;
    nid.uID = id;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_WINDOWTRAY;
    nid.hIcon = icon;
    // Another program's title is read without a message: never blocks.
    if (!GetWindowTextA(window, nid.szTip, COUNTOF(nid.szTip)) || !nid.szTip[0])
        BufSet(nid.szTip, COUNTOF(nid.szTip), "(untitled window)");
    return Shell_NotifyIconA(NIM_ADD, &nid);
}

void RemoveWindowTrayIcon(UINT id)
{
    NOTIFYICONDATAA nid;
    ZeroMemory(&nid, sizeof(nid));
    nid.cbSize = sizeof(nid);
    nid.hWnd = g_host;
    nid.uID = id;
    Shell_NotifyIconA(NIM_DELETE, &nid);
}
