// The installer as a user meets it: a silent install into the user's own
// programs folder, the host started the way log-on starts it, an install
// over a running host, and a silent uninstall. Runs in the tests' Wine
// prefix, whose user profile it puts back as it found it.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "support/harness.h"
#include "core/shared.h"

using namespace th;

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brivane";

std::string Folder(int csidl)
{
    char path[MAX_PATH] = {};
    return SHGetFolderPathA(NULL, csidl, NULL, 0, path) == S_OK ? std::string(path) : std::string();
}

// The string value, or "<none>" when it does not exist.
std::string RegString(const char *key, const char *name)
{
    char data[1024] = {};
    DWORD size = sizeof(data) - 1, type = 0;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "<none>";
    LONG r = RegQueryValueExA(k, name, NULL, &type, (BYTE *)data, &size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : std::string("<none>");
}

bool KeyExists(const char *key)
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

void DeleteRunValue()
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, "Brivane");
        RegCloseKey(k);
    }
}

bool DirExists(const std::string &path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The configuration path the running host handed to the module.
std::string HostConfigPath()
{
    HANDLE m = OpenFileMappingA(FILE_MAP_READ, FALSE, BRIVANE_SHMEM_NAME);
    if (!m)
        return "<no block>";
    const SharedSettings *s = (const SharedSettings *)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    std::string path = s ? std::string(s->configPath, strnlen(s->configPath, CONFIG_PATH_CAPACITY)) : "<no view>";
    if (s)
        UnmapViewOfFile(s);
    CloseHandle(m);
    return path;
}

struct Installer : ::testing::Test {
    std::string setup = ExeDir() + "..\\packages\\" BRIVANE_SETUP_NAME;
    std::string dir = Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Brivane";
    std::string userIni = Folder(CSIDL_APPDATA) + "\\Brivane\\brivane.ini";
    std::string shortcut = Folder(CSIDL_PROGRAMS) + "\\Brivane.lnk";
    std::string savedIni;
    bool hadIni = false;
    HANDLE host = NULL;
    DWORD hostPid = 0;

    void SetUp() override
    {
        ASSERT_TRUE(FileExists(setup)) << setup << " (built by the installer target)";
        ASSERT_EQ(FindWindowA("BrivaneHost", NULL), (HWND)NULL) << "a host is already running";
        // An earlier run that stopped half-way must not decide this one.
        if (FileExists(dir + "\\uninstall.exe"))
            Uninstall();
        hadIni = FileExists(userIni);
        savedIni = ReadFile(userIni);
        DeleteFileA(userIni.c_str());
    }
    void TearDown() override
    {
        StopHost();
        if (FileExists(dir + "\\uninstall.exe"))
            Uninstall();
        // A Run value left behind would start a host in every later Wine
        // session of this prefix.
        DeleteRunValue();
        DeleteFileA(userIni.c_str());
        if (hadIni)
            WriteFile(userIni, savedIni);
    }

    long Install() { return RunToEnd("\"" + setup + "\" /S"); }

    // The uninstaller copies itself to the temporary folder and returns at
    // once; the work is done when the folder and the registry entry are gone.
    bool Uninstall()
    {
        if (RunToEnd("\"" + dir + "\\uninstall.exe\" /S") != 0)
            return false;
        return WaitUntil([&] { return !DirExists(dir) && !KeyExists(kUninstallKey); }, 30000);
    }

    // Starts the host with the command line log-on would run.
    bool StartFromRunValue()
    {
        std::string command = RegString(kRunKey, "Brivane");
        host = Start(command, &hostPid);
        return host && WaitForProcessWindow(hostPid, "BrivaneHost", NULL, 20000) != NULL;
    }
    bool HostRunning() const { return host && WaitForSingleObject(host, 0) == WAIT_TIMEOUT; }
    void StopHost()
    {
        if (!host)
            return;
        if (HostRunning()) {
            TerminateProcess(host, 9);
            WaitForSingleObject(host, 10000);
        }
        CloseHandle(host);
        host = NULL;
    }
};

TEST_F(Installer, SilentInstallStartAndUninstallKeepTheUsersSettings)
{
    // --- install ---
    ASSERT_EQ(Install(), 0);
    // Everything the build ships (the 64-bit half too, when built).
    for (const std::string &name : Split(BRIVANE_SHIPPED_FILES "uninstall.exe", '|'))
        EXPECT_TRUE(FileExists(dir + "\\" + name)) << name;
    // An ini beside the program would make the installed copy portable.
    EXPECT_FALSE(FileExists(dir + "\\brivane.ini"));
    EXPECT_EQ(RegString(kRunKey, "Brivane"), "\"" + dir + "\\brivane.exe\"");
    EXPECT_EQ(RegString(kUninstallKey, "UninstallString"), "\"" + dir + "\\uninstall.exe\"");
    EXPECT_EQ(RegString(kUninstallKey, "DisplayName"), "Brivane");
    EXPECT_TRUE(FileExists(shortcut)) << shortcut;
    // The first configuration is the default one, where the host looks.
    EXPECT_EQ(ReadFile(userIni), ReadFile(BRIVANE_DEFAULT_INI));

    // --- started as at log-on, from there ---
    ASSERT_TRUE(StartFromRunValue());
    // The host's window comes before it fills in the block, which still
    // holds an earlier host's path while hooked programs keep it alive.
    EXPECT_TRUE(WaitUntil([&] { return HostConfigPath() == userIni; }, 5000)) << HostConfigPath();

    // --- installed again over the running host, after the user changed
    // the settings: the host is stopped first, the settings stay ---
    std::string mine = ReadFile(userIni) + "[mine]\r\nname1=Kept\r\npath1=C:\\kept\r\n";
    ASSERT_TRUE(WriteFile(userIni, mine));
    ASSERT_EQ(Install(), 0);
    EXPECT_TRUE(WaitUntil([&] { return !HostRunning(); }, 5000)) << "the installer left the host running";
    EXPECT_EQ(ReadFile(userIni), mine);
    EXPECT_TRUE(FileExists(dir + "\\brivane.exe"));
    StopHost();
    ASSERT_TRUE(StartFromRunValue());

    // --- uninstall while the host runs ---
    ASSERT_TRUE(Uninstall()) << "folder or uninstall entry still there";
    EXPECT_TRUE(WaitUntil([&] { return !HostRunning(); }, 5000)) << "the uninstaller left the host running";
    EXPECT_EQ(FindWindowA("BrivaneHost", NULL), (HWND)NULL);
    EXPECT_FALSE(DirExists(dir));
    EXPECT_EQ(RegString(kRunKey, "Brivane"), "<none>");
    EXPECT_FALSE(FileExists(shortcut));
    EXPECT_EQ(ReadFile(userIni), mine);
}

void SetRunValue(const std::string &data)
{
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &k, NULL) == ERROR_SUCCESS) {
        RegSetValueExA(k, "Brivane", 0, REG_SZ, (const BYTE *)data.c_str(), (DWORD)data.size() + 1);
        RegCloseKey(k);
    }
}

TEST_F(Installer, RunValuesOfOtherCopiesStayAndOwnOnesGoInEveryForm)
{
    // The tray menu of a portable copy may own the same value name. Once a
    // silent install replaced it ("Start at log-on" is on by default) and
    // the uninstaller then removed it as its own; and the tray menu's form
    // of the installed copy, with --config, outlived the uninstall.
    struct Case { const char *what; bool beforeInstall; std::string data; bool removed; };
    const Case cases[] = {
        { "a portable copy's, there before the install", true, "\"C:\\portable\\brivane.exe\"", false },
        { "a portable copy's with --config, before", true,
          "\"C:\\portable\\brivane.exe\" --config \"C:\\portable\\work.ini\"", false },
        { "a portable copy's, set after the install", false, "\"C:\\portable\\brivane.exe\"", false },
        { "another program in the install folder", false, "\"" + dir + "\\brivane.exe.old\"", false },
        { "the tray menu's form of the installed copy", false,
          "\"" + dir + "\\brivane.exe\" --config \"C:\\x.ini\"", true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.beforeInstall)
            SetRunValue(c.data);
        ASSERT_EQ(Install(), 0);
        if (c.beforeInstall)
            EXPECT_EQ(RegString(kRunKey, "Brivane"), c.data) << "replaced by the install";
        else
            SetRunValue(c.data);
        ASSERT_TRUE(Uninstall());
        EXPECT_EQ(RegString(kRunKey, "Brivane"), c.removed ? std::string("<none>") : c.data);
        DeleteRunValue();
    }
}

TEST_F(Installer, UninstallLeavesAPortableCopyRunning)
{
    // --exit reaches whichever host runs in the session: the uninstaller
    // once stopped a portable copy running from another folder.
    ASSERT_EQ(Install(), 0);
    std::string portable = TempPath("portable\\");
    CreateDirectoryA(portable.c_str(), NULL);
    for (const char *name : { "brivane.exe", BRIVANE_MODULE_FILE })
        ASSERT_TRUE(CopyFileA((ExeDir() + name).c_str(), (portable + name).c_str(), FALSE)) << name;
    std::string ini = portable + "work.ini";
    ASSERT_TRUE(WriteFile(ini, "[settings]\r\n"));
    host = Start("\"" + portable + "brivane.exe\" --config \"" + ini + "\"", &hostPid);
    ASSERT_TRUE(host && WaitForProcessWindow(hostPid, "BrivaneHost", NULL, 20000));
    ASSERT_TRUE(Uninstall());
    Pump(500);
    EXPECT_TRUE(HostRunning()) << "the uninstaller stopped a copy from another folder";
    EXPECT_EQ(RunToEnd("\"" + portable + "brivane.exe\" --exit"), 0);
    EXPECT_TRUE(WaitUntil([&] { return !HostRunning(); }, 5000));
}

} // namespace
