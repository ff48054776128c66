// The subclass table of augmented dialogs: each dialog's previous
// procedure, kind, outcome and open menu, in the module's own memory.
#pragma once
#include <windows.h>

// File dialogs open at once in one program are few; a dialog that finds the
// table of subclassed dialogs full is left as it was, without the button.
#define SUBCLASS_SLOTS 16

// How an augmented dialog ended, as its subclass saw it.
struct DialogOutcome {
    BOOL cancelled;             // Cancel was pressed
    BOOL recorded;              // it ended on OK, its folder recorded then
};
// The outcome record of a subclassed dialog; null for others.
DialogOutcome *OutcomeOf(HWND dialog);

// The favourites menu a subclassed dialog shows now: set by the menu while
// it is tracked, read when its submenus open; null for other dialogs.
struct MenuPress;
MenuPress **PressOf(HWND dialog);

// Subclasses dialog with FavouritesDialogProc, keeping its previous
// procedure and kind in the module's own table. FALSE, with the dialog left
// as it was, when it is subclassed already, the table is full or the
// subclass cannot be set.
BOOL SubclassDialog(HWND dialog, int kind);
// The kind a subclassed dialog was recognised as; DIALOG_NONE for others.
int SubclassedKind(HWND dialog);
// The procedure dialog had before us (its class's own when not in the table).
WNDPROC PreviousDialogProc(HWND dialog);
// Hands the dialog back to previous, unless someone subclassed after us,
// and frees its slot; at WM_NCDESTROY.
void RemoveSubclass(HWND dialog, WNDPROC previous);
