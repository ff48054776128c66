// Client programs for the tests: a hidden control window that runs text
// commands sent by the test with WM_COPYDATA and answers the same way.
// Each client program adds its own commands with CLIENT_COMMAND.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "../../core/shared.h"   // BRIVANE_MODULE_FILE

typedef std::vector<std::string> Args;   // args[0] is the command's name
typedef std::string (*ClientCommandFn)(const Args &args);

struct ClientCommandReg {
    ClientCommandReg(const char *name, ClientCommandFn fn);
};

#define CLIENT_COMMAND(name)                                                   \
    static std::string ClientCmd_##name(const Args &args);                     \
    static ClientCommandReg ClientReg_##name(#name, ClientCmd_##name);         \
    static std::string ClientCmd_##name(const Args &args)

std::string Hwnd2Str(HWND window);
HWND Str2Hwnd(const std::string &text);
// Integer argument i (decimal or 0x hex); def when absent.
long ArgInt(const Args &args, size_t i, long def = 0);

// The client's control window.
extern HWND g_clientControl;

// A plain top-level test window class, registered at start-up; it counts
// the WM_SYSCOMMAND messages its windows get ("syscount").
extern const char *const kTestWindowClass;
