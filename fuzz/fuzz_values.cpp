// The settings value helpers against a model written from their contract:
// ParseInteger on any text, SwapRedBlue and ClampInt on any values. The
// sanitizers add what the model cannot see (signed overflow, reads past
// the terminating NUL).
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "core/values.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

// Digit value of a byte: 0-9, letters 10-35 in either case, ":" to "?"
// 10-15 (they follow "9"), anything else too large for every base.
static unsigned DigitValue(unsigned char c)
{
    if (c >= '0' && c <= '?')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    return 99;
}

static int32_t ModelParseInteger(const char *text)
{
    const unsigned char *p = (const unsigned char *)text;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        p++;
    } else if (*p == '+') {
        p++;
    }
    if (*p == '0')
        p++;
    unsigned base = 10;
    unsigned char letter = (*p >= 'a' && *p <= 'z') ? (unsigned char)(*p - 32) : *p;
    if (letter == 'B')
        base = 2;
    else if (letter == 'O')
        base = 8;
    else if (letter == 'X')
        base = 16;
    if (base != 10)
        p++;
    uint32_t result = 0;
    for (; *p; p++) {
        unsigned v = DigitValue(*p);
        if (v >= base)
            return 0;
        result = result * base + v;   // wraps in 32 bits
    }
    return (int32_t)(negative ? 0u - result : result);
}

static uint32_t Word(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exactly the input, terminated, in a block of its own size.
    char *text = (char *)malloc(size + 1);
    memcpy(text, data, size);
    text[size] = '\0';
    CHECK(ParseInteger(text) == ModelParseInteger(text));
    free(text);

    if (size >= 12) {
        uint32_t v = Word(data);
        uint32_t s = SwapRedBlue(v);
        CHECK((s & 0xFF000000u) == 0);
        CHECK((s & 0xFF00u) == (v & 0xFF00u));
        CHECK((s & 0xFFu) == ((v >> 16) & 0xFFu));
        CHECK(((s >> 16) & 0xFFu) == (v & 0xFFu));
        CHECK(SwapRedBlue(s) == (v & 0xFFFFFFu));

        int32_t a = (int32_t)Word(data + 4), b = (int32_t)Word(data + 8);
        int32_t low = a < b ? a : b, high = a < b ? b : a;
        int32_t x = (int32_t)Word(data + (data[0] & 7));
        int32_t c = ClampInt(x, low, high);
        CHECK(c >= low && c <= high);
        CHECK(x < low ? c == low : x > high ? c == high : c == x);
        CHECK(ClampInt(c, low, high) == c);
    }
    return 0;
}
