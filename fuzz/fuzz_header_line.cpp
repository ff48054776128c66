// Finding a section's header line in raw file bytes: any bytes, any name.
// The search never reads past the size, reports only a real header line
// ("[name]" at the start of a line, then a line end or the end of the
// file) and finds the first one that a plain reading of the file finds.
#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "sheet/section_text.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

static bool SameText(const char *a, const char *b, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

// Length of "[name]" and its ending at off, or 0 when no header line starts there.
static size_t HeaderAt(const char *d, size_t size, const char *name, size_t n, size_t off)
{
    if (off != 0 && d[off - 1] != '\n')
        return 0;
    if (size - off < n + 2 || d[off] != '[' || !SameText(d + off + 1, name, n) || d[off + n + 1] != ']')
        return 0;
    size_t at = off + n + 2;
    if (at == size)
        return at - off;
    if (d[at] == '\n')
        return at + 1 - off;
    if (d[at] == '\r' && at + 1 < size && d[at + 1] == '\n')
        return at + 2 - off;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    size_t n = data[0] % 16 + 1;
    if (size - 1 < n)
        return 0;
    char name[17];
    memcpy(name, data + 1, n);
    name[n] = '\0';
    n = strlen(name);
    if (n == 0)
        return 0;
    data += 1 + n;
    size -= 1 + n;
    // Often a word, so that the fuzzer reaches real matches.
    char *file = (char *)malloc(size ? size : 1);   // exactly the file's bytes
    memcpy(file, data, size);

    size_t offset = 0, length = 0;
    int found = FindSectionHeaderLine(file, size, name, &offset, &length);
    size_t want = size;
    for (size_t off = 0; off < size; off++)
        if (HeaderAt(file, size, name, n, off)) {
            want = off;
            break;
        }
    if (found) {
        CHECK(offset < size && length <= size - offset);
        CHECK(offset == 0 || file[offset - 1] == '\n' || file[offset - 1] == '\r');
        CHECK(file[offset] == '[' && length >= n + 2);
        CHECK(SameText(file + offset + 1, name, n) && file[offset + n + 1] == ']');
        size_t rest = length - (n + 2);
        const char *tail = file + offset + n + 2;
        CHECK(rest == 0 || (rest == 1 && (tail[0] == '\n' || tail[0] == '\r')) ||
              (rest == 2 && tail[0] == '\r' && tail[1] == '\n'));
        CHECK(rest != 0 || offset + length == size);
        CHECK(offset <= want);
        if (offset == want)
            CHECK(length == HeaderAt(file, size, name, n, want));
    } else {
        CHECK(want == size);
    }
    free(file);
    return 0;
}
