// Finding a section's header line in raw file bytes: any bytes, any name.
// The search never reads past the size and finds exactly the first real
// header line: at the start of the data or after a LF, blanks, "[name]" in
// any case, then anything without another ']' up to the LF or the end of
// the data. Text inside a value that merely reads "[name]" is not a header
// line.
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

static bool Blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == 0x1a;
}

// Length of the header line starting at off, its end included, or 0 when
// no header line of the name starts there.
static size_t HeaderAt(const char *d, size_t size, const char *name, size_t n, size_t off)
{
    if (off != 0 && d[off - 1] != '\n')
        return 0;
    size_t i = off;
    while (i < size && Blank(d[i]))
        i++;
    if (size - i < n + 2 || d[i] != '[' || !SameText(d + i + 1, name, n) || d[i + n + 1] != ']')
        return 0;
    for (i += n + 2; i < size && d[i] != '\n'; i++)
        if (d[i] == ']')
            return 0;
    return (i < size ? i + 1 : i) - off;
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
    if (want < size) {
        CHECK(found);
        CHECK(offset == want);
        CHECK(length == HeaderAt(file, size, name, n, want));
        CHECK(length <= size - offset);
    } else {
        CHECK(!found);
    }
    // Whatever the data, the comment search stays inside it.
    SectionHasCommentLines(file, size, name);
    free(file);
    return 0;
}
