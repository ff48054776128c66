// Value helpers for settings: portable, no platform headers.
#pragma once
#include <stdint.h>

// Text to integer with an optional sign and radix prefix ("0x", "x", "0b",
// "b", "0o", "o", any case); no blanks skipped; 0 for any invalid text.
// Arithmetic wraps in 32 bits.
int32_t ParseInteger(const char *text);

// Exchanges bits 0-7 and 16-23 and clears 24-31: 0xRRGGBB <-> COLORREF.
uint32_t SwapRedBlue(uint32_t value);

// value limited to [low, high]; callers pass low <= high.
int32_t ClampInt(int32_t value, int32_t low, int32_t high);
