// The keyboard shortcuts and the pin border: their keys in section
// settings and their defaults, shared by the Keyboard page and the host.
// Portable, no platform headers.
#pragma once

// A shortcut is stored as the platform's hotkey control gives it: the
// virtual-key code plus 256 times the modifiers (1 Shift, 2 Ctrl, 4 Alt).
// 0 is off; a negative value is off too and keeps the combination.
enum {
    HOTKEY_MOD_SHIFT = 1,
    HOTKEY_MOD_CONTROL = 2,
    HOTKEY_MOD_ALT = 4,
    HOTKEY_CTRL_ALT = (HOTKEY_MOD_CONTROL | HOTKEY_MOD_ALT) << 8
};

// In the order of the page's rows and of the bits of the host's answer.
enum HotkeyIndex {
    HOTKEY_TOPMOST,       // "Always on top" on the foreground window
    HOTKEY_TRAY,          // "Minimize to tray" on the foreground window
    HOTKEY_FLOAT,         // "To floating icon" on the foreground window
    HOTKEY_RESTORE_ALL,   // "Restore all windows"
    HOTKEY_RESTORE_LAST,  // "Restore the last hidden window"
    HOTKEY_HIDDEN_MENU,   // the menu of the hidden windows, at the pointer
    HOTKEY_COUNT
};

// The key's name is kept in the record, not pointed to: no pointers to
// relocate in a module loaded into every program.
struct HotkeySetting {
    char key[16];
    int def;
};

// Ctrl+Alt with F6 to F10: no character is typed with them (AltGr is
// Ctrl+Alt), and neither the system nor common programs take them.
// Ctrl+Alt+U is the restore key of earlier versions.
static const HotkeySetting kHotkeySettings[HOTKEY_COUNT] = {
    { "hk.topmost", HOTKEY_CTRL_ALT | 0x75 },       // F6
    { "hk.tray", HOTKEY_CTRL_ALT | 0x76 },          // F7
    { "hk.float", HOTKEY_CTRL_ALT | 0x77 },         // F8
    { "hk.restoreall", HOTKEY_CTRL_ALT | 0x78 },    // F9
    { "hk.restorelast", HOTKEY_CTRL_ALT | 'U' },
    { "hk.hiddenmenu", HOTKEY_CTRL_ALT | 0x79 },    // F10
};

// The border of windows the host pinned: on or off, and its colour.
#define PIN_BORDER_KEY "pin.border"
#define PIN_COLOR_KEY "pin.color"
#define PIN_COLOR_DEFAULT "0xff8000"
