// The probe: writes the answer to a question sent to a window of the
// program it was loaded into. See probe.h.
#include <windows.h>
#include <stdio.h>
#include "probe.h"

static char *Block()
{
    static char *view;
    if (!view) {
        HANDLE h = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, PROBE_BLOCK_SIZE,
                                      PROBE_BLOCK_NAME);
        if (h)
            view = (char *)MapViewOfFile(h, FILE_MAP_WRITE, 0, 0, 0);
    }
    return view;
}

static void DescribeSystemMenu(HWND window, char *out, size_t size)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) {
        snprintf(out, size, "none");
        return;
    }
    size_t used = 0;
    out[0] = 0;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count && used < size; i++) {
        char text[256] = "";
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &mii);
        int n = snprintf(out + used, size - used, "%s%u,%d,%s", i ? "|" : "", mii.wID,
                         (mii.fState & MFS_CHECKED) ? 1 : 0, (mii.fType & MFT_SEPARATOR) ? "-" : text);
        if (n < 0)
            break;
        used += (size_t)n;
    }
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    static UINT question = RegisterWindowMessageA(PROBE_SYSMENU_MESSAGE);
    const CWPSTRUCT *cwp = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && cwp->message == question && Block())
        DescribeSystemMenu(cwp->hwnd, Block(), PROBE_BLOCK_SIZE);
    return CallNextHookEx(NULL, code, wParam, lParam);
}
