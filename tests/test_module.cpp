// Module entry and the shared block, with the module's objects linked in
// (entry called directly) and a client process as the second process.
#include <gtest/gtest.h>
#include "support/harness.h"
#include "core/exports.h"
#include "core/ini.h"
#include "hooks/hooks.h"
#include <aclapi.h>
#include <sddl.h>
#include "core/user_only.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

using namespace th;

TEST(ModuleEntry, ReturnsTrueForEveryReasonAndMapsTheBlock)
{
    SharedBlock block;
    ASSERT_TRUE(block.settings);
    HINSTANCE self = GetModuleHandleA(NULL);
    EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, NULL));
    ASSERT_TRUE(g_settings);
    EXPECT_EQ(g_instance, self);
    EXPECT_EQ(g_mapping.size, 4096u);
    EXPECT_STREQ(g_mapping.name, "Brivane_shmem");
    for (DWORD reason : { DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_PROCESS_DETACH })
        EXPECT_TRUE(DllMain(self, reason, NULL)) << "reason " << reason;

    // The module's view and ours are the same memory.
    block.settings->opacity = 42;
    EXPECT_EQ(g_settings->opacity, 42);
}

TEST(SharedBlock, SecondProcessSeesTheSameBlock)
{
    SharedBlock block;
    ASSERT_TRUE(block.settings);
    Client client("client_windows" BITNESS_SUFFIX ".exe");
    ASSERT_TRUE(client.ok());
    ASSERT_EQ(client.Call("loadmodule"), "ok");
    // Not filled yet: no host window, empty path.
    EXPECT_EQ(client.Call("readblock"), "0|");

    HostWindow host;
    block.settings->hostWindow = host.hwnd();
    block.SetConfigPath("C:\\cfg\\brivane.ini");
    EXPECT_EQ(client.Call("readblock"), HwndStr(host.hwnd()) + "|C:\\cfg\\brivane.ini");

    ASSERT_EQ(client.Call("writeblock 1234 D:\\other.ini"), "ok");
    EXPECT_EQ(block.settings->hostWindow, (HWND)1234);
    EXPECT_STREQ(block.settings->configPath, "D:\\other.ini");
}

TEST(SharedBlock, UnterminatedConfigPathIsReadWithinTheBlock)
{
    SharedBlock block;
    ModuleAttach(GetModuleHandleA(NULL));
    ASSERT_TRUE(g_settings);
    memset(block.settings->configPath, 'A', CONFIG_PATH_CAPACITY);   // no NUL anywhere
    // Damaged: read within the block and then taken as no path at all.
    EXPECT_STREQ(ConfigPath().text, "");

    block.SetConfigPath("");
    EXPECT_STREQ(ConfigPath().text, "");
    // No path: reads give the default and writes report failure.
    EXPECT_EQ(IniGetInt("exception", "notepad", 7), 7);
    char out[8] = "xxxxxxx";
    IniGetString("settings", "k", "def", out, sizeof(out));
    EXPECT_STREQ(out, "def");
    EXPECT_FALSE(IniWriteString("settings", "k", "v"));
}

TEST(SharedBlock, NoBlockMeansEveryEntryPointDoesNothing)
{
    ModuleAttach(GetModuleHandleA(NULL));
    SharedSettings *saved = g_settings;
    g_settings = NULL;

    EXPECT_FALSE(SetHook_());
    for (HHOOK h : g_hooks)
        EXPECT_EQ(h, (HHOOK)NULL);
    RequestSettings_();
    EXPECT_STREQ(ConfigPath().text, "");
    EXPECT_EQ(LiveHostWindow(), (HWND)NULL);
    EXPECT_FALSE(PostHostCommand(500, NULL));

    // The procedures hand everything on untouched.
    HostWindow host;
    MSG msg = {};
    msg.hwnd = host.hwnd();
    msg.message = WM_SYSCOMMAND;
    msg.wParam = 500;
    SysCommandProc(HC_ACTION, PM_REMOVE, (LPARAM)&msg);
    MOUSEHOOKSTRUCT mouse = { { 0, 0 }, host.hwnd(), HTMINBUTTON, 0 };
    CaptionClickProc(HC_ACTION, WM_NCRBUTTONDOWN, (LPARAM)&mouse);
    CaptionClickProc(HC_ACTION, WM_NCRBUTTONUP, (LPARAM)&mouse);
    ActivationProc(HCBT_ACTIVATE, (WPARAM)host.hwnd(), 0);
    Pump(50);
    EXPECT_TRUE(host.commands().empty());
    g_settings = saved;
}

TEST(SharedBlock, MadeForTheUserAloneAndReadOnlyWhereNothingIsWritten)
{
    // A name of this test's own (the real one may be held by programs
    // hooked in earlier tests). A program that finds no block makes none:
    // only the host makes it, labelled at its own level.
    char saved[sizeof(g_mapping.name)];
    memcpy(saved, g_mapping.name, sizeof(saved));
    wsprintfA(g_mapping.name, "Brivane_made_%lu", GetCurrentProcessId());
    SharedSettings *before = g_settings;
    ModuleAttach(GetModuleHandleA(NULL));
    EXPECT_FALSE(g_settings) << "a program without the host's block uses none";
    EXPECT_FALSE(WritableSettings());
    HANDLE none = OpenFileMappingA(FILE_MAP_READ, FALSE, g_mapping.name);
    EXPECT_FALSE(none) << "the module made a block of its own";
    if (none)
        CloseHandle(none);
    EXPECT_STREQ(ConfigPath().text, "") << "no block, no file";

    // The block as the host makes it: for the user alone, labelled
    // medium (or high, elevated) with no-write-up.
    PSECURITY_DESCRIPTOR made = NewUserOnlyDescriptor("NW", "ME");
    ASSERT_TRUE(made);
    SECURITY_ATTRIBUTES attrs = { sizeof(attrs), made, FALSE };
    HANDLE hostsBlock = CreateFileMappingA(INVALID_HANDLE_VALUE, &attrs, PAGE_READWRITE, 0, 4096, g_mapping.name);
    LocalFree(made);
    ASSERT_TRUE(hostsBlock);
    ModuleAttach(GetModuleHandleA(NULL));
    ASSERT_TRUE(g_settings);
    ASSERT_NE(g_settings, before);

    // The descriptor given at creation, read back (Wine keeps it; it does
    // not return the mandatory label).
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    union { TOKEN_USER user; BYTE bytes[128]; } me;
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, &me, sizeof(me), &size));
    CloseHandle(token);
    PSID owner = NULL;
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    ASSERT_EQ(GetSecurityInfo(hostsBlock, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, NULL, &dacl, NULL, &sd), (DWORD)ERROR_SUCCESS);
    ASSERT_TRUE(dacl) << "a NULL DACL lets every program rewrite the block";
    EXPECT_TRUE(owner && EqualSid(owner, me.user.User.Sid));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = NULL;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system));
    ASSERT_EQ(dacl->AceCount, 2);
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        ASSERT_TRUE(GetAce(dacl, i, (void **)&ace));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        PSID sid = (PSID)&ace->SidStart;
        EXPECT_TRUE(EqualSid(sid, me.user.User.Sid) || EqualSid(sid, system)) << "ACE " << i << " grants someone else";
    }
    FreeSid(system);
    LocalFree(sd);

    // Readers have a view that cannot write; the loader gets a writable one
    // of the same memory when it asks.
    MEMORY_BASIC_INFORMATION info;
    ASSERT_TRUE(VirtualQuery(g_settings, &info, sizeof(info)));
    EXPECT_EQ(info.Protect, (DWORD)PAGE_READONLY);
    SharedSettings *writable = WritableSettings();
    ASSERT_TRUE(writable);
    ASSERT_TRUE(VirtualQuery(writable, &info, sizeof(info)));
    EXPECT_EQ(info.Protect, (DWORD)PAGE_READWRITE);
    writable->opacity = 77;
    EXPECT_EQ(g_settings->opacity, 77);
    EXPECT_EQ(WritableSettings(), writable) << "mapped again on every call";

    CloseHandle(hostsBlock);
    memcpy(g_mapping.name, saved, sizeof(saved));
    ModuleAttach(GetModuleHandleA(NULL));
}

TEST(SharedBlock, OnlyAnObjectOwnedByTheUserCountsAsTheUsers)
{
    // What the host asks of a block or mutex that exists before it starts.
    char *sid = NULL;
    HANDLE token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    union { TOKEN_USER user; BYTE bytes[128]; } me;
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, &me, sizeof(me), &size));
    CloseHandle(token);
    ASSERT_TRUE(ConvertSidToStringSidA(me.user.User.Sid, &sid));
    struct Case { std::string sddl; BOOL ours; } cases[] = {
        { std::string("O:") + sid + "D:P(A;;GA;;;" + sid + ")", TRUE },
        { std::string("O:BAD:P(A;;GA;;;") + sid + ")", FALSE },   // the user may use it, but it is not theirs
        { std::string("O:SYD:P(A;;GA;;;") + sid + ")", FALSE },
    };
    LocalFree(sid);
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sddl);
        PSECURITY_DESCRIPTOR sd = NULL;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(c.sddl.c_str(), SDDL_REVISION_1, &sd, NULL));
        SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
        char name[64];
        wsprintfA(name, "Brivane_owner_%lu_%d", GetCurrentProcessId(), n++);
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, 4096, name);
        LocalFree(sd);
        ASSERT_TRUE(mapping);
        EXPECT_EQ(OwnedByCurrentUser(mapping), c.ours);
        CloseHandle(mapping);
    }
    // The descriptor the module and the host give their objects.
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NW", "LW");
    ASSERT_TRUE(sd);
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE mutex = CreateMutexA(&sa, FALSE, NULL);
    LocalFree(sd);
    ASSERT_TRUE(mutex);
    EXPECT_TRUE(OwnedByCurrentUser(mutex));
    CloseHandle(mutex);
}

// On 64-bit Windows a global hook is also called, on the installing thread,
// for the events of programs of the other bitness. The procedures must leave
// such windows alone: the other bitness's module serves them in their own
// process, and a second command or a second set of items would follow.
TEST(HookProcedures, EventsOfAnotherProcessAreOnlyPassedOn)
{
    SharedBlock block;
    ModuleAttach(GetModuleHandleA(NULL));
    ASSERT_TRUE(g_settings);
    HostWindow host;
    block.settings->hostWindow = host.hwnd();
    Client client("client_windows" BITNESS_SUFFIX ".exe");
    ASSERT_TRUE(client.ok());
    HWND other = StrHwnd(client.Call("window 0x00CF0000 0"));   // WS_OVERLAPPEDWINDOW
    ASSERT_TRUE(other);
    std::string otherMenu = client.Call("sysmenu " + HwndStr(other));
    HWND own = CreateWindowExA(0, "STATIC", "own", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                               GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(own);

    // The same events for the other program's window first, then for ours:
    // the posts come in order, so once ours arrived, theirs would have too.
    int x = 300;
    for (HWND w : { other, own }) {
        SCOPED_TRACE(w == own ? "own window" : "other process's window");
        MOUSEHOOKSTRUCT mouse = { { 0, 0 }, w, HTMAXBUTTON, 0 };
        EXPECT_EQ(CaptionClickProc(HC_ACTION, WM_NCRBUTTONDOWN, (LPARAM)&mouse), 0);
        EXPECT_EQ(CaptionClickProc(HC_ACTION, WM_NCRBUTTONUP, (LPARAM)&mouse), 0);
        MSG msg = {};
        msg.hwnd = w;
        msg.message = WM_SYSCOMMAND;
        msg.wParam = HOSTCMD_FLOAT;
        msg.lParam = MAKELPARAM(x++, 10);   // a key of its own: no repeat
        EXPECT_EQ(SysCommandProc(HC_ACTION, PM_REMOVE, (LPARAM)&msg), 0);
        EXPECT_EQ(ActivationProc(HCBT_ACTIVATE, (WPARAM)w, 0), 0);
    }
    ASSERT_TRUE(host.WaitFor(2));
    Pump(100);
    ASSERT_EQ(host.commands().size(), 2u);
    EXPECT_EQ(host.commands()[0].code, (WPARAM)HOSTCMD_MAX_RCLICK);
    EXPECT_EQ(host.commands()[0].window, own);
    EXPECT_EQ(host.commands()[1].code, (WPARAM)HOSTCMD_FLOAT);
    EXPECT_EQ(host.commands()[1].window, own);
    EXPECT_EQ(client.Call("sysmenu " + HwndStr(other)), otherMenu);
    EXPECT_NE(GetMenuState(GetSystemMenu(own, FALSE), IDM_TRAY, MF_BYCOMMAND), (UINT)-1);
    DestroyWindow(own);
}
