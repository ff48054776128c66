// Screen scale for the host, which is per-monitor DPI aware by its
// manifest. The functions that tell a window's or a monitor's scale appeared
// with Windows 8.1 and 10, so they are looked up at run time; older systems
// have one scale for all screens.
#include "host.h"

static UINT SystemDpi()
{
    typedef UINT (WINAPI *SystemDpiFn)(void);
    SystemDpiFn forSystem = (SystemDpiFn)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForSystem");
    if (forSystem)
        return forSystem();
    HDC screen = GetDC(NULL);
    UINT dpi = screen ? (UINT)GetDeviceCaps(screen, LOGPIXELSX) : USER_DEFAULT_SCREEN_DPI;
    if (screen)
        ReleaseDC(NULL, screen);
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

UINT MonitorDpi(HMONITOR monitor)
{
    typedef HRESULT (WINAPI *MonitorDpiFn)(HMONITOR, int, UINT *, UINT *);
    static HMODULE shcore;
    static MonitorDpiFn forMonitor;
    static BOOL looked;
    if (!looked) {
        looked = TRUE;
        // From the system folder only: 0x800 is LOAD_LIBRARY_SEARCH_SYSTEM32,
        // which systems without it refuse (then plain LoadLibrary, as they
        // have no such DLL planted elsewhere in the search order either).
        shcore = LoadLibraryExA("shcore.dll", NULL, 0x800);
        if (!shcore && GetLastError() == ERROR_INVALID_PARAMETER)
            shcore = LoadLibraryA("shcore.dll");
        if (shcore)
            forMonitor = (MonitorDpiFn)GetProcAddress(shcore, "GetDpiForMonitor");
    }
    UINT x = 0, y = 0;
    if (monitor && forMonitor && SUCCEEDED(forMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x)
        return x;
    return SystemDpi();
}

UINT WindowDpi(HWND window)
{
    typedef UINT (WINAPI *WindowDpiFn)(HWND);
    WindowDpiFn forWindow = (WindowDpiFn)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}
