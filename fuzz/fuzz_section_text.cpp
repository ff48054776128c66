// The section-text builder: any sequence of key=value lines into any
// capacity. It never writes outside the buffer, keeps a well-formed
// double-NUL list of exactly the lines it accepted, and refuses a line only
// when it would not fit or an earlier one did not (the list then stays as it
// was), marking the text as overflowed.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "sheet/section_text.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

// Next NUL-free piece of the input, up to a byte 0 or the end.
static std::string Take(const uint8_t *&p, const uint8_t *end)
{
    std::string s;
    while (p < end && *p)
        s += (char)*p++;
    if (p < end)
        p++;
    return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t cap = ((size_t)data[0] << 8 | data[1]) % 1024;
    const uint8_t *p = data + 2, *end = data + size;

    char *buf = (char *)malloc(cap ? cap : 1);   // exactly cap bytes
    SectionText text;
    SectionTextInit(&text, buf, cap);
    std::vector<std::string> accepted;
    size_t usedBytes = 0;   // the accepted lines with their NULs
    bool refused = false;
    while (p < end) {
        std::string key = Take(p, end);
        std::string value = Take(p, end);
        int ok = SectionTextAddLine(&text, key.c_str(), value.c_str());
        std::string line = key + "=" + value;
        if (ok) {
            accepted.push_back(line);
            usedBytes += line.size() + 1;
            CHECK(!refused);
            CHECK(usedBytes + 1 <= cap);   // the list's own final NUL still fits
        } else {
            CHECK(refused || cap < 2 || usedBytes + line.size() + 1 + 1 > cap);
            refused = true;
            CHECK(text.overflow);
        }
        CHECK(text.used == usedBytes);
    }
    if (refused)
        CHECK(text.overflow);
    if (cap >= 2) {
        // Read the list back, never past the capacity.
        std::vector<std::string> got;
        size_t i = 0;
        while (i < cap && buf[i]) {
            size_t n = strnlen(buf + i, cap - i);
            CHECK(i + n < cap);
            got.push_back(std::string(buf + i, n));
            i += n + 1;
        }
        CHECK(i < cap);   // the empty line that ends the list
        CHECK(got == accepted);
    }
    free(buf);
    return 0;
}
