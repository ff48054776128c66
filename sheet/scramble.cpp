#include "scramble.h"

const uint32_t ScrambleSeed = 0x5A17C0DEu;
const uint32_t ScrambleMultiplier = 0x0019660Du;
const uint32_t ScrambleIncrement = 0x3C6EF35Fu;

uint32_t ScrambleState;

// Made by scripts/scramble_lines.py with the constants above; no byte of
// either form is 0 within a line.
char AboutTagline[ABOUT_TAGLINE_LENGTH + 1] = {
    '\x6C', '\xB9', '\xA4', '\x89', '\xE0', '\x8B', '\x71', '\xBB', '\x92', '\xE0',
    '\x7C', '\xA5', '\xBF', '\x6F', 0
};
char AboutNotice[ABOUT_NOTICE_LENGTH + 1] = {
    '\x43', '\xB7', '\x90', '\x89', '\x8E', '\xBB', '\x79', '\xA8', '\x94', '\xE0',
    '\x38', '\xA3', '\xE9', '\x20', '\xD2', '\x50', '\x4E', '\x5E', 0
};

static uint8_t NextKey()
{
    ScrambleState = ScrambleState * ScrambleMultiplier + ScrambleIncrement;
    return (uint8_t)(ScrambleState >> 24);
}

void ScrambleText(char *text, uint32_t seed)
{
    ScrambleState = seed;
    for (unsigned char *p = (unsigned char *)text; p && *p; p++) {
        uint8_t k = NextKey();
        *p = (unsigned char)((uint8_t)(*p + k) ^ k);
    }
}

void UnscrambleText(char *text, uint32_t seed)
{
    ScrambleState = seed;
    for (unsigned char *p = (unsigned char *)text; p && *p; p++) {
        uint8_t k = NextKey();
        *p = (unsigned char)((uint8_t)(*p ^ k) - k);
    }
}
