// The host's value logic: command line, where floating icons go, and the
// on-disk list of hidden windows. Portable, no platform headers.
#pragma once
#include <stddef.h>
#include <stdint.h>

// --- command line -----------------------------------------------------------

enum HostAction {
    HOST_RUN,        // start (or, when running, bring nothing up twice)
    HOST_EXIT,       // --exit: stop the running instance
    HOST_SETTINGS,   // --settings: open the configuration sheet
    HOST_USAGE       // anything not understood
};

struct HostArgs {
    HostAction action;
    const char *configPath;   // points into argv; null when not given
    const char *bad;          // the argument not understood; null when none
};

// Reads argv[1..argc-1]. --config takes the next argument; --exit and
// --settings exclude each other; repeats, a missing PATH and unknown
// arguments give HOST_USAGE.
HostArgs ParseHostArgs(int argc, const char *const *argv);

// --- floating icons -----------------------------------------------------------

struct IRect { int left, top, right, bottom; };

enum {
    FLOAT_FRAME = 1,      // border frame, pixels at 96 dpi
    FLOAT_PADDING = 3,    // iconColor between frame and picture
    FLOAT_ICON = 32,      // the window's icon is drawn at this size
    FLOAT_GAP = 6,        // from the work area's edges and between icons
    FLOAT_MAX_ICONS = 256
};

// Settings as the host uses them, forced into range whatever the shared
// block holds (any process can write it).
struct FloatLook {
    int initPosition;     // 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right, 4 centre
    int followMode;       // 1: line up after the icons already shown
    int alpha;            // 0..255; 255 when opacity is off
    int onTop;
    int screenshots;
    int shotWidth, shotHeight;
};
FloatLook MakeFloatLook(int initPosition, int followMode, int opacity, int onTop,
                        int makeScreenshots, int shotWidth, int shotHeight);

// A length given for 96 dots per inch (100 %) at dpi, rounded to the
// nearest pixel; a dpi outside 48..960 counts as 96.
int ScaleForDpi(int length, int dpi);

// The parts of a floating icon in pixels at a screen's dpi.
struct FloatMetrics {
    int frame;    // border frame
    int inset;    // frame and padding: where the picture starts
    int icon;     // the window's icon
    int gap;      // from the work area's edges and between icons
};
FloatMetrics FloatMetricsForDpi(int dpi);

// Outer size of a floating icon window at dpi; the screenshot box of the
// settings is given for 96 dpi and scales like the rest.
void FloatIconSize(const FloatLook &look, int *width, int *height, int dpi = 96);

// Top-left corner of a new icon of width x height in the work area. With
// followMode 0 every icon goes to the anchor (they stack). With 1 the icon
// takes the first place along a row from the anchor (away from the nearer
// side edge; rightwards from the centre) that overlaps none of the n icons
// in taken; a full row continues on the next row towards the middle, and a
// full work area falls back to the anchor.
// The gaps are those of dpi.
void PlaceFloatIcon(const IRect &work, int width, int height, int initPosition, int followMode,
                    const IRect *taken, size_t n, int *x, int *y, int dpi = 96);

// The largest size with the picture's aspect ratio that fits into the box,
// at least 1 x 1.
void FitInto(int picWidth, int picHeight, int boxWidth, int boxHeight, int *width, int *height);

// --- keyboard shortcuts --------------------------------------------------------

// A stored shortcut (core/hotkeys.h: key code + 256 x modifiers 1 Shift,
// 2 Ctrl, 4 Alt) as RegisterHotKey takes it: modifiers 1 Alt, 2 Ctrl,
// 4 Shift. False for a shortcut that is off: not positive, no key code,
// bits beyond the three modifiers (the extended-key bit aside), or neither
// Ctrl nor Alt (a key that is typed).
bool HotkeyFromValue(int value, unsigned *modifiers, unsigned *vk);

// --- list of hidden windows ---------------------------------------------------

enum HiddenKind { HIDDEN_TRAY = 1, HIDDEN_FLOAT = 2 };

struct HiddenRecord {
    uint32_t window;      // window handle value
    uint32_t pid;         // its process, against handle reuse
    int kind;             // HiddenKind
    uint64_t created;     // its process's creation time (a FILETIME); 0: unknown
};

// One line "window pid kind created" in hexadecimal, decimal, decimal and
// 16 hexadecimal digits, ending in CRLF. (Lists written before the creation
// time was kept have three fields; they read with created 0.) Returns the characters written without the NUL, 0 when cap is too
// small (then out holds an empty text when cap > 0).
size_t FormatHiddenRecord(const HiddenRecord &rec, char *out, size_t cap);

// Reads records from text, one per line; lines that do not parse are
// skipped. Returns how many were stored (at most max).
size_t ParseHiddenRecords(const char *text, size_t length, HiddenRecord *out, size_t max);

// --- bringing windows back into view -------------------------------------------

// A monitor as the system gives it: its whole rectangle and its work area
// (without the taskbar).
struct MonitorArea {
    IRect monitor, work;
};

// Where a window placed at place comes back so that it can be seen. It
// stays where it is (false) when at least INTO_VIEW_MIN pixels of it each
// way (all of it when smaller) lie on one of the n monitors. Otherwise
// (true) out is place moved wholly into the work area of the nearest
// monitor, cut to that work area's size only where it does not fit, and
// kept as close to where it was as that allows. No monitors, or an empty
// place: false.
enum { INTO_VIEW_MIN = 16 };
bool BringIntoView(const IRect &place, const MonitorArea *monitors, size_t n, IRect *out);

// --- telling why a command did nothing -------------------------------------------

enum CommandRefusal {
    REFUSAL_NONE,       // the host can act on the window
    REFUSAL_ELEVATED,   // its program runs above the host (as administrator)
    REFUSAL_HUNG,       // it does not answer now (what was asked happens once it does)
    REFUSAL_SILENT      // not a window commands are for (dialogs, the shell, forged handles)
};

// Whether the user is told about a refusal: the reasons the user can do
// something about, once per window (told: the window was told about before).
bool TellRefusal(int refusal, bool told);

// The balloon's text for a refusal about the window titled title (cut to
// fit; "(untitled window)" when empty). Returns the characters written
// without the NUL, 0 for a refusal that is not told (out then empty when
// cap > 0).
size_t RefusalText(int refusal, const char *title, char *out, size_t cap);

// --- borders of pinned windows -------------------------------------------------

// The radius of a window's visible corners in pixels at dpi: what the
// window manager rounds where the system rounds windows (Windows 11, build
// 22000 on) and the window's corner preference (DWMWA_WINDOW_CORNER_
// PREFERENCE, when known) allows: 8 pixels at 96 dpi, 4 for "small", none
// for "do not round" and for maximized windows. 0 elsewhere.
int FrameCornerRadius(bool preferenceKnown, int preference, unsigned build, bool maximized, int dpi);
