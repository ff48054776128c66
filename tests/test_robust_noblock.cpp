// A program in which the shared block cannot be mapped: another object
// already holds its name, so the module's CreateFileMappingA fails as it
// would for any other reason. (The block's real name is taken by the
// desktop's hooked processes once any test set the hooks, so this program
// gives its copy of the module a name of its own and takes that.) Everything the module offers still runs
// there without touching the missing block: the exports, the sheet with
// all its pages, and file dialogs under the dialog hook.
#include <gtest/gtest.h>
#include "support/harness.h"
#include "robust_ui.h"
#include "core/exports.h"
#include "core/ini.h"
#include "core/shared.h"
#include "hooks/hooks.h"

using namespace th;

namespace {

struct NoBlock : ::testing::Test {
    static HANDLE squatter;
    static void SetUpTestSuite()
    {
        // A named event of the block's name: the mapping cannot be created.
        wsprintfA(g_mapping.name, "Brivane_noblock_%lu", GetCurrentProcessId());
        squatter = CreateEventA(NULL, TRUE, FALSE, g_mapping.name);
        ModuleAttach(GetModuleHandleA(NULL));
    }
    static void TearDownTestSuite() { CloseHandle(squatter); }
};
HANDLE NoBlock::squatter;

} // namespace

TEST_F(NoBlock, TheMappingReallyFailed)
{
    ASSERT_TRUE(squatter);
    EXPECT_EQ(g_settings, (SharedSettings *)NULL);
    EXPECT_STREQ(ConfigPath().text, "");
}

TEST_F(NoBlock, ExportsDoNothingAndSayWhere)
{
    EXPECT_FALSE(SetHook_());
    UnHook_();
    RequestSettings_();
    for (HHOOK h : g_hooks)
        EXPECT_EQ(h, (HHOOK)NULL);
}

TEST_F(NoBlock, SheetOpensWithEveryPageAndCloses)
{
    // The dialog templates come from the DLL's resources, as the host's
    // EditIni_ call passes the DLL's instance; loaded as data, its own entry
    // point does not run.
    std::string dll = ExeDir() + BRIVANE_MODULE_FILE;
    HMODULE resources = LoadLibraryExA(dll.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(resources);
    EXPECT_EQ(RunSheets(EditIni_, resources, 3), 3);
    FreeLibrary(resources);
}

TEST_F(NoBlock, FileDialogsUnderTheDialogHook)
{
    // The dialog hook on this thread only, as a hooked program runs it.
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, DialogHookProc, NULL, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    int augmented = -1;
    EXPECT_EQ(RunFileDialogs(3, &augmented), 3);
    UnhookWindowsHookEx(hook);
}
