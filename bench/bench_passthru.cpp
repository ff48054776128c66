// A hook set of the same four kinds as the module's, whose procedures do
// nothing but hand the event on: the whole-system benchmark's baseline for
// what any global hook costs.
#include <windows.h>

static HINSTANCE s_instance;
static HHOOK s_hooks[4];

static LRESULT CALLBACK PassDialog(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(s_hooks[0], code, wParam, lParam);
}
static LRESULT CALLBACK PassMouse(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(s_hooks[1], code, wParam, lParam);
}
static LRESULT CALLBACK PassMessage(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(s_hooks[2], code, wParam, lParam);
}
static LRESULT CALLBACK PassCbt(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(s_hooks[3], code, wParam, lParam);
}

extern "C" __declspec(dllexport) BOOL WINAPI PassThroughInstall(void)
{
    static const struct { int type; HOOKPROC proc; } table[4] = {
        { WH_CALLWNDPROCRET, PassDialog },
        { WH_MOUSE,          PassMouse },
        { WH_GETMESSAGE,     PassMessage },
        { WH_CBT,            PassCbt },
    };
    for (int i = 0; i < 4; i++)
        if (!(s_hooks[i] = SetWindowsHookExA(table[i].type, table[i].proc, s_instance, 0)))
            return FALSE;
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI PassThroughRemove(void)
{
    for (int i = 0; i < 4; i++) {
        if (s_hooks[i])
            UnhookWindowsHookEx(s_hooks[i]);
        s_hooks[i] = NULL;
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        s_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
