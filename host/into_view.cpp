// Windows come back where they can be seen: a place that lies off every
// monitor now (one unplugged, a changed layout, a remote session of
// another size) is moved into the nearest monitor's work area first.
#include "host.h"

enum { MAX_MONITORS = 32 };

struct MonitorList {
    MonitorArea areas[MAX_MONITORS];
    size_t count;
};

static BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context)
{
    MonitorList *list = (MonitorList *)context;
    MONITORINFO mi;
    mi.cbSize = sizeof(mi);
    if (list->count < MAX_MONITORS && GetMonitorInfoA(monitor, &mi)) {
        MonitorArea &a = list->areas[list->count++];
        a.monitor = { mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom };
        a.work = { mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom };
    }
    return TRUE;
}

BOOL IntoViewPlace(const RECT &place, RECT *out)
{
    MonitorList list = {};
    EnumDisplayMonitors(NULL, NULL, CollectMonitor, (LPARAM)&list);
    IRect from = { place.left, place.top, place.right, place.bottom }, to;
    if (!BringIntoView(from, list.areas, list.count, &to))
        return FALSE;
    SetRect(out, to.left, to.top, to.right, to.bottom);
    return TRUE;
}

void BringWindowIntoView(HWND window)
{
    // A minimized window comes back at its normal place, which is where
    // it must be seen; the placement's coordinates are the work area's.
    if (!IsWindow(window) || IsIconic(window) || IsZoomed(window))
        return;
    RECT place, to;
    if (!GetWindowRect(window, &place) || !IntoViewPlace(place, &to))
        return;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;
    if (to.right - to.left == place.right - place.left && to.bottom - to.top == place.bottom - place.top)
        flags |= SWP_NOSIZE;
    // Asynchronous: a program that does not answer never holds the host.
    SetWindowPos(window, NULL, to.left, to.top, to.right - to.left, to.bottom - to.top, flags);
}
