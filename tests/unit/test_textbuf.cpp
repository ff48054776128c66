// Bounded copies: exact fit, one too small, nothing at capacity 0.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/textbuf.h"

TEST(BufSet, FitsTerminatesAndReportsLength)
{
    struct Case { const char *src; size_t cap; const char *want; size_t n; } cases[] = {
        { "hello", 6, "hello", 5 },   // exact fit
        { "hello", 5, "hell", 4 },    // one too small
        { "hello", 1, "", 0 },
        { "", 4, "", 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.src) + " cap " + std::to_string(c.cap));
        char buf[8];
        memset(buf, 0xcc, sizeof(buf));
        EXPECT_EQ(BufSet(buf, c.cap, c.src), c.n);
        EXPECT_STREQ(buf, c.want);
        EXPECT_EQ((unsigned char)buf[c.cap], 0xcc) << "wrote past the capacity";
    }
}

TEST(BufSet, CapacityZeroWritesNothing)
{
    char buf[2] = { 'x', 'y' };
    EXPECT_EQ(BufSet(buf, 0, "abc"), 0u);
    EXPECT_EQ(buf[0], 'x');
}

TEST(BufSetN, StopsAtCountWithoutReadingFurther)
{
    const char src[3] = { 'a', 'b', 'c' };   // not terminated
    char buf[8];
    EXPECT_EQ(BufSetN(buf, sizeof(buf), src, 3), 3u);
    EXPECT_STREQ(buf, "abc");
}

TEST(BufJoin, JoinsOnlyWhatFitsWhole)
{
    struct Case { const char *a, *b; size_t cap; bool ok; const char *want; } cases[] = {
        { "C:\\dir\\", "brivane.dll", 19, true, "C:\\dir\\brivane.dll" },   // 18 + NUL: exact fit
        { "C:\\dir\\", "brivane.dll", 18, false, "" },                      // one too small: refused, not cut
        { "", "x", 2, true, "x" },
        { "abc", "", 4, true, "abc" },
        { "abc", "", 3, false, "" },
        { "abc", "d", 0, false, nullptr },                                  // nothing written at all
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.a) + "+" + c.b + " cap " + std::to_string(c.cap));
        char buf[24];
        memset(buf, 0xcc, sizeof(buf));
        EXPECT_EQ(BufJoin(buf, c.cap, c.a, c.b), c.ok);
        if (c.want) {
            EXPECT_STREQ(buf, c.want);
        } else {
            EXPECT_EQ((unsigned char)buf[0], 0xcc);
        }
        EXPECT_EQ((unsigned char)buf[c.cap], 0xcc) << "wrote past the capacity";
    }
    // Onto itself, as the host appends to a folder it holds.
    char self[16] = "C:\\a\\";
    EXPECT_TRUE(BufJoin(self, sizeof(self), self, "b.ini"));
    EXPECT_STREQ(self, "C:\\a\\b.ini");
}

TEST(BesideName, TheListsNamesAreNeverTheConfigurationFileAndNeverCut)
{
    struct Case { const char *config, *extension; size_t cap; bool ok; const char *want; } cases[] = {
        { "C:\\b\\brivane.ini", ".recent", 32, true, "C:\\b\\brivane.recent" },
        { "C:\\b.d\\brivane", ".hidden", 32, true, "C:\\b.d\\brivane.hidden" },   // a dot in a folder is no extension
        { "C:\\b\\a.b.ini", ".recent", 32, true, "C:\\b\\a.b.recent" },
        { "C:\\b\\my.hidden", ".hidden", 32, false, "" },                   // its own list
        { "C:\\b\\MY.Recent", ".recent", 32, false, "" },                   // ASCII case aside
        { "C:\\b\\my.hidden", ".recent", 32, true, "C:\\b\\my.recent" },
        { "C:\\b\\my.rec", ".recent", 32, true, "C:\\b\\my.recent" },
        { "C:\\b\\a.ini", ".recent", 14, true, "C:\\b\\a.recent" },       // 13 + NUL: exact fit
        { "C:\\b\\a.ini", ".recent", 13, false, "" },                       // one too small: refused
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.config) + " " + c.extension + " cap " + std::to_string(c.cap));
        char buf[40];
        memset(buf, 0xcc, sizeof(buf));
        EXPECT_EQ(BesideName(buf, c.cap, c.config, c.extension), c.ok);
        EXPECT_STREQ(buf, c.want);
        EXPECT_EQ((unsigned char)buf[c.cap], 0xcc) << "wrote past the capacity";
    }
    // Every name kept beside it within 260: "<file>.new", "<stem>.recent.new".
    std::string stem = "C:\\" + std::string(241, 'a');   // 244 characters
    EXPECT_TRUE(BesideNamesFit((stem + ".ini").c_str(), 260));     // 248: the stem with 11 is 255
    EXPECT_FALSE(BesideNamesFit((stem + "aaaaa.ini").c_str(), 260));   // the stem with 11 is 260
    EXPECT_FALSE(BesideNamesFit((stem + "." + std::string(11, 'x')).c_str(), 260));   // "<file>.new" is 260
    EXPECT_TRUE(BesideNamesFit((stem + "." + std::string(10, 'x')).c_str(), 260));
}

TEST(FullyQualifiedPath, OnlyPathsThatNameOneFileWhereverTheProcessStands)
{
    const std::string a300(300, 'A'), a600(600, 'A'), a2000(2000, 'A');
    struct Case { std::string path; bool ok; } cases[] = {
        { "C:\\Users\\me\\brivane.ini", true },
        { "z:/cfg/brivane.ini", true },
        { "\\\\server\\share\\brivane.ini", true },
        { "\\\\server\\share", true },
        { "C:\\" + std::string(256, 'x'), true },            // 259 characters: under 260
        { "C:\\" + std::string(257, 'x'), false },           // 260: MAX_PATH itself is too long
        // The names that crashed the profile functions: one long name
        // with a ':' in it, at 300, 600 and 2,000 characters.
        { a300 + ":x", false },
        { a600 + ":x", false },
        { a2000 + ":x", false },
        { "C:\\" + a600 + "\\b.ini", false },                // qualified but too long
        { "acc-rel.ini", false },                            // relative: the current or Windows folder
        { "cfg\\brivane.ini", false },
        { "\\cfg\\brivane.ini", false },                     // rooted on the current drive
        { "C:brivane.ini", false },                          // drive-relative
        { "C:", false },
        { "\\\\?\\C:\\cfg\\brivane.ini", false },            // device namespaces
        { "\\\\.\\C:\\cfg\\brivane.ini", false },
        { "//?/C:/cfg/brivane.ini", false },
        { "\\\\.\\pipe\\x", false },
        { "\\\\server", false },                             // no share
        { "\\\\server\\", false },
        { "\\\\\\share\\x", false },                         // no server
        { "C:\\cfg\\brivane.ini:stream", false },            // a stream after the root
        { "1:\\x.ini", false },
        { "", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.size() > 40 ? c.path.substr(0, 40) + "... (" + std::to_string(c.path.size()) + ")" : c.path);
        EXPECT_EQ(IsFullyQualifiedPath(c.path.c_str(), 260), c.ok);
    }
    // The limit is checked without reading past it: a field without a NUL.
    char field[8];
    memcpy(field, "C:\\abcde", 8);
    EXPECT_FALSE(IsFullyQualifiedPath(field, sizeof(field)));
}
