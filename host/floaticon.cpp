// Floating icons: small always-visible windows that stand for a hidden
// window. A click brings the window back; dragging moves the icon.
#include "host.h"
#include <commctrl.h>
#include <stdlib.h>
#include "../core/textbuf.h"

// Window properties of a floating icon.
#define PROP_TARGET "Brivane.Target"   // the hidden window
#define PROP_ICON   "Brivane.Icon"     // its icon (owned by the hidden list)
#define PROP_SHOT   "Brivane.Shot"     // screenshot bitmap, owned here
#define PROP_BACK   "Brivane.Back"     // iconColor when created
#define PROP_BORDER "Brivane.Border"   // borderColor when created

// One drag at a time: the mouse is captured while it lasts.
static POINT s_pressAt;
static POINT s_windowAt;
static BOOL s_dragging;

static void Paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH back = CreateSolidBrush((COLORREF)(UINT_PTR)GetPropA(hwnd, PROP_BACK));
    HBRUSH border = CreateSolidBrush((COLORREF)(UINT_PTR)GetPropA(hwnd, PROP_BORDER));
    FillRect(dc, &r, back);
    // The scale of the screen the icon is on now: it may have been dragged
    // to another one since it was made.
    FloatMetrics m = FloatMetricsForDpi((int)WindowDpi(hwnd));
    for (int i = 0; i < m.frame; i++) {
        RECT f = { r.left + i, r.top + i, r.right - i, r.bottom - i };
        FrameRect(dc, &f, border);
    }
    int width = r.right - 2 * m.inset, height = r.bottom - 2 * m.inset;
    HBITMAP shot = (HBITMAP)GetPropA(hwnd, PROP_SHOT);
    BITMAP bm;
    if (shot && GetObjectA(shot, sizeof(bm), &bm)) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, shot);
        if (bm.bmWidth == width && bm.bmHeight == height) {
            BitBlt(dc, m.inset, m.inset, width, height, mem, 0, 0, SRCCOPY);
        } else {
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, NULL);
            StretchBlt(dc, m.inset, m.inset, width, height, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        }
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        HICON icon = (HICON)GetPropA(hwnd, PROP_ICON);
        if (icon)
            DrawIconEx(dc, m.inset, m.inset, icon, m.icon, m.icon, 0, NULL, DI_NORMAL);
    }
    DeleteObject(back);
    DeleteObject(border);
    EndPaint(hwnd, &ps);
}

// Where the cursor was when the message was sent, not where it is now.
static POINT MessagePoint()
{
    DWORD pos = GetMessagePos();
    POINT p = { (short)LOWORD(pos), (short)HIWORD(pos) };
    return p;
}

// Moved onto a screen of another scale (or the scale was changed): take
// the size the system proposes, which keeps the icon under the cursor, and
// draw it again at the new scale.
static void OnDpiChanged(HWND hwnd, const RECT *suggested)
{
    if (suggested)
        SetWindowPos(hwnd, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, NULL, FALSE);
}

static LRESULT CALLBACK FloatIconProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT covers every pixel
    case WM_LBUTTONDOWN: {
        RECT r;
        GetWindowRect(hwnd, &r);
        s_windowAt.x = r.left;
        s_windowAt.y = r.top;
        s_pressAt = MessagePoint();
        s_dragging = FALSE;
        // The capture holds outside the icon only while this thread is in
        // the foreground, so a click activates the icon (not the target).
        SetCapture(hwnd);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd) {
            POINT p = MessagePoint();
            if (!s_dragging && (abs(p.x - s_pressAt.x) > GetSystemMetrics(SM_CXDRAG) ||
                                abs(p.y - s_pressAt.y) > GetSystemMetrics(SM_CYDRAG)))
                s_dragging = TRUE;
                    if (s_dragging)
                SetWindowPos(hwnd, NULL, s_windowAt.x + p.x - s_pressAt.x, s_windowAt.y + p.y - s_pressAt.y,
                             0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) {
            BOOL click = !s_dragging;
            ReleaseCapture();
            // The host restores: it destroys this window on the way.
            if (click)
                PostMessageA(g_host, WM_RESTOREHIDDEN, (WPARAM)GetPropA(hwnd, PROP_TARGET), 0);
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        PostMessageA(g_host, WM_RESTOREHIDDEN, (WPARAM)GetPropA(hwnd, PROP_TARGET), 0);
        return 0;
    case WM_CAPTURECHANGED:
        s_dragging = FALSE;
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(hwnd, (const RECT *)lParam);
        return 0;
    case WM_NCDESTROY: {
        HBITMAP shot = (HBITMAP)RemovePropA(hwnd, PROP_SHOT);
        if (shot)
            DeleteObject(shot);
        RemovePropA(hwnd, PROP_TARGET);
        RemovePropA(hwnd, PROP_ICON);
        RemovePropA(hwnd, PROP_BACK);
        RemovePropA(hwnd, PROP_BORDER);
        break;
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

BOOL RegisterFloatIconClass()
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FloatIconProc;
    wc.hInstance = g_hostInstance;
    wc.hCursor = LoadCursor(NULL, IDC_HAND);
    wc.lpszClassName = FLOAT_WINDOW_CLASS;
    return RegisterClassA(&wc) != 0;
}

// What the screen shows of the window, scaled to fit width x height with
// its proportions, centred on the background colour. Read from the screen,
// not asked of the window: a hung program cannot hold us up.
static HBITMAP TakeScreenshot(HWND target, int width, int height, COLORREF back)
{
    RECT r;
    if (!GetWindowRect(target, &r) || r.right <= r.left || r.bottom <= r.top)
        return NULL;
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP shot = CreateCompatibleBitmap(screen, width, height);
    if (!mem || !shot) {
        if (shot)
            DeleteObject(shot);
        if (mem)
            DeleteDC(mem);
        ReleaseDC(NULL, screen);
        return NULL;
    }
    HGDIOBJ old = SelectObject(mem, shot);
    RECT all = { 0, 0, width, height };
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    int w, h;
    FitInto(r.right - r.left, r.bottom - r.top, width, height, &w, &h);
    SetStretchBltMode(mem, HALFTONE);
    SetBrushOrgEx(mem, 0, 0, NULL);
    StretchBlt(mem, (width - w) / 2, (height - h) / 2, w, h, screen, r.left, r.top, r.right - r.left,
               r.bottom - r.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return shot;
}

struct TakenPlaces {
    HMONITOR monitor;
    IRect rects[FLOAT_MAX_ICONS];
    size_t count;
};

static BOOL CALLBACK CollectFloatIcon(HWND w, LPARAM lp)
{
    TakenPlaces *t = (TakenPlaces *)lp;
    char cls[64];
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(w) || !GetClassNameA(w, cls, COUNTOF(cls)) ||
        lstrcmpA(cls, FLOAT_WINDOW_CLASS) || t->count >= COUNTOF(t->rects))
        return TRUE;
    RECT r;
    if (GetWindowRect(w, &r) && MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST) == t->monitor) {
        IRect ir = { r.left, r.top, r.right, r.bottom };
        t->rects[t->count++] = ir;
    }
    return TRUE;
}

// Adds the target's title as the icon's tooltip.
static void AddTooltip(HWND icon, const char *title)
{
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               0, 0, 0, 0, icon, NULL, g_hostInstance, NULL);
    if (!tip)
        return;
    TOOLINFOA ti;
    ZeroMemory(&ti, sizeof(ti));
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = icon;
    ti.uId = (UINT_PTR)icon;
    ti.lpszText = (LPSTR)title;
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&ti);
}

HWND CreateFloatIcon(HWND target, HICON icon)
{
    // The settings as they are now: the sheet may have changed them.
    FloatLook look = MakeFloatLook(g_shared->initPosition, g_shared->followMode, g_shared->opacity,
                                   g_shared->onTop, g_shared->makeScreenshots, g_shared->screenshotWidth,
                                   g_shared->screenshotHeight);
    COLORREF back = g_shared->iconColor & 0xFFFFFF, border = g_shared->borderColor & 0xFFFFFF;

    // The icon goes onto the target's screen, at that screen's scale.
    static TakenPlaces taken;
    taken.monitor = MonitorFromWindow(target, MONITOR_DEFAULTTONEAREST);
    int dpi = (int)MonitorDpi(taken.monitor);
    int width, height;
    FloatIconSize(look, &width, &height, dpi);
    taken.count = 0;
    MONITORINFO mi;
    ZeroMemory(&mi, sizeof(mi));
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoA(taken.monitor, &mi))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &mi.rcWork, 0);
    EnumWindows(CollectFloatIcon, (LPARAM)&taken);
    IRect work = { mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom };
    int x, y;
    PlaceFloatIcon(work, width, height, look.initPosition, look.followMode, taken.rects, taken.count, &x, &y, dpi);

    HBITMAP shot = NULL;
    if (look.screenshots)
        shot = TakeScreenshot(target, ScaleForDpi(look.shotWidth, dpi), ScaleForDpi(look.shotHeight, dpi), back);

    char title[256];
    if (!GetWindowTextA(target, title, COUNTOF(title)) || !title[0])
        BufSet(title, COUNTOF(title), "(untitled window)");
    DWORD ex = WS_EX_TOOLWINDOW | (look.onTop ? WS_EX_TOPMOST : 0) | (look.alpha < 255 ? WS_EX_LAYERED : 0);
    HWND hwnd = CreateWindowExA(ex, FLOAT_WINDOW_CLASS, title, WS_POPUP, x, y, width, height, NULL, NULL,
                                g_hostInstance, NULL);
    if (!hwnd) {
        if (shot)
            DeleteObject(shot);
        return NULL;
    }
    SetPropA(hwnd, PROP_TARGET, (HANDLE)target);
    SetPropA(hwnd, PROP_ICON, (HANDLE)icon);
    SetPropA(hwnd, PROP_BACK, (HANDLE)(UINT_PTR)back);
    SetPropA(hwnd, PROP_BORDER, (HANDLE)(UINT_PTR)border);
    if (shot)
        SetPropA(hwnd, PROP_SHOT, (HANDLE)shot);
    if (look.alpha < 255)
        SetLayeredWindowAttributes(hwnd, 0, (BYTE)look.alpha, LWA_ALPHA);
    AddTooltip(hwnd, title);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    return hwnd;
}
