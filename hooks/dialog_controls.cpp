// Recognising a standard file dialog by its controls.
#include "filedialog.h"
#include "../core/textbuf.h"

// Control ids of the standard file dialog.
#define ID_TOOLBAR       0x0440
#define ID_TOOLBAR_ALT   1
#define ID_FILENAME_EDIT 0x0480
#define ID_FILENAME_COMBO 0x047C

HWND FindChild(HWND parent, int id, const char *className)
{
    HWND child = FindWindowExA(parent, NULL, className, NULL);
    while (child && id != 0 && GetDlgCtrlID(child) != id)
        child = FindWindowExA(parent, child, className, NULL);
    return child;
}

BOOL FindDialogControls(HWND dialog, DialogControls *controls)
{
    HWND toolbar = FindChild(dialog, ID_TOOLBAR, "ToolbarWindow32");
    if (!toolbar)
        toolbar = FindChild(dialog, ID_TOOLBAR_ALT, "ToolbarWindow32");
    HWND edit = FindChild(dialog, ID_FILENAME_EDIT, "Edit");
    HWND combo = FindChild(dialog, ID_FILENAME_COMBO, "ComboBoxEx32");
    HWND ok = FindChild(dialog, IDOK, "Button");
    if (!toolbar || !ok || (!edit && !combo))
        return FALSE;
    controls->toolbar = toolbar;
    controls->edit = edit;
    controls->combo = combo;
    controls->ok = ok;
    controls->button = NULL;
    ProcessNameFromCommandLine(GetCommandLineA(), controls->processName,
                               COUNTOF(controls->processName));
    return TRUE;
}
