// Scrambling stays inside the text and is undone by unscrambling with the
// same seed, for any text and seed. A line whose scrambled form holds a 0
// byte (possible for arbitrary text, never for the lines the module stores)
// comes back up to that byte: unscrambling stops there, as a C string does.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "sheet/scramble.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    uint32_t seed = (uint32_t)data[0] | (uint32_t)data[1] << 8 |
                    (uint32_t)data[2] << 16 | (uint32_t)data[3] << 24;
    data += 4;
    size -= 4;
    char *text = (char *)malloc(size + 1);   // exactly the text and its NUL
    memcpy(text, data, size);
    text[size] = '\0';
    size_t len = strlen(text);
    char *orig = (char *)malloc(len + 1);
    memcpy(orig, text, len + 1);

    ScrambleText(text, seed);
    CHECK(text[len] == '\0');
    size_t zero = strlen(text);   // len unless the scrambled form holds a 0
    UnscrambleText(text, seed);
    CHECK(memcmp(text, orig, zero) == 0);
    if (zero == len)
        CHECK(memcmp(text, orig, len + 1) == 0);

    free(orig);
    free(text);
    return 0;
}
