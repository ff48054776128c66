// The recent-folders list as stored: read with care, kept to ten, each
// folder once, most recent first.
#include <gtest/gtest.h>
#include <string>
#include "core/recent_list.h"

namespace {

std::string Joined(const RecentList &list)
{
    std::string out;
    for (int i = 0; i < list.count; i++)
        out += (i ? "|" : "") + std::string(list.folder[i]);
    return out;
}

std::string Parsed(const std::string &text)
{
    RecentList list;
    list.count = 99;
    RecentParse(text.data(), text.size(), &list);
    return Joined(list);
}

} // namespace

TEST(RecentList, ParseTakesWholeLinesOfFolderPathsOnly)
{
    const std::string long259 = "C:\\" + std::string(256, 'x'), long260 = long259 + "y";
    struct Case { const char *what; std::string text, list; };
    const Case cases[] = {
        { "empty", "", "" },
        { "LF and CR LF", "C:\\a\nD:\\b\r\n", "C:\\a|D:\\b" },
        { "a last line without its end is cut short", "C:\\a\r\nC:\\bb", "C:\\a" },
        { "relative, drive-relative, device, blank", "a\\b\r\nC:b\r\n\\\\.\\c:\r\n\r\nC:\\ok\r\n", "C:\\ok" },
        { "259 characters fit, 260 do not", long260 + "\r\n" + long259 + "\r\n", long259 },
        { "a NUL inside a line", std::string("C:\\a\0b\r\nC:\\c\r\n", 15), "C:\\c" },
        { "the same folder again: case, trailing backslash", "C:\\A\r\nc:\\a\\\r\n\\\\s\\sh\r\n\\\\S\\SH\\\r\n",
          "C:\\A|\\\\s\\sh" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Parsed(c.text), c.list);
    }
    std::string twelve;
    for (int i = 0; i < 12; i++)
        twelve += "C:\\" + std::to_string(i) + "\r\n";
    EXPECT_EQ(Parsed(twelve), "C:\\0|C:\\1|C:\\2|C:\\3|C:\\4|C:\\5|C:\\6|C:\\7|C:\\8|C:\\9");
}

TEST(RecentList, PushPutsFirstOnceAndDropsTheEleventh)
{
    RecentList list;
    list.count = 0;
    EXPECT_EQ(RecentPush(&list, "relative"), 0);
    EXPECT_EQ(RecentPush(&list, ("C:\\" + std::string(257, 'x')).c_str()), 0);
    EXPECT_EQ(list.count, 0);
    for (int i = 0; i < 11; i++)
        ASSERT_EQ(RecentPush(&list, ("C:\\" + std::to_string(i)).c_str()), 1);
    EXPECT_EQ(Joined(list), "C:\\10|C:\\9|C:\\8|C:\\7|C:\\6|C:\\5|C:\\4|C:\\3|C:\\2|C:\\1");
    // Again: moved to the front in its new spelling, nothing lost.
    RecentPush(&list, "c:\\5\\");
    EXPECT_EQ(Joined(list), "c:\\5\\|C:\\10|C:\\9|C:\\8|C:\\7|C:\\6|C:\\4|C:\\3|C:\\2|C:\\1");

    // Written and read back the same; a buffer one byte short writes nothing.
    char text[RECENT_TEXT_CAPACITY];
    size_t n = RecentFormat(&list, text, sizeof(text));
    ASSERT_GT(n, 0u);
    EXPECT_EQ(Parsed(std::string(text, n)), Joined(list));
    EXPECT_EQ(RecentFormat(&list, text, n - 1), 0u);
    EXPECT_EQ(RecentFormat(&list, text, n), n);
}
