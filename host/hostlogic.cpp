// The host's value logic; see hostlogic.h.
#include "hostlogic.h"
#include <string.h>

HostArgs ParseHostArgs(int argc, const char *const *argv)
{
    HostArgs out = { HOST_RUN, NULL, NULL };
    bool actionSeen = false;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (!strcmp(a, "--config")) {
            if (out.configPath || i + 1 >= argc || !argv[i + 1][0]) {
                out.action = HOST_USAGE;
                out.bad = a;
                return out;
            }
            out.configPath = argv[++i];
        } else if (!strcmp(a, "--exit") || !strcmp(a, "--settings")) {
            if (actionSeen) {
                out.action = HOST_USAGE;
                out.bad = a;
                return out;
            }
            actionSeen = true;
            out.action = a[2] == 'e' ? HOST_EXIT : HOST_SETTINGS;
        } else {
            out.action = HOST_USAGE;
            out.bad = a;
            return out;
        }
    }
    return out;
}

static int Clamp(int v, int low, int high)
{
    return v < low ? low : v > high ? high : v;
}

FloatLook MakeFloatLook(int initPosition, int followMode, int opacity, int onTop,
                        int makeScreenshots, int shotWidth, int shotHeight)
{
    FloatLook look;
    look.initPosition = initPosition >= 0 && initPosition <= 4 ? initPosition : 1;
    look.followMode = followMode != 0;
    // A positive opacity switches translucency on; the sign is the switch.
    look.alpha = opacity > 0 ? Clamp(opacity, 10, 100) * 255 / 100 : 255;
    look.onTop = onTop != 0;
    look.screenshots = makeScreenshots == 1;
    look.shotWidth = Clamp(shotWidth, 10, 1000);
    look.shotHeight = Clamp(shotHeight, 10, 1000);
    return look;
}

int ScaleForDpi(int length, int dpi)
{
    if (dpi < 48 || dpi > 960)
        dpi = 96;
    long long scaled = (long long)length * dpi;
    return (int)((scaled + (scaled < 0 ? -48 : 48)) / 96);
}

FloatMetrics FloatMetricsForDpi(int dpi)
{
    FloatMetrics m;
    m.frame = ScaleForDpi(FLOAT_FRAME, dpi);
    m.inset = ScaleForDpi(FLOAT_FRAME + FLOAT_PADDING, dpi);
    m.icon = ScaleForDpi(FLOAT_ICON, dpi);
    m.gap = ScaleForDpi(FLOAT_GAP, dpi);
    return m;
}

void FloatIconSize(const FloatLook &look, int *width, int *height, int dpi)
{
    FloatMetrics m = FloatMetricsForDpi(dpi);
    *width = (look.screenshots ? ScaleForDpi(look.shotWidth, dpi) : m.icon) + 2 * m.inset;
    *height = (look.screenshots ? ScaleForDpi(look.shotHeight, dpi) : m.icon) + 2 * m.inset;
}

static bool Overlaps(int x, int y, int w, int h, const IRect &r)
{
    return x < r.right && r.left < x + w && y < r.bottom && r.top < y + h;
}

void PlaceFloatIcon(const IRect &work, int width, int height, int initPosition, int followMode,
                    const IRect *taken, size_t n, int *x, int *y, int dpi)
{
    const int gap = FloatMetricsForDpi(dpi).gap;
    int left = work.left + gap, right = work.right - gap - width;
    int top = work.top + gap, bottom = work.bottom - gap - height;
    int ax, ay, dx, dy;
    switch (initPosition) {
    case 0:  ax = left;  ay = top;    dx = 1;  dy = 1;  break;
    case 2:  ax = left;  ay = bottom; dx = 1;  dy = -1; break;
    case 3:  ax = right; ay = bottom; dx = -1; dy = -1; break;
    case 4:
        ax = work.left + (work.right - work.left - width) / 2;
        ay = work.top + (work.bottom - work.top - height) / 2;
        dx = 1;
        dy = 1;
        break;
    default: ax = right; ay = top;    dx = -1; dy = 1;  break;
    }
    *x = ax;
    *y = ay;
    if (!followMode || width <= 0 || height <= 0)
        return;
    // Rows and places are bounded by the work area; the counts only guard
    // against a degenerate work area.
    for (int row = 0, cy = ay; row < 4096 && cy >= top && cy <= bottom; row++, cy += dy * (height + gap)) {
        for (int col = 0, cx = ax; col < 4096 && cx >= left && cx <= right; col++, cx += dx * (width + gap)) {
            bool free = true;
            for (size_t i = 0; i < n && free; i++)
                free = !Overlaps(cx, cy, width, height, taken[i]);
            if (free) {
                *x = cx;
                *y = cy;
                return;
            }
        }
    }
}

void FitInto(int picWidth, int picHeight, int boxWidth, int boxHeight, int *width, int *height)
{
    if (picWidth <= 0 || picHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        *width = boxWidth > 0 ? boxWidth : 1;
        *height = boxHeight > 0 ? boxHeight : 1;
        return;
    }
    // Compare picWidth/picHeight with boxWidth/boxHeight without division.
    if ((long long)picWidth * boxHeight >= (long long)boxWidth * picHeight) {
        *width = boxWidth;
        *height = (int)((long long)picHeight * boxWidth / picWidth);
    } else {
        *height = boxHeight;
        *width = (int)((long long)picWidth * boxHeight / picHeight);
    }
    if (*width < 1)
        *width = 1;
    if (*height < 1)
        *height = 1;
}

bool HotkeyFromValue(int value, unsigned *modifiers, unsigned *vk)
{
    *modifiers = 0;
    *vk = 0;
    if (value <= 0 || (value & 0xFF) == 0 || value > 0xFFF)
        return false;
    unsigned stored = (unsigned)value >> 8;   // bit 3, an extended key, does not matter here
    // Without Ctrl or Alt a shortcut would take a key that is typed (a
    // plain "a", Shift+A) from every program.
    if (!(stored & 6))
        return false;
    *modifiers = (stored & 1 ? 4u : 0u) | (stored & 2 ? 2u : 0u) | (stored & 4 ? 1u : 0u);
    *vk = (unsigned)value & 0xFF;
    return true;
}

static size_t PutHex(uint32_t v, char *out)
{
    for (int i = 0; i < 8; i++)
        out[i] = "0123456789abcdef"[(v >> (28 - 4 * i)) & 0xF];
    return 8;
}

static size_t PutDec(uint32_t v, char *out)
{
    char tmp[10];
    size_t n = 0;
    do {
        tmp[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    for (size_t i = 0; i < n; i++)
        out[i] = tmp[n - 1 - i];
    return n;
}

size_t FormatHiddenRecord(const HiddenRecord &rec, char *out, size_t cap)
{
    char line[64];   // 8 + 1 + 10 + 1 + 11 + 1 + 16 + 2, and room to spare
    size_t n = PutHex(rec.window, line);
    line[n++] = ' ';
    n += PutDec(rec.pid, line + n);
    line[n++] = ' ';
    if (rec.kind < 0) {
        line[n++] = '-';
        n += PutDec(0u - (uint32_t)rec.kind, line + n);
    } else {
        n += PutDec((uint32_t)rec.kind, line + n);
    }
    line[n++] = ' ';
    n += PutHex((uint32_t)(rec.created >> 32), line + n);
    n += PutHex((uint32_t)rec.created, line + n);
    line[n++] = '\r';
    line[n++] = '\n';
    if (cap == 0)
        return 0;
    if (n + 1 > cap) {
        out[0] = 0;
        return 0;
    }
    memcpy(out, line, n);
    out[n] = 0;
    return n;
}

// Reads an unsigned number in the base from text[*i]; false when there are
// no digits or it does not fit into 32 bits.
static bool ReadNumber(const char *text, size_t length, size_t *i, unsigned base, uint32_t *out)
{
    uint64_t v = 0;
    size_t start = *i;
    while (*i < length) {
        char c = text[*i];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = (unsigned)(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = (unsigned)(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = (unsigned)(c - 'A' + 10);
        else
            break;
        v = v * base + d;
        if (v > 0xFFFFFFFFu)
            return false;
        (*i)++;
    }
    *out = (uint32_t)v;
    return *i > start;
}

size_t ParseHiddenRecords(const char *text, size_t length, HiddenRecord *out, size_t max)
{
    size_t count = 0, i = 0;
    while (i < length && count < max) {
        size_t end = i;
        while (end < length && text[end] != '\n')
            end++;
        size_t lineEnd = end;
        if (lineEnd > i && text[lineEnd - 1] == '\r')
            lineEnd--;
        size_t p = i;
        uint32_t window, pid, kind, high = 0, low = 0;
        bool ok = ReadNumber(text, lineEnd, &p, 16, &window) && p < lineEnd && text[p++] == ' ' &&
                  ReadNumber(text, lineEnd, &p, 10, &pid) && p < lineEnd && text[p++] == ' ' &&
                  ReadNumber(text, lineEnd, &p, 10, &kind);
        // The creation time: 16 hexadecimal digits; lists written before it
        // was kept end after the kind.
        if (ok && p < lineEnd) {
            size_t at = p + 1;
            ok = text[p] == ' ' && lineEnd - at == 16;
            if (ok) {
                size_t q = at;
                ok = ReadNumber(text, at + 8, &q, 16, &high) && q == at + 8 &&
                     ReadNumber(text, lineEnd, &q, 16, &low) && q == lineEnd;
            }
            p = lineEnd;
        }
        ok = ok && p == lineEnd && window != 0 && (kind == HIDDEN_TRAY || kind == HIDDEN_FLOAT);
        if (ok) {
            out[count].window = window;
            out[count].pid = pid;
            out[count].kind = (int)kind;
            out[count].created = ((uint64_t)high << 32) | low;
            count++;
        }
        i = end + 1;
    }
    return count;
}

// --- bringing windows back into view -------------------------------------------

static int MinOf(int a, int b)
{
    return a < b ? a : b;
}

// The gap between two ranges along one axis; 0 when they overlap.
static long long Gap(int aLo, int aHi, int bLo, int bHi)
{
    return aHi <= bLo ? (long long)bLo - aHi : bHi <= aLo ? (long long)aLo - bHi : 0;
}

bool BringIntoView(const IRect &place, const MonitorArea *monitors, size_t n, IRect *out)
{
    int width = place.right - place.left, height = place.bottom - place.top;
    if (!monitors || n == 0 || width <= 0 || height <= 0)
        return false;
    int needX = MinOf(width, INTO_VIEW_MIN), needY = MinOf(height, INTO_VIEW_MIN);
    size_t nearest = 0;
    long long best = -1;
    for (size_t i = 0; i < n; i++) {
        const IRect &m = monitors[i].monitor;
        int seenX = MinOf(place.right, m.right) - (place.left > m.left ? place.left : m.left);
        int seenY = MinOf(place.bottom, m.bottom) - (place.top > m.top ? place.top : m.top);
        if (seenX >= needX && seenY >= needY)
            return false;
        long long dx = Gap(place.left, place.right, m.left, m.right);
        long long dy = Gap(place.top, place.bottom, m.top, m.bottom);
        long long d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = i;
        }
    }
    const IRect &work = monitors[nearest].work;
    int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    if (workWidth <= 0 || workHeight <= 0)
        return false;
    width = MinOf(width, workWidth);
    height = MinOf(height, workHeight);
    out->left = Clamp(place.left, work.left, work.right - width);
    out->top = Clamp(place.top, work.top, work.bottom - height);
    out->right = out->left + width;
    out->bottom = out->top + height;
    return true;
}

// --- telling why a command did nothing -------------------------------------------

bool TellRefusal(int refusal, bool told)
{
    return (refusal == REFUSAL_ELEVATED || refusal == REFUSAL_HUNG) && !told;
}

size_t RefusalText(int refusal, const char *title, char *out, size_t cap)
{
    if (cap == 0)
        return 0;
    out[0] = '\0';
    const char *why = refusal == REFUSAL_ELEVATED
                          ? "\" runs as administrator. Run Brivane as administrator to change its windows."
                      : refusal == REFUSAL_HUNG ? "\" does not answer. What was asked happens once it responds."
                                                : NULL;
    if (!why)
        return 0;
    const char *name = title && title[0] ? title : "(untitled window)";
    size_t whyLength = strlen(why);
    // "\"" + the title + why must fit; a long title is cut, with "...".
    if (cap < 1 + 4 + whyLength + 1)
        return 0;
    size_t room = cap - 1 - whyLength - 1;   // for the title
    size_t nameLength = strlen(name);
    size_t n = 0;
    out[n++] = '"';
    if (nameLength <= room) {
        memcpy(out + n, name, nameLength);
        n += nameLength;
    } else {
        memcpy(out + n, name, room - 3);
        n += room - 3;
        memcpy(out + n, "...", 3);
        n += 3;
    }
    memcpy(out + n, why, whyLength + 1);
    return n + whyLength;
}

// --- borders of pinned windows -------------------------------------------------

int FrameCornerRadius(bool preferenceKnown, int preference, unsigned build, bool maximized, int dpi)
{
    // DWMWCP_DEFAULT 0, DWMWCP_DONOTROUND 1, DWMWCP_ROUND 2, DWMWCP_ROUNDSMALL 3.
    if (!preferenceKnown || build < 22000 || maximized)
        return 0;
    switch (preference) {
    case 0:
    case 2:
        return ScaleForDpi(8, dpi);
    case 3:
        return ScaleForDpi(4, dpi);
    default:
        return 0;
    }
}
