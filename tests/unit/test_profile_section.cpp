// A section held in memory: its keys found as the profile functions find
// them, numbered entries indexed in one walk, and lists built to write.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/profile_section.h"

// A list from its lines: "a\0b\0\0".
static std::string List(std::initializer_list<const char *> lines)
{
    std::string s;
    for (const char *l : lines) {
        s += l;
        s += '\0';
    }
    s += '\0';
    return s;
}

// What GetPrivateProfileStringA("s", key, "<none>") answers, from memory.
static std::string Lookup(const std::string &list, const char *key)
{
    ProfileEntry e;
    if (!ProfileFindEntry(list.data(), list.size(), key, &e))
        return "<none>";
    if (!e.value)
        return "<none>";    // a line without '=': the default comes back
    char out[300];
    ProfileCopyValue(&e, out, sizeof(out));
    return out;
}

TEST(ProfileSection, FindsKeysAsTheProfileFunctions)
{
    static const struct { int id; std::initializer_list<const char *> lines; const char *key; const char *want; } cases[] = {
        { 1, { "name1=A" }, "name1", "A" },
        { 2, { "NAME1=A" }, "name1", "A" },                       // case of the key
        { 3, { "name1=A", "name1=B" }, "name1", "A" },            // first occurrence wins
        { 4, { "  name1  =  A b  " }, "name1", "A b" },           // blanks around both
        { 5, { "name1=A" }, "  name1 ", "A" },                    // blanks around the asked key
        { 6, { "name1=\"C:\\x y\"" }, "name1", "C:\\x y" },        // one pair of quotes off
        { 7, { "name1='q'" }, "name1", "q" },
        { 8, { "name1=\"q'" }, "name1", "\"q'" },                  // quotes that do not match
        { 9, { "name1=\"" }, "name1", "\"" },                      // a lone quote stays
        { 10, { "name1=\"\"" }, "name1", "" },
        { 11, { "name1=\"a\"b\"" }, "name1", "a\"b" },             // only the outer pair
        { 12, { "name1=a=b=c" }, "name1", "a=b=c" },               // '=' inside the value
        { 13, { "name1=" }, "name1", "" },
        { 14, { "name1" }, "name1", "<none>" },                    // no '=': the default
        { 15, { "name1", "name1=B" }, "name1", "<none>" },         // ...and it still comes first
        { 16, { ";name1=A", "name1=B" }, "name1", "B" },           // a comment is no key
        { 17, { "  ;x=1", "x=2" }, "x", "2" },
        { 18, { "=A", "name1=B" }, "name1", "B" },
        { 19, { "name10=X" }, "name1", "<none>" },
        { 20, { "name1 x=A" }, "name1", "<none>" },
        { 21, { "\tname1\t=\tA\x1a" }, "name1", "A" },             // tabs and ^Z are blanks
        { 22, {}, "name1", "<none>" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("case " + std::to_string(c.id));
        EXPECT_EQ(Lookup(List(c.lines), c.key), c.want);
    }
}

TEST(ProfileSection, CopyIsCutToItsBufferAndTerminated)
{
    std::string list = List({ "k=\"abcdef\"" });
    ProfileEntry e;
    ASSERT_TRUE(ProfileFindEntry(list.data(), list.size(), "k", &e));
    char out[8];
    memset(out, 0xcc, sizeof(out));
    EXPECT_EQ(ProfileCopyValue(&e, out, 4), 3u);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ((unsigned char)out[4], 0xcc);
    EXPECT_EQ(ProfileCopyValue(&e, out, 0), 0u);
}

TEST(ProfileSection, WalkStopsAtTheSizeWithoutAFinalNul)
{
    const char data[] = { 'a', '=', '1', '\0', 'b', '=', '2' };   // cut, no NULs at the end
    size_t pos = 0, len;
    const char *line;
    ASSERT_TRUE(ProfileNextLine(data, sizeof(data), &pos, &line, &len));
    EXPECT_EQ(std::string(line, len), "a=1");
    ASSERT_TRUE(ProfileNextLine(data, sizeof(data), &pos, &line, &len));
    EXPECT_EQ(std::string(line, len), "b=2");
    EXPECT_FALSE(ProfileNextLine(data, sizeof(data), &pos, &line, &len));
}

TEST(ProfileSection, NumberedEntriesInOneWalk)
{
    std::string list = List({ "; my favourites", "path2=P2", "Name1=One", "path1=\"P1\"",
                              "name2=-Sub", "name1=Dup", "name02=Zero", "name3=", "name4=After",
                              "other=x", "path3" });
    NumberedEntries n;
    ASSERT_TRUE(NumberedEntriesBuild(&n, list.data(), list.size()));
    EXPECT_EQ(n.lines, 11u);
    char out[64];
    NumberedName(&n, 1, out, sizeof(out));
    EXPECT_STREQ(out, "One");
    EXPECT_EQ(n.nameLine[0], 2u);
    NumberedPath(&n, 1, out, sizeof(out));
    EXPECT_STREQ(out, "P1");
    NumberedName(&n, 2, out, sizeof(out));
    EXPECT_STREQ(out, "-Sub") << "name02 is not name2";
    NumberedPath(&n, 2, out, sizeof(out));
    EXPECT_STREQ(out, "P2");
    EXPECT_EQ(NumberedName(&n, 3, out, sizeof(out)), 0u);
    EXPECT_EQ(NumberedEnd(&n), 3u) << "readers stop at the empty name3";
    NumberedName(&n, 4, out, sizeof(out));
    EXPECT_STREQ(out, "After");
    EXPECT_EQ(NumberedName(&n, 99, out, sizeof(out)), 0u);
    EXPECT_EQ(NumberedName(&n, 0, out, sizeof(out)), 0u);
    NumberedEntriesFree(&n);

    std::string empty = List({});
    ASSERT_TRUE(NumberedEntriesBuild(&n, empty.data(), empty.size()));
    EXPECT_EQ(NumberedEnd(&n), 1u);
    NumberedEntriesFree(&n);
}

TEST(ProfileSection, KeyNumbers)
{
    static const struct { const char *line; size_t want; } cases[] = {
        { "name1=x", 1 }, { "NAME12=x", 12 }, { "name0=x", 0 }, { "name01=x", 0 },
        { "name=x", 0 }, { "name1a=x", 0 }, { "nam1=x", 0 }, { "name99999999999999999999999=x", 0 },
        { "name100=x", 100 }, { "name101=x", 0 },   // above the limit of 100
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        ProfileEntry e;
        ASSERT_TRUE(ProfileParseLine(c.line, strlen(c.line), &e));
        EXPECT_EQ(ProfileKeyNumber(&e, "name", 100), c.want);
    }
}

TEST(ProfileSection, LinesGrowToFitAndStayAList)
{
    SectionLines s;
    SectionLinesInit(&s);
    EXPECT_EQ(std::string(SectionLinesText(&s), 2), std::string("\0\0", 2));
    std::string want;
    for (int i = 1; i <= 3000; i++) {
        std::string key = "name" + std::to_string(i), value(40, 'v');
        ASSERT_TRUE(SectionLinesAdd(&s, key.c_str(), value.c_str()));
        want += key + "=" + value + '\0';
    }
    ASSERT_TRUE(SectionLinesAddRaw(&s, "; kept", 6));
    ASSERT_TRUE(SectionLinesAddRaw(&s, "", 0));
    want += std::string("; kept") + '\0';
    EXPECT_GT(s.used, 16384u) << "no fixed ceiling";
    EXPECT_EQ(s.used, want.size());
    EXPECT_EQ(std::string(SectionLinesText(&s), s.used + 1), want + '\0');
    EXPECT_FALSE(s.failed);
    SectionLinesFree(&s);
    EXPECT_EQ(s.buf, nullptr);
}

TEST(ProfileSection, AppendedEntryIsTheOneEveryReaderReachesNext)
{
    static const struct { int id; std::initializer_list<const char *> lines; size_t n; const char *want; } cases[] = {
        { 1, {}, 1, "name1=New|path1=C:\\new|" },
        { 2, { "; mine", "name1=A", "path1=C:\\a", "other=1" }, 2,
          "; mine|name1=A|path1=C:\\a|other=1|name2=New|path2=C:\\new|" },
        // The empty name that ended the section and a stray path of that
        // number would hide the new entry.
        { 3, { "name1=A", "name2=", "path2=old", "name3=C" }, 2, "name1=A|name3=C|name2=New|path2=C:\\new|" },
        { 4, { "name2=B" }, 1, "name2=B|name1=New|path1=C:\\new|" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("case " + std::to_string(c.id));
        std::string list = List(c.lines);
        SectionLines out;
        SectionLinesInit(&out);
        EXPECT_EQ(SectionLinesAppendEntry(list.data(), list.size(), "New", "C:\\new", &out), c.n);
        std::string got;
        size_t pos = 0, len;
        const char *line;
        while (ProfileNextLine(SectionLinesText(&out), out.used + 1, &pos, &line, &len))
            got += std::string(line, len) + "|";
        EXPECT_EQ(got, c.want);
        SectionLinesFree(&out);
    }
}
