#include "values.h"

// Digit value of one character code. ':' to '?' come straight after '9' and
// count as 10 to 15, so they are hexadecimal digits too; anything that is
// not a digit, a letter or one of those six gives 36, which no base accepts.
static uint32_t DigitValue(unsigned char c)
{
    if (c >= '0' && c <= '?')
        return (uint32_t)(c - '0');
    if (c >= 'A' && c <= 'Z')
        return (uint32_t)(c - 'A' + 10);
    if (c >= 'a' && c <= 'z')
        return (uint32_t)(c - 'a' + 10);
    return 36;
}

int32_t ParseInteger(const char *text)
{
    if (!text)
        return 0;
    const unsigned char *p = (const unsigned char *)text;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        p++;
    } else if (*p == '+') {
        p++;
    }
    // One leading zero is skipped; on its own it does not mean octal.
    if (*p == '0')
        p++;

    uint32_t base = 10;
    unsigned char letter = *p;
    if (letter >= 'a' && letter <= 'z')
        letter = (unsigned char)(letter - 'a' + 'A');
    if (letter == 'B')
        base = 2;
    else if (letter == 'O')
        base = 8;
    else if (letter == 'X')
        base = 16;
    if (base != 10)
        p++;

    // Unsigned arithmetic: the stored values wrap in 32 bits, as the file
    // format has always read them, without undefined signed overflow.
    uint32_t result = 0;
    for (; *p; p++) {
        uint32_t digit = DigitValue(*p);
        if (digit >= base)
            return 0;
        result = result * base + digit;
    }
    if (negative)
        result = 0u - result;
    return (int32_t)result;
}

uint32_t SwapRedBlue(uint32_t value)
{
    return (value & 0xFF00u) | ((value >> 16) & 0xFFu) | ((value & 0xFFu) << 16);
}

int32_t ClampInt(int32_t value, int32_t low, int32_t high)
{
    if (value < low)
        value = low;
    if (value > high)
        value = high;
    return value;
}
