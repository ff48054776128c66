// The kinds of dialog that get the favourites button, and what they share.
#pragma once
#include <windows.h>
#include "menu_ids.h"
#include "procname.h"

// The controls of one dialog and the name of the program showing it.
struct DialogControls {
    HWND toolbar;                     // the toolbar holding the button, or null
    HWND edit;                        // file-name edit, or null
    HWND combo;                       // file-name combo box, or null
    HWND ok;
    HWND button;                      // the push button standing in for it, or null
    HWND tree;                        // a folder picker's tree of folders
    char processName[PROCESS_NAME_CAPACITY];
};

// One kind of dialog that gets the button, each in a file of its own. The
// menu's sources of folders go through these alone.
struct DialogKind {
    // Fills controls (ProcessName included) when dialog is of this kind;
    // FALSE otherwise, with controls left unspecified.
    BOOL (*find)(HWND dialog, DialogControls *controls);
    // Adds the button to a dialog find accepted.
    void (*addButton)(HWND dialog, const DialogControls *controls);
    // Puts the button back in view after the dialog laid itself out anew.
    void (*place)(HWND dialog, const DialogControls *controls);
    // The folder the dialog shows, or its picker selects, into out
    // (MAX_PATH), fully qualified; FALSE when it cannot tell.
    BOOL (*folder)(HWND dialog, char *out);
    // Sends the dialog to path: a folder is shown (a picker selects it);
    // a file dialog given a file's path opens it, as if typed.
    void (*navigate)(HWND dialog, const DialogControls *controls, const char *path);
};

extern const DialogKind g_classicDialog;   // classic.cpp
extern const DialogKind g_itemDialog;      // itemdialog.cpp: Wine's shape and Windows'
extern const DialogKind g_folderPicker;    // folderpicker.cpp

// The kinds, in the order augmentation tries them; a dialog's kind is its
// index here plus one (0: none).
enum DialogKindId { DIALOG_NONE, DIALOG_CLASSIC, DIALOG_ITEM, DIALOG_PICKER, DIALOG_KINDS };
// The kind a subclassed dialog was recognised as, or null.
const DialogKind *KindOf(HWND dialog);

// Sends dialog to path as its kind does; nothing for a dialog of no kind.
void NavigateDialog(HWND dialog, const DialogControls *controls, const char *path);

// The direct child of parent with the class and, unless id is 0, that
// control id; null when there is none.
HWND FindChild(HWND parent, int id, const char *className);

// Appends the separator and the favourites button to toolbar and returns
// the width the two take; 0 when they could not be added. A toolbar without
// tooltips gets them, so that the button's tooltip shows.
int AppendFavouritesButton(HWND toolbar);

// A tooltip window for the controls of dialog, destroyed with it; null when
// none could be made.
HWND CreateTooltip(HWND dialog);

// Adds a push button "Brivane" just left of OK, with the button's tooltip:
// for dialogs without a toolbar of their own to extend.
void AddPushButton(HWND dialog, const DialogControls *controls);
// Puts the push button back beside OK, after the dialog laid itself out.
void PlacePushButton(HWND dialog, const DialogControls *controls);

// Where the favourites menu opens: under the button, at its left edge.
POINT MenuAnchor(const DialogControls *controls);

// Types path into the dialog's file-name field, presses OK and puts the
// earlier text back: a file dialog goes to a folder so, or opens a file.
void TypePathAndPressOk(HWND dialog, const DialogControls *controls, const char *path);

// A folder as a dialog answered it (CDM_GETFOLDERPATH: n characters with
// the NUL, in the dialog's own character set, whichever way it was asked)
// into out (MAX_PATH) in ANSI. FALSE for no answer, a path longer than an
// entry may hold, one the ANSI code page cannot spell, or one not fully
// qualified.
BOOL AnsiFolder(const WCHAR *answer, LRESULT n, char *out);

// The folder the dialog shows (its kind asked), fully qualified, into out
// (MAX_PATH); FALSE when it cannot tell.
BOOL CurrentFolder(HWND dialog, char *out);
