// Bounded copies: whatever the capacity, limit and source, BufSet and
// BufSetN write inside the capacity, terminate, report what they wrote and
// never read a source byte past the limit. BufJoin writes the whole join or
// nothing but an empty text; IsFullyQualifiedPath reads no byte past its
// limit and accepts only a drive or share root of fewer characters.
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
    // BufJoin: the input split in two at the limit byte.
    size_t cut = limit < wholeLen ? limit : wholeLen;
    char *a = (char *)malloc(cut + 1);
    memcpy(a, whole, cut);
    a[cut] = '\0';
    const char *b = whole + cut;
    size_t joined = cut + strlen(b);
    bool fits = cap > 0 && joined < cap;
    CHECK(BufJoin(dst, cap, a, b) == fits);
    if (fits) {
        CHECK(memcmp(dst, a, cut) == 0 && strcmp(dst + cut, b) == 0);
    } else if (cap) {
        CHECK(dst[0] == '\0');
    }

    // IsFullyQualifiedPath on exactly `limit` readable bytes (no NUL needed).
    if (limit > 0) {
        char *path = (char *)malloc(limit);
        for (size_t i = 0; i < limit; i++)
            path[i] = i < size ? (char)data[i] : 'x';
        if (IsFullyQualifiedPath(path, limit)) {
            size_t n = strnlen(path, limit);
            CHECK(n < limit && n >= 3);
            bool drive = path[1] == ':';
            bool share = (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
            CHECK(drive || share);
            CHECK(!memchr(path + 2, ':', n - 2));
        }
        free(path);
    }
    free(a);
    free(whole);
    free(dst);
    free(src);
    return 0;
}
