// File-dialog augmentation.
#include "hooks.h"

LRESULT CALLBACK DialogHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(g_hooks[HOOK_DIALOG], code, wParam, lParam);
}
