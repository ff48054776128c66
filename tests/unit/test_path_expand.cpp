// A favourite's stored path and what it names where it is used: one table
// of values and their expansions, with the environment, known folders and
// configuration folder a test gives.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/path_expand.h"

namespace {

const std::string kLong(250, 'x');

// Variable names are compared without regard to case, as the platform's.
bool SameName(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    return *a == *b;
}

int Variable(void *, const char *name, char *out, size_t cap)
{
    static const struct { const char *name; std::string value; } vars[] = {
        { "USERPROFILE", "C:\\Users\\ann" },
        { "OneDrive", "D:\\OneDrive - Work" },
        { "PING", "%PONG%" },               // the two name each other
        { "PONG", "x%PING%" },
        { "SELF", "%SELF%" },
        { "NESTED", "%USERPROFILE%\\Docs" },
        { "LONG", "C:\\" + kLong },
        { "BREAK", "C:\\a\nb" },
        { "EMPTY", "" },
    };
    for (const auto &v : vars)
        if (SameName(v.name, name)) {
            if (v.value.size() >= cap)
                return -1;
            memcpy(out, v.value.c_str(), v.value.size() + 1);
            return (int)v.value.size();
        }
    return -1;
}

int Known(void *, int id, char *out, size_t cap)
{
    const char *path = id == KNOWN_DOWNLOADS ? "C:\\Users\\ann\\Downloads"
                     : id == KNOWN_PROFILE   ? "C:\\Users\\ann"
                     : id == KNOWN_MUSIC     ? "" : NULL;   // none: no music folder
    if (!path || strlen(path) >= cap)
        return -1;
    strcpy(out, path);
    return (int)strlen(path);
}

} // namespace

TEST(PathExpand, ValuesAndWhatTheyNameWhereUsed)
{
    struct Case { const char *stored; const char *base; int result; std::string want; } cases[] = {
        // 1-4: plain paths stay as they are, whatever they hold
        { "C:\\Tools", "E:\\stick", EXPAND_OK, "C:\\Tools" },
        { "\\\\server\\share\\x", NULL, EXPAND_OK, "\\\\server\\share\\x" },
        { "C:\\100% sure", NULL, EXPAND_OK, "C:\\100% sure" },
        { "", NULL, EXPAND_OK, "" },
        // 5-9: variables, nested ones, "%%"
        { "%USERPROFILE%\\Downloads", NULL, EXPAND_OK, "C:\\Users\\ann\\Downloads" },
        { "%onedrive%\\Work", NULL, EXPAND_OK, "D:\\OneDrive - Work\\Work" },
        { "%NESTED%\\x", NULL, EXPAND_OK, "C:\\Users\\ann\\Docs\\x" },
        { "C:\\50%%\\a", NULL, EXPAND_OK, "C:\\50%\\a" },
        { "C:\\%EMPTY%a", NULL, EXPAND_OK, "C:\\a" },
        // 10-14: what cannot be expanded
        { "%NOT_SET%\\x", NULL, EXPAND_UNSET, "" },
        { "%PING%", NULL, EXPAND_LOOP, "" },
        { "%SELF%", NULL, EXPAND_LOOP, "" },
        { "%LONG%\\yyyyyyyyyy", NULL, EXPAND_TOO_LONG, "" },
        { "%BREAK%", NULL, EXPAND_CONTROL, "" },
        // 15: a control character stored
        { "C:\\a\tb", NULL, EXPAND_CONTROL, "" },
        // 16-21: known folders by their address-bar names
        { "shell:Downloads", NULL, EXPAND_OK, "C:\\Users\\ann\\Downloads" },
        { "SHELL:downloads\\Setup", NULL, EXPAND_OK, "C:\\Users\\ann\\Downloads\\Setup" },
        { "shell:Profile\\..\\bob", NULL, EXPAND_OK, "C:\\Users\\bob" },
        { "shell:Pictures", NULL, EXPAND_UNSET, "" },      // the user has none
        { "shell:Music", NULL, EXPAND_UNSET, "" },         // an empty answer
        { "shell:Startup", NULL, EXPAND_UNSET, "" },       // not one of ours
        // 22-28: relative to the configuration file's folder
        { ".\\Docs", "E:\\stick\\brivane", EXPAND_OK, "E:\\stick\\brivane\\Docs" },
        { "..\\Shared", "E:\\stick\\brivane", EXPAND_OK, "E:\\stick\\Shared" },
        { ".", "E:\\stick", EXPAND_OK, "E:\\stick" },
        { "..\\..\\..\\up", "E:\\stick\\brivane", EXPAND_OK, "E:\\up" },   // stops at the root
        { ".\\a\\.\\b\\..\\c", "E:\\stick", EXPAND_OK, "E:\\stick\\a\\c" },
        { "..\\x", "\\\\srv\\share\\b", EXPAND_OK, "\\\\srv\\share\\x" },
        { ".\\Docs", NULL, EXPAND_NO_BASE, "" },
        { ".\\Docs", "P:\\", EXPAND_OK, "P:\\Docs" },                      // a stick's root
        // 29-30: a name that starts with a dot is no relative path
        { ".hidden", "E:\\stick", EXPAND_OK, ".hidden" },
        { "..\\sibling", "E:\\stick\\deep", EXPAND_OK, "E:\\stick\\sibling" },
    };
    int i = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE("case " + std::to_string(++i) + ": " + c.stored);
        PathLookup lookup = { Variable, Known, c.base, NULL };
        char out[EXPANDED_PATH_CAPACITY + 8];
        memset(out, 0xcc, sizeof(out));
        EXPECT_EQ(ExpandPath(c.stored, &lookup, out, EXPANDED_PATH_CAPACITY), c.result);
        EXPECT_EQ(std::string(out), c.want);
    }
}

TEST(PathExpand, ResultsFitTheirBufferOrAreRefused)
{
    PathLookup lookup = { Variable, Known, "E:\\b", NULL };
    char out[16];
    memset(out, 0xcc, sizeof(out));
    // "C:\Users\ann" is 12 characters: fits in 13, not in 12.
    EXPECT_EQ(ExpandPath("%USERPROFILE%", &lookup, out, 13), EXPAND_OK);
    EXPECT_STREQ(out, "C:\\Users\\ann");
    memset(out, 0xcc, sizeof(out));
    EXPECT_EQ(ExpandPath("%USERPROFILE%", &lookup, out, 12), EXPAND_TOO_LONG);
    EXPECT_STREQ(out, "");
    EXPECT_EQ((unsigned char)out[12], 0xcc) << "wrote past the capacity";
    EXPECT_EQ(ExpandPath(".\\abcdefghijklmnop", &lookup, out, sizeof(out)), EXPAND_TOO_LONG);
    EXPECT_EQ(ExpandPath("x", &lookup, out, 0), EXPAND_TOO_LONG);
    // A path of 259 characters is the longest.
    std::string p259 = "C:\\" + std::string(256, 'p');
    char big[300];
    EXPECT_EQ(ExpandPath(p259.c_str(), &lookup, big, sizeof(big)), EXPAND_OK);
    EXPECT_EQ(ExpandPath((p259 + "q").c_str(), &lookup, big, sizeof(big)), EXPAND_TOO_LONG);
}

TEST(PathExpand, PortableCopiesStoreFoldersOnTheirDriveRelatively)
{
    struct Case { const char *folder, *base, *want; } cases[] = {
        { "E:\\stick\\brivane\\Docs", "E:\\stick\\brivane", ".\\Docs" },
        { "e:\\STICK\\brivane\\Docs\\", "E:\\stick\\brivane", ".\\Docs" },
        { "E:\\stick\\brivane", "E:\\stick\\brivane", "." },
        { "E:\\Shared", "E:\\stick\\brivane", "..\\..\\Shared" },
        { "E:\\stickers\\a", "E:\\stick", "..\\stickers\\a" },   // whole names only
        { "E:\\", "E:\\stick", ".." },
        { "D:\\Other", "E:\\stick", "D:\\Other" },               // another drive: as it is
        { "\\\\srv\\share\\x", "E:\\stick", "\\\\srv\\share\\x" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " from " + c.base);
        char out[EXPANDED_PATH_CAPACITY];
        EXPECT_EQ(PathRelativeToBase(c.folder, c.base, out, sizeof(out)), strlen(c.want));
        EXPECT_STREQ(out, c.want);
        // And back: what is stored names the folder again.
        PathLookup lookup = { Variable, Known, c.base, NULL };
        char back[EXPANDED_PATH_CAPACITY];
        ASSERT_EQ(ExpandPath(out, &lookup, back, sizeof(back)), EXPAND_OK);
        EXPECT_TRUE(SameFolder(back, c.folder)) << back;
    }
    char small[4];
    EXPECT_EQ(PathRelativeToBase("E:\\stick\\Docs", "E:\\stick", small, sizeof(small)), 0u);
}

TEST(PathExpand, NetworkPathsAndSameFolders)
{
    EXPECT_TRUE(IsUncPath("\\\\server\\share"));
    EXPECT_TRUE(IsUncPath("//server/share"));
    EXPECT_FALSE(IsUncPath("\\\\?\\C:\\x"));
    EXPECT_FALSE(IsUncPath("\\\\.\\pipe\\x"));
    EXPECT_FALSE(IsUncPath("C:\\x"));
    EXPECT_FALSE(IsUncPath("\\\\"));
    EXPECT_TRUE(SameFolder("C:\\A\\b\\", "c:\\a\\B"));
    EXPECT_TRUE(SameFolder("C:\\", "c:\\"));
    EXPECT_FALSE(SameFolder("C:\\a", "C:\\ab"));
    EXPECT_FALSE(SameFolder("C:\\", "C:"));
}
