// The shell's folder browser behind the item dialog's Browse button.
#include "menuitems.h"
#include <shlobj.h>
#include <string.h>

void BrowseForFolder(HWND owner, int root, char *out)
{
    out[0] = '\0';
    IMalloc *alloc = NULL;
    if (FAILED(SHGetMalloc(&alloc)) || !alloc)
        return;
    LPITEMIDLIST rootList = NULL;
    if (root != 0 && FAILED(SHGetFolderLocation(owner, root, NULL, 0, &rootList)))
        rootList = NULL;

    BROWSEINFOA info;
    memset(&info, 0, sizeof(info));
    info.hwndOwner = owner;
    info.pidlRoot = rootList;
    info.pszDisplayName = out;
    info.lpszTitle = "Choose a folder";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE | BIF_UAHINT;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen) {
        // The full path replaces the display name.
        if (!SHGetPathFromIDListA(chosen, out))
            out[0] = '\0';
        alloc->Free(chosen);
    } else {
        out[0] = '\0';
    }
    if (rootList)
        alloc->Free(rootList);
    alloc->Release();
}
