// The Menu items page on damaged, huge or odd files, and on a file that
// another program holds open exclusively while a section is deleted. The
// page must show what it can, and leave the user's file exactly as it was
// when nothing was changed or a change could not be made.
#include <gtest/gtest.h>
#include "tests/menuitems/sheet_driver.h"
#include "tests/menuitems/ini_text.h"
#include "resource.h"

using namespace th;

namespace {

std::string Garbage(size_t n)
{
    static const char special[] = "[]=\r\n\0;-";
    std::string s(n, '\0');
    unsigned x = 777;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245 + 12345;
        unsigned r = x >> 16;
        s[i] = (r & 3) == 0 ? special[(r >> 2) % (sizeof(special) - 1)] : (char)(r >> 3);
    }
    return s;
}

std::string ManySections(int count)
{
    std::string s = "[global]\r\nname1=G\r\npath1=C:\\g\r\n";
    for (int i = 0; i < count; i++)
        s += "[program" + std::to_string(i) + "]\r\nname1=x\r\npath1=C:\\x\r\n";
    return s + "[exception]\r\nnotepad=1\r\n";
}

std::string Huge()
{
    std::string s = "[global]\r\nname1=G\r\npath1=C:\\g\r\n[exception]\r\nnotepad=1\r\n";
    for (int i = 0; s.size() < 10u * 1024 * 1024; i++)
        s += "[filler" + std::to_string(i) + "]\r\nkey=" + std::string(200, 'f') + "\r\n";
    return s;
}

} // namespace

TEST(RobustMenuItemsPage, BadFilesAreShownAndLeftAsTheyWere)
{
    struct Case { const char *what; std::string ini; } cases[] = {
        { "garbage", Garbage(32768) },
        { "10 MB", Huge() },
        { "100,000-character lines",
          "[global]\r\nname1=" + std::string(100000, 'x') + "\r\npath1=" + std::string(100000, 'y') +
          "\r\n[" + std::string(100000, 's') + "]\r\nname1=a\r\n[exception]\r\n" +
          std::string(100000, 'k') + "=1\r\n" },
        { "10,000 sections", ManySections(10000) },
        { "keys without =", "[global]\r\nname1\r\npath1\r\nname2=Real\r\n[work]\r\nname1\r\n"
                            "[exception]\r\nnotepad\r\ncalc=1\r\n" },
        { "duplicate keys and sections", "[global]\r\nname1=A\r\nname1=B\r\npath1=C:\\a\r\n"
                                         "[work]\r\nname1=W\r\n[global]\r\nname2=C\r\n"
                                         "[exception]\r\nnotepad=1\r\nnotepad=0\r\n" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SheetDriver s(c.ini);
        ASSERT_TRUE(s.Open());
        std::vector<std::string> sections = s.Sections();
        ASSERT_GE(sections.size(), 2u);
        EXPECT_EQ(sections[0], "global");
        EXPECT_EQ(sections[1], "exception");
        // Look at every kind of section: global, exception, the last listed.
        s.ClickSection(1);
        s.ClickSection((int)sections.size() - 1);
        s.ClickSection(0);
        s.ShowTab(0);
        ASSERT_TRUE(s.Close());
        EXPECT_TRUE(s.File() == c.ini) << "the file changed although nothing was edited";
    }
}

TEST(RobustMenuItemsPage, SectionDeletedWhileAnotherProgramHoldsTheFile)
{
    const std::string ini = Crlf("[global]\nname1=G\npath1=C:\\g\n[work]\nname1=W\npath1=C:\\w\n"
                                 "[exception]\nnotepad=1\n");
    SheetDriver s(ini);
    Client holder("client_robust.exe");
    ASSERT_TRUE(holder.ok());
    ASSERT_TRUE(s.Open());
    ASSERT_EQ(s.Sections(), L({ "global", "exception", "work" }));
    s.ClickSection(2);
    ASSERT_EQ(holder.Call("hold " + s.path()), "ok");
    EXPECT_TRUE(s.Confirm(IDC_SECTION_DELETE, "Delete section", "Delete selected section?", true));
    // Trying again while the file is still held is refused again.
    ASSERT_TRUE(s.Answer(s.WaitDialog("Brivane - not saved"), IDRETRY));
    ASSERT_TRUE(s.Answer(s.WaitDialog("Brivane - not saved"), IDCANCEL));
    ASSERT_TRUE(s.Close());
    EXPECT_EQ(holder.Call("release"), "ok");
    // The file could not be copied: nothing the user had is lost, and the
    // section is listed again at the next opening.
    EXPECT_EQ(s.File(), ini);
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Sections(), L({ "global", "exception", "work" }));
    ASSERT_TRUE(s.Close());
}
