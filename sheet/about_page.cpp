// About page: the title, the two scrambled lines and the credits, painted
// straight onto the page.
#include "sheet.h"
#include "scramble.h"

static const char ABOUT_TITLE[] = "Brivane  v1.54";
static const char CREDIT_LINE1[] = "Built with plain Win32 and care";
static const char CREDIT_LINE2[] = "Thanks to every tester";

#define TAGLINE_COLOR RGB(0x99, 0x00, 0x00)

// The lines exist in plain form only between the unscramble and scramble
// steps of one paint.
static void PaintAboutPage(HWND page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    UnscrambleText(AboutTagline, ScrambleSeed);
    UnscrambleText(AboutNotice, ScrambleSeed);

    if (dc) {
        SetTextColor(dc, TAGLINE_COLOR);
        TextOutA(dc, 138, 140, AboutTagline, ABOUT_TAGLINE_LENGTH);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, 125, 155, AboutNotice, ABOUT_NOTICE_LENGTH);
        TextOutA(dc, 100, 180, CREDIT_LINE1, (int)(sizeof(CREDIT_LINE1) - 1));
        TextOutA(dc, 115, 195, CREDIT_LINE2, (int)(sizeof(CREDIT_LINE2) - 1));

        HFONT font = CreateFontA(32, 14, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, "Georgia");
        HGDIOBJ old = SelectObject(dc, font);
        TextOutA(dc, 90, 52, ABOUT_TITLE, (int)(sizeof(ABOUT_TITLE) - 1));
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
