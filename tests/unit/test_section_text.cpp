// Section text lists and the header-line search used when a section is
// written back or cut out of the configuration file.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "sheet/section_text.h"

// The whole list, its final NUL included.
static std::string ListOf(const SectionText &t)
{
    return std::string(t.buf, t.used + 1);
}

TEST(SectionText, BuildsADoubleNulTerminatedList)
{
    char buf[64];
    memset(buf, 0xcc, sizeof(buf));
    SectionText t;
    SectionTextInit(&t, buf, sizeof(buf));
    EXPECT_EQ(std::string(buf, 2), std::string("\0\0", 2)) << "an empty list";
    EXPECT_EQ(SectionTextAddLine(&t, "name1", "Projects"), 1);
    EXPECT_EQ(SectionTextAddLine(&t, "path1", "D:\\Projects"), 1);
    EXPECT_EQ(SectionTextAddLine(&t, "notepad", ""), 1);
    EXPECT_EQ(ListOf(t), std::string("name1=Projects\0path1=D:\\Projects\0notepad=\0\0", 43));
    EXPECT_EQ(buf[t.used], '\0');
    EXPECT_EQ(t.overflow, 0);
}

TEST(SectionText, ExactFitAndOneTooSmall)
{
    // "k=v" NUL plus the list's NUL: 5 bytes.
    for (size_t cap : { (size_t)5, (size_t)4 }) {
        SCOPED_TRACE("cap " + std::to_string(cap));
        char buf[8];
        memset(buf, 0xcc, sizeof(buf));
        SectionText t;
        SectionTextInit(&t, buf, cap);
        int fits = cap == 5;
        EXPECT_EQ(SectionTextAddLine(&t, "k", "v"), fits);
        EXPECT_EQ(t.overflow, !fits);
        EXPECT_EQ((unsigned char)buf[cap], 0xcc) << "wrote past the capacity";
        if (fits)
            EXPECT_EQ(std::string(buf, 5), std::string("k=v\0\0", 5));
        else
            EXPECT_EQ(std::string(buf, 2), std::string("\0\0", 2)) << "list left as it was";
    }
}

TEST(SectionText, StaysWellFormedAfterOverflow)
{
    char buf[16];
    SectionText t;
    SectionTextInit(&t, buf, sizeof(buf));
    EXPECT_EQ(SectionTextAddLine(&t, "a", "1"), 1);                 // 4 bytes + final NUL
    EXPECT_EQ(SectionTextAddLine(&t, "long", "0123456789"), 0);
    // A later short line must not slip in after a lost one: rows keep order.
    EXPECT_EQ(SectionTextAddLine(&t, "b", "2"), 0);
    EXPECT_EQ(t.overflow, 1);
    EXPECT_EQ(ListOf(t), std::string("a=1\0\0", 5));
    EXPECT_EQ(buf[t.used], '\0');
}

TEST(SectionText, TinyBuffersOverflowAtOnce)
{
    char buf[2] = { 'x', 'y' };
    SectionText t;
    SectionTextInit(&t, buf, 1);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'y');
    EXPECT_EQ(SectionTextAddLine(&t, "", ""), 0);
    SectionTextInit(&t, buf, 0);
    EXPECT_EQ(SectionTextAddLine(&t, "", ""), 0);
}

TEST(FindSectionHeaderLine, FindsOnlyRealHeaderLines)
{
    struct Case {
        const char *what;
        std::string data;
        const char *name;
        int found;
        size_t offset, length;
    } cases[] = {
        { "1 CRLF file", "[global]\r\nname1=a\r\n[work]\r\nname1=b\r\n", "work", 1, 19, 8 },
        { "2 LF only", "[global]\nname1=a\n[work]\nname1=b\n", "work", 1, 17, 7 },
        { "3 last line without newline", "[global]\r\nname1=a\r\n[work]", "work", 1, 19, 6 },
        { "4 at file start", "[work]\r\nx=1\r\n", "work", 1, 0, 8 },
        { "5 case differs", "[a]\r\n[WoRk]\r\n", "work", 1, 5, 8 },
        { "6 inside a value first", "[global]\r\npath1=C:\\[work]\r\n[work]\r\n", "work", 1, 27, 8 },
        { "7 value that is only the header text", "[g]\r\nname1=[work]\r\n", "work", 0, 0, 0 },
        { "8 longer name is another section", "[workshop]\r\n[work]\r\n", "work", 1, 12, 8 },
        { "9 prefix is another section", "[mywork]\r\n", "work", 0, 0, 0 },
        { "10 text after the bracket", "[work]x\r\n[work]\r\n", "work", 1, 0, 9 },
        { "11 blanks around", "  [work] \t\r\nx=1\r\n", "work", 1, 0, 12 },
        { "12 lone CR is not a line end", "a=1\r[work]\r\n", "work", 0, 0, 0 },
        { "13 CR at end of data", "x\n[work]\r", "work", 1, 2, 7 },
        { "14 absent", "[global]\r\n", "work", 0, 0, 0 },
        { "15 empty data", "", "work", 0, 0, 0 },
        { "16 cut off inside the header", "x\n[wor", "work", 0, 0, 0 },
        { "18 a note after the header", "[g]\r\n[work] ; notes\r\nx=1\r\n", "work", 1, 5, 16 },
        { "19 a later bracket belongs to the name", "[work]]\r\n[work] ; a]\r\n", "work", 0, 0, 0 },
        { "20 form feed and ^Z before it", "\f\x1a[work]\n", "work", 1, 0, 9 },
        { "17 NUL bytes are data", std::string("a=\0\n[work]\n", 11), "work", 1, 4, 7 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        size_t offset = 99, length = 99;
        EXPECT_EQ(FindSectionHeaderLine(c.data.data(), c.data.size(), c.name, &offset, &length), c.found);
        if (c.found) {
            EXPECT_EQ(offset, c.offset);
            EXPECT_EQ(length, c.length);
        }
    }
}

TEST(SectionHasCommentLines, OnlyThoseOfTheSection)
{
    static const struct { const char *data; int want; } cases[] = {
        { "[work]\r\nname1=a\r\n; mine\r\n", 1 },
        { "[work] ; header note\r\n  ;indented\r\n", 1 },
        { "[work]\r\nname1=a;b\r\n[next]\r\n; theirs\r\n", 0 },
        { "[work]\r\n[not a header\r\n; still work\r\n", 1 },
        { "; before\r\n[work]\r\nx=1", 0 },
        { "[other]\r\n; x\r\n", 0 },
        { "[work]\r\n;", 1 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(SectionHasCommentLines(c.data, strlen(c.data), "work"), c.want);
    }
}

TEST(FindSectionHeaderLine, NeverReadsPastSize)
{
    // The data ends right after "]": the bytes beyond belong to nobody.
    const char full[] = "x\r\n[work]\r\nmore";
    for (size_t size = 0; size <= 9; size++) {
        SCOPED_TRACE("size " + std::to_string(size));
        // A heap copy of exactly size bytes, so that a sanitizer sees any overread.
        std::string copy(full, size);
        char *data = new char[size ? size : 1];
        memcpy(data, copy.data(), size);
        size_t offset = 0, length = 0;
        int found = FindSectionHeaderLine(data, size, "work", &offset, &length);
        EXPECT_EQ(found, size == 9);
        if (found) {
            EXPECT_EQ(offset, 3u);
            EXPECT_EQ(length, 6u);
        }
        delete[] data;
    }
}
