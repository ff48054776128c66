// Where "Add this folder" puts a new favourite, and what it calls it.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/favourite_add.h"
#include "core/profile_section.h"
#include "core/section_merge.h"

namespace {

// "a|b|c" as a section list (lines NUL-terminated, the list too).
std::string List(const std::string &bars)
{
    std::string out;
    size_t start = 0;
    while (!bars.empty() && start <= bars.size()) {
        size_t end = bars.find('|', start);
        if (end == std::string::npos)
            end = bars.size();
        out += bars.substr(start, end - start) + '\0';
        start = end + 1;
    }
    return out + '\0';
}

// "a|b|c" as a list built line by line, as the page and the reads build theirs.
SectionLines Lines(const std::string &bars)
{
    SectionLines s;
    SectionLinesInit(&s);
    std::string list = List(bars);
    for (const char *p = list.c_str(); *p; p += strlen(p) + 1)
        SectionLinesAddRaw(&s, p, strlen(p));
    return s;
}

std::string Bars(const SectionLines &s)
{
    std::string out;
    const char *p = SectionLinesText(&s);
    while (*p) {
        out += (out.empty() ? "" : "|") + std::string(p);
        p += strlen(p) + 1;
    }
    return out;
}

} // namespace

TEST(FavouriteAdd, PlacesTheEntryWhereEveryReaderReachesItAtTheTop)
{
    struct Case { const char *what, *before, *after; size_t number; };
    const Case cases[] = {
        { "empty section", "", "name1=New|path1=D:\\new", 1 },
        { "after the last entry",
          "name1=A|path1=C:\\a", "name1=A|path1=C:\\a|name2=New|path2=D:\\new", 2 },
        { "comments, blanks and other keys stay as they are",
          ";note|name1=A|other=1|path1=C:\\a", ";note|name1=A|other=1|path1=C:\\a|name2=New|path2=D:\\new", 2 },
        { "before a top-level closer, which moves up with what follows it",
          "name1=A|path1=C:\\a|name2=--|name3=Hidden|path3=C:\\h",
          "name1=A|path1=C:\\a|name3=--|name4=Hidden|path4=C:\\h|name2=New|path2=D:\\new", 2 },
        { "a submenu's closer is not the section's end",
          "name1=-Sub|name2=In|path2=C:\\i|name3=--|name4=--|name5=After",
          "name1=-Sub|name2=In|path2=C:\\i|name3=--|name5=--|name6=After|name4=New|path4=D:\\new", 4 },
        { "a submenu left open is closed first",
          "name1=-Open|name2=Inside|path2=C:\\i",
          "name1=-Open|name2=Inside|path2=C:\\i|name3=--|name4=New|path4=D:\\new", 4 },
        { "two left open",
          "name1=-One|name2=-Two",
          "name1=-One|name2=-Two|name3=--|name4=--|name5=New|path5=D:\\new", 5 },
        { "entries behind a gap keep their place behind it",
          "name1=A|name3=Gone|path3=C:\\g",
          "name1=A|name4=Gone|path4=C:\\g|name2=New|path2=D:\\new", 2 },
        { "the empty name that ended the section stays an end behind the entry",
          "name1=A|name2=|path2=C:\\stray",
          "name1=A|name3=|path3=C:\\stray|name2=New|path2=D:\\new", 2 },
        { "keys keep their own spelling and quotes",
          "NAME1=--|Path1=\"q\"|name2=B",
          "NAME2=--|Path2=\"q\"|name3=B|name1=New|path1=D:\\new", 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string list = List(c.before);
        SectionLines out;
        SectionLinesInit(&out);
        EXPECT_EQ(SectionLinesAddFavourite(list.data(), list.size(), "New", "D:\\new", &out), c.number);
        EXPECT_EQ(Bars(out), c.after);

        // What a reader now finds at the number, and that nothing before it moved.
        NumberedEntries entries;
        ASSERT_TRUE(NumberedEntriesBuild(&entries, SectionLinesText(&out), out.used + 1));
        char text[32];
        NumberedName(&entries, c.number, text, sizeof(text));
        EXPECT_STREQ(text, "New");
        NumberedPath(&entries, c.number, text, sizeof(text));
        EXPECT_STREQ(text, "D:\\new");
        NumberedEntriesFree(&entries);
        SectionLinesFree(&out);
    }
}

TEST(FavouriteAdd, EntryNameIsTheLastNameOrTheDrive)
{
    struct Case { const char *path, *name; };
    const Case cases[] = {
        { "C:\\Users\\me\\Projects", "Projects" },
        { "C:\\Users\\me\\Projects\\", "Projects" },
        { "D:\\", "D:" },
        { "D:", "D:" },
        { "\\\\server\\share", "share" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        char out[16];
        memset(out, 0xcc, sizeof(out));
        EXPECT_EQ(FolderEntryName(c.path, out, sizeof(out)), strlen(c.name));
        EXPECT_STREQ(out, c.name);
    }
    char small[4];
    EXPECT_EQ(FolderEntryName("C:\\Projects", small, sizeof(small)), 3u);
    EXPECT_STREQ(small, "Pro");
}

TEST(FavouriteAdd, FolderNamesComeBackAsTheirTextAndNeverAsMenuStructure)
{
    // What each name is stored as, and that a reader gets the text back:
    // never an opener or a closer, quotes and blanks kept.
    struct Case { const char *text, *stored; };
    const Case cases[] = {
        { "-sub", "name2=\\-sub" },        // once an empty submenu "sub"
        { "--end", "name2=\\--end" },      // once a closer that hid every later entry
        { "-", "name2=\\-" },
        { "'sq'", "name2=\"'sq'\"" },      // the readers take one pair of quotes off
        { "\"dq\"", "name2=\"\"dq\"\"" },
        { " lead", "name2=\" lead\"" },    // and blanks at the ends
        { "trail'", "name2=trail'" },
        { "'mixed\"", "name2='mixed\"" },
        { "plain-name", "name2=plain-name" },
        { "a\\-b", "name2=a\\-b" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        char stored[64];
        ASSERT_GT(EntryNameFromFolder(c.text, stored, sizeof(stored)), 0u);
        std::string list = List("name1=A|path1=C:\\a");
        SectionLines once, twice;
        SectionLinesInit(&once);
        SectionLinesInit(&twice);
        ASSERT_EQ(SectionLinesAddFavourite(list.data(), list.size(), stored, "C:\\f", &once), 2u);
        EXPECT_EQ(Bars(once), "name1=A|path1=C:\\a|" + std::string(c.stored) + "|path2=C:\\f");
        // A later addition goes after it: it closed nothing.
        ASSERT_EQ(SectionLinesAddFavourite(SectionLinesText(&once), once.used + 1, "Next", "C:\\n", &twice), 3u);

        NumberedEntries entries;
        ASSERT_TRUE(NumberedEntriesBuild(&entries, SectionLinesText(&twice), twice.used + 1));
        char name[64];
        NumberedName(&entries, 2, name, sizeof(name));
        EXPECT_NE(name[0], '-');
        EXPECT_STREQ(EntryNameShown(name), c.text);
        EXPECT_EQ(NumberedEnd(&entries), 4u);
        NumberedEntriesFree(&entries);
        SectionLinesFree(&once);
        SectionLinesFree(&twice);
    }
    // Names written by hand keep their meaning.
    EXPECT_STREQ(EntryNameShown("-Sub"), "-Sub");
    EXPECT_STREQ(EntryNameShown("\\\\server\\share"), "\\\\server\\share");
    // A stored form that does not fit is no name at all.
    char small[4];
    EXPECT_EQ(EntryNameFromFolder("-abc", small, sizeof(small)), 0u);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(EntryNameFromFolder("-a", small, sizeof(small)), 3u);
}

TEST(FavouriteAdd, ControlCharactersInTheNameOrPathAddNothing)
{
    // Once a folder "nl<LF>[inj]<LF>k=v" wrote a section of its own.
    const char *const bad[] = { "nl\n[inj]\nk=v", "cr\rx", "tab\tx", "\x1f" };
    std::string list = List("name1=A|path1=C:\\a");
    for (const char *text : bad) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(HasControlCharacters(text));
        for (int inPath = 0; inPath < 2; inPath++) {
            SectionLines out;
            SectionLinesInit(&out);
            EXPECT_EQ(SectionLinesAddFavourite(list.data(), list.size(), inPath ? "ok" : text,
                                               inPath ? (std::string("C:\\") + text).c_str() : "C:\\ok", &out),
                      0u);
            EXPECT_EQ(out.used, 0u) << "something was written";
            SectionLinesFree(&out);
        }
    }
    EXPECT_FALSE(HasControlCharacters(" ~\x7f\xe9"));
}

// What the Menu items page writes when another program changed the section
// after the page read it (base): the page's rows, then what the other
// writer added, placed as "Add this folder" places an entry.
TEST(SectionMerge, KeepsWhatAnotherWriterAddedAfterThePagesRows)
{
    struct Case { const char *what, *base, *now, *rows; int keyed; const char *after; int added; };
    const Case cases[] = {
        { "nobody else wrote: the rows alone",
          "name1=A|path1=C:\\a", "name1=A|path1=C:\\a", "name1=B|path1=C:\\b", 0, "name1=B|path1=C:\\b", 0 },
        { "an added folder goes after the rows",
          "name1=A|path1=C:\\a", "name1=A|path1=C:\\a|name2=N|path2=C:\\n", "name1=B|path1=C:\\b", 0,
          "name1=B|path1=C:\\b|name2=N|path2=C:\\n", 1 },
        { "an entry deleted on the page stays deleted, one renumbered elsewhere is no addition",
          "name1=A|path1=C:\\a|name2=Z|path2=C:\\z", "name1=Z|path1=C:\\z|name2=A|path2=C:\\a",
          "name1=B|path1=C:\\b", 0, "name1=B|path1=C:\\b", 0 },
        { "a folder the rows hold already, in other case and with a backslash",
          "", "name1=N|path1=C:\\N\\", "name1=Mine|path1=c:\\n", 0, "name1=Mine|path1=c:\\n", 0 },
        { "submenu lines are structure; the entry inside goes to the top level, before a closer",
          "", "name1=-Sub|name2=In|path2=C:\\in|name3=--",
          "name1=-Open|name2=X|path2=C:\\x|name3=--|name4=--|name5=Hidden|path5=C:\\h", 0,
          "name1=-Open|name2=X|path2=C:\\x|name3=--|name5=--|name6=Hidden|path6=C:\\h|name4=In|path4=C:\\in", 1 },
        { "entries past a gap are no reader's: not taken",
          "", "name1=A|path1=C:\\a|name3=Far|path3=C:\\far", "", 0, "name1=A|path1=C:\\a", 1 },
        { "exception form: new keys kept, the page's own and deleted ones not",
          "notepad=1|calc=1", "notepad=1|calc=1|mspaint=1|WRITE=1", "notepad=1|write=1", 1,
          "notepad=1|write=1|mspaint=1", 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SectionLines base = Lines(c.base), now = Lines(c.now), rows = Lines(c.rows), out;
        SectionLinesInit(&out);
        EXPECT_EQ(SectionLinesKeepAdded(&base, &now, &rows, c.keyed, &out), c.added);
        EXPECT_EQ(Bars(out), c.after);
        for (SectionLines *s : { &base, &now, &rows, &out })
            SectionLinesFree(s);
    }
}
