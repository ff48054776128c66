// Client commands for the configuration sheet: a file dialog of this
// program, and the sheet opened from inside it as the favourites menu does.
#include "support/client.h"
#include <commdlg.h>
#include <stdio.h>

// opendialog: runs a file Open dialog; answers its result once it closes
// (send it with "post").
CLIENT_COMMAND(opendialog)
{
    (void)args;
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = NULL;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER;
    return GetOpenFileNameA(&ofn) ? "opened" : "cancelled";
}

// editini <parent>: EditIni_ of the brivane.dll loaded here (loadmodule),
// with the module's own instance; answers its result once the sheet closes
// (send it with "post").
CLIENT_COMMAND(editini)
{
    HMODULE module = GetModuleHandleA(BRIVANE_MODULE_FILE);
    if (!module)
        return "no module";
    typedef INT_PTR (WINAPI *EditIniFn)(HINSTANCE, HWND);
    EditIniFn editIni = (EditIniFn)GetProcAddress(module, "EditIni_");
    if (!editIni)
        return "no export";
    char buf[32];
    sprintf(buf, "%ld", (long)editIni(module, Str2Hwnd(args.at(1))));
    return buf;
}
