// The named block that the host and every hooked process share, and the
// per-process handles that reach it.
#pragma once
#include <windows.h>
#include <stddef.h>

#define BRIVANE_SHMEM_NAME "Brivane_shmem"
#define BRIVANE_SHMEM_SIZE 4096

// The host posts nothing of its own; the module posts this to hostWindow.
#define WM_HOSTCOMMAND (WM_USER + 1)

// Registered message sent to hostWindow by whoever changed section settings
// (the sheet's pages after they write): the host takes the change at once
// instead of polling. wParam 0: settings changed; 1: only asking. The answer
// has bit i set for each shortcut (HotkeyIndex) that is on but could not be
// registered, as another program holds its combination.
#define BRIVANE_SETTINGS_CHANGED "BrivaneSettingsChanged"
// The host passes a change of section rules on to every program as a
// broadcast with wParam 2, which it ignores itself.
enum { SETTINGS_CHANGED = 0, SETTINGS_QUERY = 1, SETTINGS_RULES_CHANGED = 2 };

// Command codes carried in WM_HOSTCOMMAND's wParam.
enum HostCommand {
    HOSTCMD_MIN_RCLICK = 1,
    HOSTCMD_MAX_RCLICK = 2,
    HOSTCMD_TRAY = 500,
    HOSTCMD_TOPMOST = 501,
    HOSTCMD_FLOAT = 502,
    // Hints about a top-level window with a system menu, from inside its
    // program: it was shown, moved or sized while topmost, or is being
    // destroyed. The host only looks at the window again: the hints
    // decide nothing by themselves.
    HOSTCMD_WINDOW_SHOWN = 503,
    HOSTCMD_WINDOW_MOVED = 504,
    HOSTCMD_WINDOW_GONE = 505,
    // A program's rules met by its window: pin it as it first shows, send
    // the program's first window to the tray, and Minimize or Close held
    // back for the window to go to the tray or a floating icon instead.
    HOSTCMD_RULE_TOPMOST = 506,
    HOSTCMD_RULE_START_TRAY = 507,
    HOSTCMD_RULE_MIN_TRAY = 508,
    HOSTCMD_RULE_MIN_FLOAT = 509,
    HOSTCMD_RULE_CLOSE_TRAY = 510
};

#define CONFIG_PATH_CAPACITY 4052   // 4051 characters and the NUL

// The module's file name: one module per bitness, the same block for both.
#ifdef _WIN64
#define BRIVANE_MODULE_FILE "brivane64.dll"
#else
#define BRIVANE_MODULE_FILE "brivane.dll"
#endif

// A window handle kept in 32 bits. Window handles are significant in their
// low 32 bits in processes of either bitness, so 32- and 64-bit copies of
// the module read the same field at the same offset.
struct WindowHandle32 {
    INT32 value;
    operator HWND() const { return (HWND)LongToHandle(value); }
    WindowHandle32 &operator=(HWND window)
    {
        value = HandleToLong(window);
        return *this;
    }
};

// Laid over the whole 4096-byte block; the host and the module of either
// bitness are built against the same layout, so fields, widths and offsets
// never change.
struct SharedSettings {
    WindowHandle32 hostWindow; //  0
    INT32 initPosition;       //  4
    INT32 followMode;         //  8
    INT32 opacity;            // 12
    INT32 onTop;              // 16
    INT32 makeScreenshots;    // 20
    INT32 screenshotWidth;    // 24
    INT32 screenshotHeight;   // 28
    DWORD borderColor;        // 32, COLORREF
    DWORD iconColor;          // 36, COLORREF
    INT32 runInTray;          // 40
    char  configPath[CONFIG_PATH_CAPACITY]; // 44
};

static_assert(sizeof(WindowHandle32) == 4, "the host window is 32 bits in both bitnesses");
static_assert(offsetof(SharedSettings, hostWindow) == 0, "layout");
static_assert(offsetof(SharedSettings, initPosition) == 4, "layout");
static_assert(offsetof(SharedSettings, followMode) == 8, "layout");
static_assert(offsetof(SharedSettings, opacity) == 12, "layout");
static_assert(offsetof(SharedSettings, onTop) == 16, "layout");
static_assert(offsetof(SharedSettings, makeScreenshots) == 20, "layout");
static_assert(offsetof(SharedSettings, screenshotWidth) == 24, "layout");
static_assert(offsetof(SharedSettings, screenshotHeight) == 28, "layout");
static_assert(offsetof(SharedSettings, borderColor) == 32, "layout");
static_assert(offsetof(SharedSettings, iconColor) == 36, "layout");
static_assert(offsetof(SharedSettings, runInTray) == 40, "layout");
static_assert(offsetof(SharedSettings, configPath) == 44, "layout");
static_assert(sizeof(SharedSettings) == BRIVANE_SHMEM_SIZE, "layout");

// The mapping as this process holds it.
struct SharedMapping {
    HANDLE handle;
    void  *view;
    DWORD  size;
    char   name[32];
};

extern HINSTANCE g_instance;          // this module
extern SharedMapping g_mapping;
extern SharedSettings *g_settings;    // null when the block could not be mapped

// Runs what the entry point does on process attach; separate so that test
// builds which link the module's objects statically can run it too.
void ModuleAttach(HINSTANCE instance);

// The block for writing (the settings loader and the Settings page): a
// writable view mapped on first use. Null when there is no block or this
// process may not write it (a lower-integrity program); readers use
// g_settings, a view that cannot write.
SharedSettings *WritableSettings();

// The host window to post to, or null when the host has not filled in a
// live window yet.
HWND LiveHostWindow();
