// Client commands for the host tests.
#include "support/client.h"

// hang <ms>: the client's thread stops answering for a while, as a hung
// program's does (run it with post: the caller must not wait for it).
CLIENT_COMMAND(hang)
{
    Sleep((DWORD)ArgInt(args, 1, 1000));
    return "awake";
}

static LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// classwindow <class> [style] [owner]: a visible top-level window of a
// class of the given name (the shell's, say), optionally owned.
CLIENT_COMMAND(classwindow)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = args.at(1).c_str();
    RegisterClassA(&wc);
    DWORD style = (DWORD)ArgInt(args, 2, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND owner = args.size() > 3 ? Str2Hwnd(args[3]) : NULL;
    HWND w = CreateWindowExA(0, args[1].c_str(), args[1].c_str(), style, 60, 60, 200, 150, owner, NULL,
                             GetModuleHandleA(NULL), NULL);
    return Hwnd2Str(w);
}

// place <hwnd> <x> <y> <width> <height>: moves and sizes a window of the
// client as its own program would.
CLIENT_COMMAND(place)
{
    return SetWindowPos(Str2Hwnd(args.at(1)), NULL, (int)ArgInt(args, 2), (int)ArgInt(args, 3), (int)ArgInt(args, 4),
                        (int)ArgInt(args, 5), SWP_NOZORDER | SWP_NOACTIVATE) ? "ok" : "failed";
}

// show <hwnd> <SW_ command>: ShowWindow in the client.
CLIENT_COMMAND(show)
{
    ShowWindow(Str2Hwnd(args.at(1)), (int)ArgInt(args, 2));
    return "ok";
}

// hotkey <modifiers> <vk>: holds a global shortcut, as another program
// would; "hotkey 0 0" lets it go.
CLIENT_COMMAND(hotkey)
{
    UnregisterHotKey(g_clientControl, 1);
    if (!ArgInt(args, 2))
        return "released";
    return RegisterHotKey(g_clientControl, 1, (UINT)ArgInt(args, 1), (UINT)ArgInt(args, 2)) ? "ok" : "failed";
}
