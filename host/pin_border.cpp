// A thin border around every window the host pinned (made topmost): a
// click-through window of the host's that never takes the focus, shaped to
// a frame, kept just above its window and moved with it as the window's
// program reports moves, resizes, minimising and restoring. Windows that
// were topmost on their own get none.
#include "host.h"
#include "../core/hotkeys.h"
#include "../core/textbuf.h"
#include "../core/values.h"

#define BORDER_WINDOW_CLASS "BrivanePinBorder"

enum { PIN_BORDER_WIDTH = 2 };   // pixels at 96 dpi

struct Pinned {
    HWND target;
    DWORD pid;
    HWND border;        // created on the first showing
    BOOL watched;       // WatchProcess took it
    BOOL seenTopmost;   // the pin (asynchronous) has taken effect
};

static Pinned s_pinned[MAX_PINNED];
static int s_count;
static BOOL s_enabled = TRUE;
static HBRUSH s_brush;

static void OnBorderScaleChanged(HWND border);

static LRESULT CALLBACK BorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT fills every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, s_brush ? s_brush : (HBRUSH)GetStockObject(BLACK_BRUSH));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DPICHANGED:
        // The screen's scale changed under the border: placed and sized
        // by its window again, not by the system's suggestion.
        OnBorderScaleChanged(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

BOOL RegisterPinBorderClass()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BorderProc;
    wc.hInstance = g_hostInstance;
    wc.lpszClassName = BORDER_WINDOW_CLASS;
    return RegisterClassA(&wc) != 0;
}

typedef HRESULT (WINAPI *DwmAttributeFn)(HWND, DWORD, void *, DWORD);

// The window manager's DwmGetWindowAttribute, looked up once: loaded at
// run time, so that the host starts where dwmapi is missing or older.
static DwmAttributeFn DwmAttribute()
{
    static DwmAttributeFn attribute;
    static BOOL looked;
    if (!looked) {
        looked = TRUE;
        HMODULE dwm = LoadLibraryExA("dwmapi.dll", NULL, 0x800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
        if (dwm)
            attribute = (DwmAttributeFn)GetProcAddress(dwm, "DwmGetWindowAttribute");
    }
    return attribute;
}

// The frame the user sees: on Windows 10 and later the window rectangle
// also holds the invisible resize borders, which the window manager tells
// apart. Elsewhere (and under Wine) the window rectangle.
static BOOL VisibleFrame(HWND window, RECT *r)
{
    DwmAttributeFn attribute = DwmAttribute();
    if (attribute && SUCCEEDED(attribute(window, 9 /* DWMWA_EXTENDED_FRAME_BOUNDS */, r, sizeof(*r))) &&
        r->right > r->left && r->bottom > r->top)
        return TRUE;
    return GetWindowRect(window, r);
}

// The system's build number, which GetVersionEx would hide from a program
// not manifested for it; 0 when unknown.
static unsigned SystemBuild()
{
    static unsigned build = (unsigned)-1;
    if (build == (unsigned)-1) {
        build = 0;
        typedef LONG (WINAPI *RtlGetVersionFn)(OSVERSIONINFOW *);
        RtlGetVersionFn get = (RtlGetVersionFn)GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
        OSVERSIONINFOW info;
        ZeroMemory(&info, sizeof(info));
        info.dwOSVersionInfoSize = sizeof(info);
        if (get && get(&info) == 0)
            build = info.dwBuildNumber;
    }
    return build;
}

// How round the window's visible corners are (Windows 11 rounds them as
// the window's corner preference says): 0 for square corners.
static int CornerRadius(HWND window, int dpi)
{
    DwmAttributeFn attribute = DwmAttribute();
    DWORD preference = 0;
    BOOL known = attribute && SUCCEEDED(attribute(window, 33 /* DWMWA_WINDOW_CORNER_PREFERENCE */, &preference,
                                                  sizeof(preference)));
    return FrameCornerRadius(known != FALSE, (int)preference, SystemBuild(), IsZoomed(window) != FALSE, dpi);
}

static void Place(Pinned *p)
{
    HWND target = p->target;
    BOOL topmost = (GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (topmost)
        p->seenTopmost = TRUE;
    BOOL show = s_enabled && IsWindowVisible(target) && !IsIconic(target);
    RECT r;
    if (!show || !VisibleFrame(target, &r)) {
        if (p->border)
            ShowWindow(p->border, SW_HIDE);
        return;
    }
    if (!p->border) {
        p->border = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED |
                                        WS_EX_TRANSPARENT,
                                    BORDER_WINDOW_CLASS, NULL, WS_POPUP | WS_DISABLED, 0, 0, 0, 0, NULL, NULL,
                                    g_hostInstance, NULL);
        if (!p->border)
            return;
        SetLayeredWindowAttributes(p->border, 0, 255, LWA_ALPHA);
    }
    // As thick as the scale of the screen the window is on now.
    int dpi = (int)MonitorDpi(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
    int width = ScaleForDpi(PIN_BORDER_WIDTH, dpi);
    int radius = CornerRadius(target, dpi);
    InflateRect(&r, width, width);
    int cx = r.right - r.left, cy = r.bottom - r.top;
    // Round corners follow the window's, the frame's outer edge as much
    // further out as the border is wide. (A round region's right and
    // bottom edges lie one pixel inside the rectangle given.)
    HRGN frame = radius ? CreateRoundRectRgn(0, 0, cx + 1, cy + 1, 2 * (radius + width), 2 * (radius + width))
                        : CreateRectRgn(0, 0, cx, cy);
    HRGN inside = radius ? CreateRoundRectRgn(width, width, cx - width + 1, cy - width + 1, 2 * radius, 2 * radius)
                         : CreateRectRgn(width, width, cx - width, cy - width);
    if (frame && inside && CombineRgn(frame, frame, inside, RGN_DIFF) != ERROR) {
        if (SetWindowRgn(p->border, frame, FALSE))
            frame = NULL;   // the system's now
    }
    if (frame)
        DeleteObject(frame);
    if (inside)
        DeleteObject(inside);
    // Just above its window, so that what covers the window covers its
    // border too; at the top until the pin has taken effect.
    HWND above = GetWindow(target, GW_HWNDPREV);
    UINT flags = SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (above == p->border)
        flags |= SWP_NOZORDER;
    else if (!above || !(GetWindowLongA(above, GWL_EXSTYLE) & WS_EX_TOPMOST))
        above = HWND_TOPMOST;
    SetWindowPos(p->border, above, r.left, r.top, cx, cy, flags);
    InvalidateRect(p->border, NULL, FALSE);
}

static Pinned *FindPinned(HWND target)
{
    for (int i = 0; i < s_count; i++)
        if (s_pinned[i].target == target)
            return &s_pinned[i];
    return NULL;
}

static void Unpin(Pinned *p)
{
    if (p->border)
        DestroyWindow(p->border);
    if (p->watched)
        UnwatchProcess(p->pid);
    int i = (int)(p - s_pinned);
    for (int j = i; j + 1 < s_count; j++)
        s_pinned[j] = s_pinned[j + 1];
    s_count--;
}

void SetPinned(HWND target, BOOL pinned)
{
    Pinned *p = FindPinned(target);
    if (!pinned) {
        if (p)
            Unpin(p);
        return;
    }
    if (p || s_count >= MAX_PINNED)
        return;
    p = &s_pinned[s_count++];
    ZeroMemory(p, sizeof(*p));
    p->target = target;
    GetWindowThreadProcessId(target, &p->pid);
    p->watched = WatchProcess(p->pid);
    Place(p);
}

static void OnBorderScaleChanged(HWND border)
{
    for (int i = 0; i < s_count; i++)
        if (s_pinned[i].border == border)
            Place(&s_pinned[i]);
}

BOOL IsPinned(HWND target)
{
    return FindPinned(target) != NULL;
}

HWND PinBorderOf(HWND target)
{
    Pinned *p = FindPinned(target);
    return p ? p->border : NULL;
}

void OnPinnedWindowEvent(DWORD event, HWND window)
{
    Pinned *p = FindPinned(window);
    if (!p)
        return;
    // Closed, or made not topmost by its own program: no longer pinned.
    (void)event;   // whatever happened, the window itself is looked at
    if (!IsWindow(window) || (p->seenTopmost && !(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST))) {
        Unpin(p);
        return;
    }
    Place(p);
}

void DropPinnedOfProcess(DWORD pid)
{
    for (int i = s_count - 1; i >= 0; i--)
        if (s_pinned[i].pid == pid)
            Unpin(&s_pinned[i]);
}

void ApplyPinLook()
{
    char text[16];
    s_enabled = GetPrivateProfileIntA("settings", PIN_BORDER_KEY, 1, g_configPath) != 0;
    // Read as the module reads colours: the first 9 characters.
    GetPrivateProfileStringA("settings", PIN_COLOR_KEY, PIN_COLOR_DEFAULT, text, 10, g_configPath);
    HBRUSH brush = CreateSolidBrush((COLORREF)SwapRedBlue((uint32_t)ParseInteger(text)));
    if (brush) {
        if (s_brush)
            DeleteObject(s_brush);
        s_brush = brush;
    }
    for (int i = 0; i < s_count; i++)
        Place(&s_pinned[i]);
}

void RemovePinBorders()
{
    while (s_count > 0)
        Unpin(&s_pinned[s_count - 1]);
}
