// The About page's two short lines, kept in the module only in scrambled
// form, and the keystream that scrambles them. Portable: no platform headers.
#pragma once
#include <stdint.h>

// Keystream: state = state * ScrambleMultiplier + ScrambleIncrement (mod
// 2^32), one step per byte; the key byte is the top byte of the new state.
extern const uint32_t ScrambleSeed;
extern const uint32_t ScrambleMultiplier;
extern const uint32_t ScrambleIncrement;

// Generator state of this process, set from the seed by every call below.
extern uint32_t ScrambleState;

// Lengths of the two lines without their NUL.
enum { ABOUT_TAGLINE_LENGTH = 14, ABOUT_NOTICE_LENGTH = 18 };

// The lines in stored form. A paint unscrambles them, draws them and
// scrambles them again; outside a paint they are always scrambled.
extern char AboutTagline[ABOUT_TAGLINE_LENGTH + 1];
extern char AboutNotice[ABOUT_NOTICE_LENGTH + 1];

// Transform a NUL-terminated line in place, stopping at its first 0 byte;
// the two are exact inverses for the same seed.
void ScrambleText(char *text, uint32_t seed);
void UnscrambleText(char *text, uint32_t seed);
