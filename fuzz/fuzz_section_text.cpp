// The section-text builder: any sequence of key=value lines into any
// capacity. It never writes outside the buffer, keeps a well-formed
// double-NUL list of exactly the lines it accepted, and refuses a line only
// when it would not fit or an earlier one did not (the list then stays as it
// was), marking the text as overflowed. The growing list gets the same
// lines and must hold exactly them. The input read as a section list is
// walked and parsed: every key and value lies inside its line, trimmed, and
// a numbered entry found by the index is the first line with that key; an
// entry appended is the one a reader finds next.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "sheet/section_text.h"
#include "core/profile_section.h"

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

static bool Blank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1a;
}

// The input itself as a list, never read past its size.
static void ParseAsList(const char *list, size_t size)
{
    size_t pos = 0, len, index = 0;
    const char *line;
    std::vector<ProfileEntry> entries;
    while (ProfileNextLine(list, size, &pos, &line, &len)) {
        CHECK(line >= list && line + len <= list + size && len > 0);
        ProfileEntry e;
        if (ProfileParseLine(line, len, &e)) {
            CHECK(e.key >= line && e.key + e.keyLen <= line + len && e.keyLen > 0);
            CHECK(!Blank(e.key[0]) && !Blank(e.key[e.keyLen - 1]) && e.key[0] != ';');
            CHECK(!memchr(e.key, '=', e.keyLen));
            if (e.value) {
                CHECK(e.value > e.key + e.keyLen && e.value + e.valueLen <= line + len);
                CHECK(e.valueLen == 0 || (!Blank(e.value[0]) && !Blank(e.value[e.valueLen - 1])));
            }
            char out[8];
            size_t n = ProfileCopyValue(&e, out, sizeof(out));
            CHECK(n < sizeof(out) && out[n] == '\0');
        } else {
            e.key = NULL;
        }
        entries.push_back(e);
        index++;
    }
    NumberedEntries n;
    if (!NumberedEntriesBuild(&n, list, size))
        return;
    CHECK(n.lines == index);
    for (size_t k = 1; k <= n.count; k++) {
        std::string key = "name" + std::to_string(k);
        size_t first = index;
        for (size_t i = 0; i < entries.size() && first == index; i++)
            if (entries[i].key && ProfileKeyIs(&entries[i], key.c_str()))
                first = i;
        if (first == index) {
            CHECK(!n.name[k - 1].key);
        } else {
            CHECK(n.name[k - 1].key == entries[first].key && n.nameLine[k - 1] == first);
        }
    }
    size_t end = NumberedEnd(&n);
    CHECK(end >= 1 && end <= n.count + 1);
    NumberedEntriesFree(&n);

    // One entry appended is what a reader finds next.
    SectionLines out;
    SectionLinesInit(&out);
    size_t number = SectionLinesAppendEntry(list, size, "new", "C:\\new", &out);
    CHECK(number == end);
    CHECK(NumberedEntriesBuild(&n, SectionLinesText(&out), out.used + 1));
    char got[8];
    NumberedName(&n, number, got, sizeof(got));
    CHECK(!strcmp(got, "new"));
    NumberedPath(&n, number, got, sizeof(got));
    CHECK(!strcmp(got, "C:\\new"));
    NumberedEntriesFree(&n);
    SectionLinesFree(&out);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ParseAsList((const char *)data, size);
    if (size < 2)
        return 0;
    size_t cap = ((size_t)data[0] << 8 | data[1]) % 1024;
    const uint8_t *p = data + 2, *end = data + size;

    char *buf = (char *)malloc(cap ? cap : 1);   // exactly cap bytes
    SectionText text;
    SectionTextInit(&text, buf, cap);
    SectionLines grown;
    SectionLinesInit(&grown);
    std::string grownWant;
    std::vector<std::string> accepted;
    size_t usedBytes = 0;   // the accepted lines with their NULs
    bool refused = false;
    while (p < end) {
        std::string key = Take(p, end);
        std::string value = Take(p, end);
        int ok = SectionTextAddLine(&text, key.c_str(), value.c_str());
        std::string line = key + "=" + value;
        CHECK(SectionLinesAdd(&grown, key.c_str(), value.c_str()));
        grownWant += line + '\0';
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
    CHECK(grown.used == grownWant.size());
    CHECK(std::string(SectionLinesText(&grown), grown.used + 1) == grownWant + '\0');
    SectionLinesFree(&grown);
    free(buf);
    return 0;
}
