// Configuration files that are damaged, huge or odd, read through every
// reader the module has. Each case: no crash, no write past a buffer (each
// output buffer is followed by a guard of 0xcc bytes), lists terminated
// inside their buffer, the readers never change or create the file, and a
// clear result (the settings in range, the values that are there found).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include "support/harness.h"
#include <aclapi.h>
#include <sddl.h>
#include "core/buffers.h"
#include "core/exports.h"
#include "core/ini.h"
#include "core/ini_write.h"
#include "core/profile_section.h"
#include "core/textbuf.h"
#include "core/shared.h"
#include "hooks/favourites.h"

using namespace th;

namespace {

// An output buffer of n bytes with a guard behind it.
struct Guarded {
    std::string mem;
    size_t n;
    explicit Guarded(size_t size) : mem(size + 64, '\xcc'), n(size) {}
    char *p() { return &mem[0]; }
    bool GuardIntact() const { return mem.find_first_not_of('\xcc', n) == std::string::npos; }
    // A NUL-separated list ends with an empty entry inside the buffer.
    bool ListTerminated() const
    {
        for (size_t i = 0; i + 1 < n; i++)
            if (mem[i] == '\0' && (i == 0 || mem[i + 1] == '\0'))
                return mem[i + 1] == '\0' || i == 0;
        return false;
    }
};

std::string Garbage(size_t n)
{
    // Fixed pseudo-random bytes, rich in what the profile syntax cares about.
    static const char special[] = "[]=\r\n\0;-";
    std::string s(n, '\0');
    unsigned x = 12345;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245 + 12345;
        unsigned r = x >> 16;
        s[i] = (r & 3) == 0 ? special[(r >> 2) % (sizeof(special) - 1)] : (char)(r >> 3);
    }
    return s;
}

std::string Huge()
{
    std::string s = "[settings]\r\nfi.trans=60\r\nft.scrsh.width=2000\r\n";
    std::string filler;
    for (int i = 0; filler.size() < 10u * 1024 * 1024; i++)
        filler += "[filler" + std::to_string(i) + "]\r\nkey=" + std::string(200, 'f') + "\r\n";
    return s + filler + "[global]\r\nname1=Last\r\npath1=C:\\last\r\n";
}

std::string LongLines()
{
    return "[settings]\r\nfi.color.border=" + std::string(100000, '7') + "\r\n" +
           "[" + std::string(100000, 's') + "]\r\n" + std::string(100000, 'k') + "=v\r\n" +
           "[global]\r\nname1=" + std::string(100000, 'x') + "\r\npath1=" + std::string(100000, 'y') +
           "\r\nname2=Short\r\n";
}

std::string DeepSubmenus()
{
    // 200 openers without closers, then an entry at the bottom.
    std::string s = "[global]\r\n";
    for (int i = 1; i <= 200; i++)
        s += "name" + std::to_string(i) + "=-Level" + std::to_string(i) + "\r\n";
    return s + "name201=Bottom\r\npath201=C:\\\r\n";
}

std::string ManySections()
{
    std::string s;
    for (int i = 0; i < 10000; i++)
        s += "[section" + std::to_string(i) + "]\r\nname1=x\r\n";
    return s + "[global]\r\nname1=End\r\n";
}

struct BadFile {
    const char *name;
    std::string bytes;
    bool exists;
    // What a reader must find, when anything: section, key, value.
    const char *section, *key, *value;
};

struct BadInput : ::testing::Test {
    SharedBlock block;
    void SetUp() override { ModuleAttach(GetModuleHandleA(NULL)); ASSERT_TRUE(g_settings); }
    void Use(const std::string &path) { block.SetConfigPath(path); }
};

void ExpectSettingsInRange(const SharedSettings *s)
{
    EXPECT_TRUE(s->initPosition >= 0 && s->initPosition <= 4) << s->initPosition;
    EXPECT_TRUE(s->followMode == 0 || s->followMode == 1) << s->followMode;
    EXPECT_TRUE((s->opacity >= 10 && s->opacity <= 100) || (s->opacity >= -100 && s->opacity <= -10))
        << s->opacity;
    EXPECT_TRUE(s->onTop == 0 || s->onTop == 1);
    EXPECT_TRUE(s->makeScreenshots == 0 || s->makeScreenshots == 1);
    EXPECT_TRUE(s->screenshotWidth >= 10 && s->screenshotWidth <= 1000) << s->screenshotWidth;
    EXPECT_TRUE(s->screenshotHeight >= 10 && s->screenshotHeight <= 1000) << s->screenshotHeight;
    EXPECT_LE(s->borderColor, 0xFFFFFFu);
    EXPECT_LE(s->iconColor, 0xFFFFFFu);
    EXPECT_TRUE(s->runInTray == 0 || s->runInTray == 1);
}

} // namespace

TEST_F(BadInput, EveryReaderStaysInsideItsBuffers)
{
    const BadFile files[] = {
        { "garbage", Garbage(65536), true, nullptr, nullptr, nullptr },
        { "10 MB", Huge(), true, "global", "path1", "C:\\last" },
        { "100,000-character lines", LongLines(), true, "global", "name2", "Short" },
        { "10,000 sections", ManySections(), true, "global", "name1", "End" },
        { "keys without =", "[settings]\r\nfi.trans\r\nfi.init\r\n[global]\r\nname1\r\npath1\r\n"
                            "name2=Real\r\n=novalue\r\n", true, "global", "name2", "Real" },
        { "duplicate keys and sections", "[global]\r\nname1=First\r\nname1=Second\r\n"
                                         "[settings]\r\nfi.trans=50\r\nfi.trans=70\r\n"
                                         "[global]\r\nname2=Again\r\n", true, nullptr, nullptr, nullptr },
        { "200 nested submenus", DeepSubmenus(), true, "global", "name201", "Bottom" },
        { "missing", "", false, nullptr, nullptr, nullptr },
    };
    int n = 0;
    for (const BadFile &f : files) {
        SCOPED_TRACE(f.name);
        std::string path = TempPath("bad" + std::to_string(n++) + ".ini");
        DeleteFileA(path.c_str());
        if (f.exists) {
            ASSERT_TRUE(WriteFile(path, f.bytes));
        }
        Use(path);

        Guarded names(SECTION_BUFFER_SIZE);
        DWORD got = IniGetSectionNames(names.p(), (DWORD)names.n);
        EXPECT_TRUE(names.GuardIntact());
        EXPECT_LE(got, names.n - 2);
        EXPECT_TRUE(names.ListTerminated());

        const char *sections[] = { "global", "settings", "filler7" };
        for (const char *sec : sections) {
            Guarded section(SECTION_BUFFER_SIZE);
            got = IniGetSection(sec, section.p(), (DWORD)section.n);
            EXPECT_TRUE(section.GuardIntact()) << sec;
            EXPECT_LE(got, section.n - 2) << sec;
            EXPECT_TRUE(section.ListTerminated()) << sec;
        }

        // Single values into the sizes the module uses: 10 for a colour,
        // 260 for a name or path.
        const size_t sizes[] = { 10, 260 };
        for (size_t size : sizes) {
            Guarded value(size);
            IniGetString("settings", "fi.color.border", "0x000000", value.p(), (DWORD)size);
            EXPECT_TRUE(value.GuardIntact()) << size;
            EXPECT_LT(strnlen(value.p(), size), size) << size;
            Guarded name(size);
            IniGetString("global", "name1", "", name.p(), (DWORD)size);
            EXPECT_TRUE(name.GuardIntact()) << size;
            EXPECT_LT(strnlen(name.p(), size), size) << size;
        }
        if (f.section) {
            char value[260];
            IniGetString(f.section, f.key, "", value, sizeof(value));
            EXPECT_STREQ(value, f.value);
        }
        IniGetInt("exception", "notepad", 0);
        // A whole section in one read, however long, answers as the
        // profile functions answer key by key.
        SectionLines whole;
        SectionLinesInit(&whole);
        EXPECT_EQ(IniReadSection("global", &whole), 1);
        for (const char *key : { "name1", "path1", "name2", "name201" }) {
            char fromFile[260], fromMemory[260];
            IniGetString("global", key, "", fromFile, sizeof(fromFile));
            ProfileEntry e;
            fromMemory[0] = '\0';
            if (ProfileFindEntry(SectionLinesText(&whole), whole.used, key, &e))
                ProfileCopyValue(&e, fromMemory, sizeof(fromMemory));
            EXPECT_STREQ(fromMemory, fromFile) << key;
        }
        SectionLinesFree(&whole);
        // The favourites menu: built, bounded in depth, and freed whole.
        HMENU menu = CreatePopupMenu();
        int next = FillMenu(menu, "global", 1, 0, 1280);
        EXPECT_GE(next, 1);
        int depth = 0;
        for (HMENU m = menu; m && GetMenuItemCount(m) > 0; m = GetSubMenu(m, 0))
            depth++;
        EXPECT_LE(depth, 40) << "submenus nest without limit";
        EXPECT_TRUE(DestroyMenu(menu));
        RequestSettings_();
        ExpectSettingsInRange(g_settings);
        // Reading never changes the file, nor creates a missing one.
        EXPECT_EQ(FileExists(path), f.exists);
        if (f.exists) {
            EXPECT_TRUE(ReadFile(path) == f.bytes) << "the file was changed by reading it";
        }
    }
}

TEST_F(BadInput, PathsNotToUseAreNeverHandedToTheProfileFunctions)
{
    // A single long name with a ':' made the profile functions of the test
    // platform overrun their own stack buffer and end the program (300
    // characters passed, 600 and 2,000 killed); a relative name was read
    // from the Windows folder, a device name through the device namespace.
    // Each file below exists with a value the readers would find.
    std::string real = TempPath("usable.ini");
    ASSERT_TRUE(WriteFile(real, "[exception]\r\nnotepad=3\r\n"));
    // A bare name is looked for in the Windows folder.
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string inWindows = std::string(windows) + "\\acc-rel.ini";
    ASSERT_TRUE(WriteFile(inWindows, "[exception]\r\nnotepad=3\r\n"));
    struct Case { const char *what; std::string path; bool usable; } cases[] = {
        { "no NUL in the whole field", std::string(CONFIG_PATH_CAPACITY, 'A'), false },
        { "one 1,000-character name", std::string(1000, 'A'), false },
        { "300 A then :x", std::string(300, 'A') + ":x", false },
        { "600 A then :x", std::string(600, 'A') + ":x", false },
        { "2,000 A then :x", std::string(2000, 'A') + ":x", false },
        { "long path with folders", "C:\\" + std::string(1000, 'A') + "\\b.ini", false },
        { "relative", "acc-rel.ini", false },
        { "drive-relative", real.substr(0, 2) + "acc-rel.ini", false },
        { "rooted without a drive", real.substr(2), false },
        { "device namespace \\\\?\\", "\\\\?\\" + real, false },
        { "device namespace \\\\.\\", "\\\\.\\" + real, false },
        { "fully qualified", real, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        memcpy(block.settings->configPath, c.path.data(), std::min(c.path.size(), (size_t)CONFIG_PATH_CAPACITY));
        if (c.path.size() < CONFIG_PATH_CAPACITY)
            block.settings->configPath[c.path.size()] = '\0';
        EXPECT_EQ(ConfigPath().text[0] != '\0', c.usable);
        EXPECT_EQ(IniGetInt("exception", "notepad", 7), c.usable ? 3 : 7);
        char value[16];
        IniGetString("global", "name1", "dflt", value, sizeof(value));
        EXPECT_STREQ(value, "dflt");
        char list[64];
        IniGetSectionNames(list, sizeof(list));
        EXPECT_EQ(IniWriteString("global", "name9", "x") != FALSE, c.usable) << "a write went somewhere";
        RequestSettings_();
        ExpectSettingsInRange(g_settings);
        if (!c.usable) {
            EXPECT_EQ(g_settings->opacity, 10) << "no path: the defaults";
        }
    }
    DeleteFileA(inWindows.c_str());
}

TEST_F(BadInput, LongValuesAreCutNotOverrun)
{
    std::string path = TempPath("long.ini");
    ASSERT_TRUE(WriteFile(path, LongLines()));
    Use(path);
    char name[260];
    IniGetString("global", "name1", "", name, sizeof(name));
    EXPECT_EQ(std::string(name), std::string(259, 'x'));
    // A colour of 100,000 digits is read as its first 9 characters:
    // "777777777" in decimal, 0x2E5BF271, cut to 24 bits and swapped.
    RequestSettings_();
    EXPECT_LE(g_settings->borderColor, 0xFFFFFFu);
}

TEST_F(BadInput, ReadOnlyFileIsReadAndNeverChangedByReading)
{
    std::string path = TempPath("readonly.ini");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::string bytes = "[settings]\r\nfi.trans=40\r\n[global]\r\nname1=Kept\r\n";
    ASSERT_TRUE(WriteFile(path, bytes));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Use(path);

    char name[260];
    IniGetString("global", "name1", "", name, sizeof(name));
    EXPECT_STREQ(name, "Kept");
    RequestSettings_();
    EXPECT_EQ(g_settings->opacity, 40);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Writes must fail and say so. Wine keeps the attribute in the file's
    // permission bits, which do not stop root: there the write succeeds
    // and this half cannot be judged.
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    bool enforced = probe == INVALID_HANDLE_VALUE;
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    if (enforced) {
        EXPECT_FALSE(IniWriteString("global", "name2", "Lost"));
        EXPECT_EQ(ReadFile(path), bytes) << "nothing the user had is lost";
    } else {
        printf("read-only attribute not enforced here (running as root?): write half not judged\n");
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BadInput, FileHeldOpenExclusivelyFailsWritesAndLosesNothing)
{
    std::string path = TempPath("held.ini");
    const std::string bytes = "[settings]\r\nfi.trans=40\r\n[global]\r\nname1=Kept\r\n";
    ASSERT_TRUE(WriteFile(path, bytes));
    Use(path);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IniWriteString("global", "name2", "Lost"));
    EXPECT_FALSE(IniWriteSection("global", "name1=Other\0"));
    // Reads see a file that cannot be opened as a missing one.
    char name[260];
    IniGetString("global", "name1", "dflt", name, sizeof(name));
    EXPECT_STREQ(name, "dflt");
    RequestSettings_();
    ExpectSettingsInRange(g_settings);
    CloseHandle(held);
    EXPECT_EQ(ReadFile(path), bytes) << "nothing the user had is lost";
}

// The file's DACL as text; "" when it cannot be read.
static std::string DaclText(const std::string &path)
{
    PSECURITY_DESCRIPTOR sd = NULL;
    PACL dacl = NULL;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, &dacl, NULL,
                              &sd) != ERROR_SUCCESS)
        return "";
    char *text = NULL;
    std::string out;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             NULL))
        out = text;
    LocalFree(text);
    LocalFree(sd);
    return out;
}

TEST_F(BadInput, HardLinksAreNeitherWrittenThroughNorBrokenAndTheFileKeepsItsPermissions)
{
    const std::string bytes = "[settings]\r\nfi.trans=40\r\n[global]\r\nname1=Kept\r\n";
    std::string path = TempPath("linked.ini"), other = TempPath("linked-other.ini"), victim = TempPath("victim.ini");
    for (const std::string &p : { path, other, victim, path + ".new" })
        DeleteFileA(p.c_str());
    ASSERT_TRUE(WriteFile(path, bytes));
    Use(path);
    // A file with a second name: the rename would leave that name with the
    // old text, so the write is refused and both keep it.
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), NULL));
    EXPECT_FALSE(IniWriteString("global", "name2", "Lost"));
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(ReadFile(other), bytes);
    ASSERT_TRUE(DeleteFileA(other.c_str()));

    // A hard link planted where the copy is made: the copy is made new.
    ASSERT_TRUE(WriteFile(victim, "victim\r\n"));
    ASSERT_TRUE(CreateHardLinkA((path + ".new").c_str(), victim.c_str(), NULL));
    EXPECT_TRUE(IniWriteString("global", "name2", "New"));
    EXPECT_EQ(ReadFile(victim), "victim\r\n") << "written through the link";
    EXPECT_NE(ReadFile(path).find("name2=New"), std::string::npos);
    EXPECT_FALSE(FileExists(path + ".new"));

    // Permissions of the file's own (the user alone, nothing inherited)
    // stay with it when the copy replaces it.
    std::string sid = UserSid();
    PSECURITY_DESCRIPTOR sd = NULL;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(("D:P(A;;FA;;;" + sid + ")").c_str(),
                                                                     SDDL_REVISION_1, &sd, NULL));
    BOOL present = FALSE, defaulted = FALSE;
    PACL own = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &own, &defaulted));
    DWORD set = SetNamedSecurityInfoA((char *)path.c_str(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL, NULL,
                                      own, NULL);
    LocalFree(sd);
    std::string before = DaclText(path);
    if (set != ERROR_SUCCESS || before.find("D:P") != 0) {
        printf("file permissions not kept here (%lu, %s): that half not judged\n", (unsigned long)set,
               before.c_str());
        return;
    }
    EXPECT_TRUE(IniWriteString("global", "name3", "Third"));
    EXPECT_NE(ReadFile(path).find("name3=Third"), std::string::npos);
    EXPECT_EQ(DaclText(path), before) << "the file took the folder's permissions";
}

// A writer that dies after writing its copy, before the copy replaces the
// file, and one that holds the lock too long. The first runs in a second
// copy of this program, killed from inside its change; the lock it held is
// abandoned, which the next writer takes as free.
static int WriteThenDie(const char *file, void *)
{
    WritePrivateProfileSectionA("global", "name1=Half\0", file);
    TerminateProcess(GetCurrentProcess(), 7);
    return INI_WRITTEN;
}

struct HeldLock {
    HANDLE taken = CreateEventA(NULL, TRUE, FALSE, NULL), release = CreateEventA(NULL, TRUE, FALSE, NULL);
};

static int HoldTheLock(const char *, void *context)
{
    HeldLock *h = (HeldLock *)context;
    SetEvent(h->taken);
    WaitForSingleObject(h->release, 30000);
    return INI_UNCHANGED;
}

static DWORD WINAPI HoldingWriter(void *context)
{
    return (DWORD)IniUpdate(HoldTheLock, context);
}

TEST_F(BadInput, AWriterKilledBeforeItsReplaceOrOneThatHangsLosesNothing)
{
    const char *child = getenv("BRIVANE_KILLED_WRITER");
    if (child) {
        Use(child);
        IniUpdate(WriteThenDie, NULL);
        FAIL() << "the writer was to die in its change";
    }
    std::string path = TempPath("killed.ini");
    const std::string bytes = "[settings]\r\nfi.trans=40\r\n[global]\r\nname1=Kept\r\npath1=C:\\kept\r\n";
    ASSERT_TRUE(WriteFile(path, bytes));
    SetEnvironmentVariableA("BRIVANE_KILLED_WRITER", path.c_str());
    long code = RunToEnd("\"" + ExeDir() + "test_robust_input.exe\" --gtest_filter=BadInput.AWriterKilled*");
    SetEnvironmentVariableA("BRIVANE_KILLED_WRITER", NULL);
    ASSERT_EQ(code, 7) << "killed between its write and the replace";
    EXPECT_EQ(ReadFile(path), bytes) << "the old file is intact";

    // Its lock was abandoned: the next write goes ahead at once, from the
    // file and not from the copy left behind.
    Use(path);
    DWORD start = GetTickCount();
    EXPECT_TRUE(IniWriteString("global", "name2", "After"));
    EXPECT_LT(GetTickCount() - start, (DWORD)INI_LOCK_WAIT_MS);
    EXPECT_EQ(ReadFile(path), "[settings]\r\nfi.trans=40\r\n[global]\r\nname1=Kept\r\npath1=C:\\kept\r\n"
                              "name2=After\r\n");
    EXPECT_FALSE(FileExists(path + ".new"));

    // A writer that keeps the lock: the next one gives up after the wait,
    // says so, and writes nothing.
    HeldLock held;
    HANDLE thread = CreateThread(NULL, 0, HoldingWriter, &held, 0, NULL);
    ASSERT_EQ(WaitForSingleObject(held.taken, 10000), WAIT_OBJECT_0);
    std::string before = ReadFile(path);
    start = GetTickCount();
    EXPECT_FALSE(IniWriteString("global", "name3", "Late"));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited + 100, (DWORD)INI_LOCK_WAIT_MS);
    EXPECT_LT(waited, (DWORD)INI_LOCK_WAIT_MS + 2000) << "a refusal, never a hang";
    EXPECT_EQ(ReadFile(path), before);
    SetEvent(held.release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(held.taken);
    CloseHandle(held.release);
}

// The in-memory reading of a section against GetPrivateProfileStringA, key
// by key, over generated sections: duplicate keys, keys in other cases,
// quotes, blanks, '=' inside values, comment lines, empty values and keys
// without '='.
TEST_F(BadInput, InMemoryLookupsAnswerAsTheProfileFunctions)
{
    static const char *const keys[] = { "name1", "NAME1", "Name2", "path1", "path2", "name3", "x", "a b" };
    static const char *const values[] = {
        "plain", "", " padded ", "\"quoted\"", "'single'", "\"", "''", "\"open", "a=b=c", "=",
        "\"in\"side\"", "'mixed\"", "C:\\Program Files\\x", "tab\there", ";not a comment",
    };
    static const char *const blanks[] = { "", " ", "\t", "  \t" };
    std::string path = TempPath("differential.ini");
    Use(path);
    unsigned x = 2024;
    auto next = [&](unsigned n) { x = x * 1103515245 + 12345; return (x >> 16) % n; };
    int compared = 0;
    for (int round = 0; round < 150; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string text = "[other]\r\nname1=elsewhere\r\n[work]\r\n";
        int lines = 1 + (int)next(12);
        for (int i = 0; i < lines; i++) {
            unsigned kind = next(10);
            const char *key = keys[next(COUNTOF(keys))];
            if (kind == 0) {
                text += std::string(blanks[next(4)]) + ";" + key + "=comment";
            } else if (kind == 1) {
                text += std::string(blanks[next(4)]) + key + blanks[next(4)];   // no '='
            } else {
                text += std::string(blanks[next(4)]) + key + blanks[next(4)] + "=" + blanks[next(4)] +
                        values[next(COUNTOF(values))] + blanks[next(4)];
            }
            text += "\r\n";
        }
        text += "[next]\r\nname1=after\r\n";
        ASSERT_TRUE(WriteFile(path, text));

        SectionLines whole;
        SectionLinesInit(&whole);
        ASSERT_EQ(IniReadSection("work", &whole), 1);
        NumberedEntries numbered;
        ASSERT_TRUE(NumberedEntriesBuild(&numbered, SectionLinesText(&whole), whole.used));
        for (const char *key : keys) {
            for (const char *asked : { key, " name1 " }) {
                char fromFile[300];
                GetPrivateProfileStringA("work", asked, "<none>", fromFile, sizeof(fromFile), path.c_str());
                std::string fromMemory = "<none>";
                ProfileEntry e;
                if (ProfileFindEntry(SectionLinesText(&whole), whole.used, asked, &e) && e.value) {
                    char value[300];
                    ProfileCopyValue(&e, value, sizeof(value));
                    fromMemory = value;
                }
                EXPECT_EQ(fromMemory, fromFile) << "key \"" << asked << "\" in\n" << text;
                compared++;
            }
        }
        // The numbered index gives what a key-by-key reader gets.
        for (size_t n = 1; n <= 3; n++) {
            char fromFile[300], fromMemory[300];
            std::string name = "name" + std::to_string(n), pathKey = "path" + std::to_string(n);
            GetPrivateProfileStringA("work", name.c_str(), "", fromFile, sizeof(fromFile), path.c_str());
            NumberedName(&numbered, n, fromMemory, sizeof(fromMemory));
            EXPECT_STREQ(fromMemory, fromFile) << name << " in\n" << text;
            GetPrivateProfileStringA("work", pathKey.c_str(), "", fromFile, sizeof(fromFile), path.c_str());
            NumberedPath(&numbered, n, fromMemory, sizeof(fromMemory));
            EXPECT_STREQ(fromMemory, fromFile) << pathKey << " in\n" << text;
        }
        NumberedEntriesFree(&numbered);
        SectionLinesFree(&whole);
    }
    EXPECT_GT(compared, 1000);
}
