// About page: the title, the two scrambled lines and the credits, painted
// straight onto the page.
#include "sheet.h"
#include "scramble.h"
#include "version.h"

static const char ABOUT_TITLE[] = "Brivane  v" BRIVANE_VERSION_TEXT;
static const char CREDIT_LINE1[] = "Built with plain Win32 and care";
static const char CREDIT_LINE2[] = "Thanks to every tester";

#define TAGLINE_COLOR RGB(0x99, 0x00, 0x00)

// The page's scale. The positions below are pixels at 96 dpi; the page
// itself grows with the dialog font in a program that scales its own
// windows (the host does), so the texts grow with it. In a program that
// leaves scaling to the system this is 96.
static int PageDpi(HWND page, HDC dc)
{
    typedef UINT (WINAPI *WindowDpiFn)(HWND);
    WindowDpiFn forWindow = (WindowDpiFn)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    int dpi = forWindow ? (int)forWindow(page) : 0;   // Windows 10 and later
    if (dpi <= 0)
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

// The lines exist in plain form only between the unscramble and scramble
// steps of one paint.
static void PaintAboutPage(HWND page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    UnscrambleText(AboutTagline, ScrambleSeed);
    UnscrambleText(AboutNotice, ScrambleSeed);

    if (dc) {
        int dpi = PageDpi(page, dc);
#define AT(pixels) MulDiv((pixels), dpi, 96)
        SetTextColor(dc, TAGLINE_COLOR);
        TextOutA(dc, AT(138), AT(140), AboutTagline, ABOUT_TAGLINE_LENGTH);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, AT(125), AT(155), AboutNotice, ABOUT_NOTICE_LENGTH);
        TextOutA(dc, AT(100), AT(180), CREDIT_LINE1, (int)(sizeof(CREDIT_LINE1) - 1));
        TextOutA(dc, AT(115), AT(195), CREDIT_LINE2, (int)(sizeof(CREDIT_LINE2) - 1));

        HFONT font = CreateFontA(AT(32), AT(14), 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, "Georgia");
        HGDIOBJ old = SelectObject(dc, font);
        TextOutA(dc, AT(90), AT(52), ABOUT_TITLE, (int)(sizeof(ABOUT_TITLE) - 1));
#undef AT
        // A font still selected is not freed by DeleteObject: put the DC's
        // own font back first, or every paint would leak one.
        SelectObject(dc, old);
        DeleteObject(font);
    }
    EndPaint(page, &ps);

    ScrambleText(AboutTagline, ScrambleSeed);
    ScrambleText(AboutNotice, ScrambleSeed);
}

INT_PTR CALLBACK AboutPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam; (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        // The About page is created with the sheet, so the whole sheet
        // opens centred on the desktop.
        CenterWindowOn(GetDesktopWindow(), GetParent(page));
        return TRUE;
    case WM_PAINT:
        PaintAboutPage(page);
        return FALSE;
    }
    return FALSE;
}
