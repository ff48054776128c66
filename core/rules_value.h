// Rules per program, kept in section "rules" as "<program>=<word>,<word>"
// with the program named as its favourites section is (its file name
// without extension). Portable, no platform headers.
#pragma once
#include <stddef.h>

#define RULES_SECTION "rules"

enum RuleFlag {
    RULE_TOPMOST = 1,      // "ontop": pinned, with its border, when it first shows
    RULE_MIN_TRAY = 2,     // "mintray": Minimize sends it to the tray
    RULE_MIN_FLOAT = 4,    // "minfloat": Minimize sends it to a floating icon
    RULE_CLOSE_TRAY = 8,   // "closetray": closing hides it to the tray
    RULE_START_TRAY = 16,  // "starttray": the program's first window goes to the tray
    RULE_ALL = 31
};

// The rules of a value: its words, separated by commas or blanks, in any
// case; unknown words are skipped. A value naming both minimize rules
// keeps the tray, so a window never has two places to go.
unsigned ParseRules(const char *text, size_t length);

// The value for rules, its words in a fixed order, for example
// "ontop,closetray"; empty for none. Returns the characters written
// without the NUL, 0 when cap is too small (out then empty when cap > 0).
size_t FormatRules(unsigned rules, char *out, size_t cap);
