// Bounded copies: whatever the capacity, limit and source, BufSet and
// BufSetN write inside the capacity, terminate, report what they wrote and
// never read a source byte past the limit.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "core/textbuf.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t cap = data[0];          // 0..255, exact-size heap block below
    size_t limit = data[1];        // BufSetN's n
    data += 2;
    size -= 2;

    // The source as BufSetN may see it: exactly `limit` bytes when the text
    // is longer, with nothing readable after them.
    size_t srcLen = size < limit ? size : limit;
    char *src = (char *)malloc(srcLen ? srcLen : 1);
    memcpy(src, data, srcLen);
    size_t textLen = strnlen(src, srcLen);
    char *dst = (char *)malloc(cap ? cap : 1);

    if (srcLen < limit) {
        // Shorter than the limit: the text needs its own NUL.
        char *term = (char *)malloc(srcLen + 1);
        memcpy(term, data, srcLen);
        term[srcLen] = '\0';
        free(src);
        src = term;
    }

    size_t want = textLen < limit ? textLen : limit;
    if (cap && want > cap - 1)
        want = cap - 1;
    size_t got = BufSetN(dst, cap, src, limit);
    if (cap == 0) {
        CHECK(got == 0);
    } else {
        CHECK(got == want);
        CHECK(dst[got] == '\0');
        CHECK(memcmp(dst, src, got) == 0);
    }

    // BufSet on a terminated copy of the whole input.
    char *whole = (char *)malloc(size + 1);
    memcpy(whole, data, size);
    whole[size] = '\0';
    size_t wholeLen = strlen(whole);
    got = BufSet(dst, cap, whole);
    if (cap) {
        size_t w = wholeLen < cap - 1 ? wholeLen : cap - 1;
        CHECK(got == w && dst[w] == '\0' && memcmp(dst, whole, w) == 0);
    } else {
        CHECK(got == 0);
    }
    free(whole);
    free(dst);
    free(src);
    return 0;
}
