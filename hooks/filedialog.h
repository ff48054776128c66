// File-dialog augmentation and the favourites menu: what the dialog hook,
// the subclass and the menu share.
#pragma once
#include <windows.h>

#define PROCESS_NAME_CAPACITY 260

// The key that opens the favourites menu with Ctrl, and the button's tooltip
// that names it.
#define FAVOURITES_KEY 'B'
#define FAVOURITES_TIP "Brivane (Ctrl+B)"

// Command ids of the favourites button and the favourites menu.
enum FavouritesId {
    IDC_FAVOURITES = 371,            // the toolbar button
    IDM_ADD_GLOBAL = 1277,           // Add this folder > to all programs
    IDM_ADD_PROGRAM = 1278,          // Add this folder > to <program>
    IDM_FAV_EDIT = 1279,             // last menu item: the configuration sheet
    IDM_FAV_GLOBAL = 1280,           // + N: entry N of section global
    IDM_FAV_PROGRAM = 1792           // + N: entry N of the program's own section
};

// The controls of one file dialog and the name of the program showing it.
struct DialogControls {
    HWND toolbar;                     // the toolbar holding the button, or null
    HWND edit;                        // file-name edit, or null
    HWND combo;                       // file-name combo box, or null
    HWND ok;
    HWND button;                      // the push button standing in for it, or null
    char processName[PROCESS_NAME_CAPACITY];
};

// Reduces a command line to the program's file name without directory,
// quotes, arguments and extension ("C:\Tools\Notepad.exe" /a -> Notepad).
// Works on a bounded private copy; the command line is never written. Writes
// at most cap characters including the NUL and returns the length.
size_t ProcessNameFromCommandLine(const char *commandLine, char *out, size_t cap);

// The direct child of parent with the class and, unless id is 0, that
// control id; null when there is none.
HWND FindChild(HWND parent, int id, const char *className);

// Fills controls when dialog has the file dialog's toolbar, OK button and a
// file-name edit or combo box (ProcessName included); FALSE otherwise, with
// controls left unspecified.
BOOL FindDialogControls(HWND dialog, DialogControls *controls);

// Fills controls when dialog is a Common Item Dialog, in Wine's shape (the
// file-name edit, the navigation toolbar and OK as direct children) or in
// Windows' (the edit inside the dialog's view, OK a direct child); the
// toolbar and the button are set only once one holds or is the button.
// FALSE otherwise, with controls left unspecified.
BOOL FindItemDialogControls(HWND dialog, DialogControls *controls);

// Adds the favourites button to a recognised item dialog: to its navigation
// toolbar when the button fits there, else as a push button beside OK.
void AddItemDialogButton(HWND dialog, const DialogControls *controls);

// Puts the push button back beside OK, after the dialog laid itself out.
void PlaceItemDialogButton(HWND dialog, const DialogControls *controls);

// Appends the separator and the favourites button to toolbar and returns
// the width the two take; 0 when they could not be added. A toolbar without
// tooltips gets them, so that the button's tooltip shows.
int AppendFavouritesButton(HWND toolbar);

// A tooltip window for the controls of dialog, destroyed with it; null when
// none could be made.
HWND CreateTooltip(HWND dialog);

// Where the favourites menu opens: under the button, at its left edge.
POINT MenuAnchor(const DialogControls *controls);

// Builds the favourites menu from the program's section and section global
// and tracks it under the favourites button of the dialog.
void ShowFavouritesMenu(HWND dialog, const DialogControls *controls);

// Appends the entries of section from entry n on to menu at position pos,
// giving entry N the id idBase + N; submenus are filled recursively. Returns
// the N after the last entry read.
int FillMenu(HMENU menu, const char *section, int n, int pos, int idBase);

// Appends the submenu "Add this folder" to menu: its items are disabled
// when the dialog cannot tell its folder or the section holds it already.
void AppendAddFolderMenu(HMENU menu, HWND dialog, const DialogControls *controls);

// The folder dialog shows, fully qualified, into out (MAX_PATH); FALSE when
// it cannot tell, or the path is too long or not ANSI.
BOOL CurrentFolder(HWND dialog, char *out);

// Whether the entries of section hold folder (case and a trailing
// backslash aside); TRUE too when the section cannot be read.
BOOL SectionHoldsFolder(const char *section, const char *folder);

// Adds folder to section as its next top-level entry unless it holds it,
// re-reading the section under the file's lock. Returns an INI_ result
// (core/ini_write.h).
int AddFolderToSection(const char *section, const char *folder);

// Adds the dialog's current folder to section; a refused write is told to
// the user, who may try it again.
void AddCurrentFolder(HWND dialog, const char *section);

// Types path N of section into the dialog's file-name field, presses OK and
// puts the earlier text back. An entry without a path does nothing.
void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section);

// The subclass procedure of an augmented dialog.
LRESULT CALLBACK FavouritesDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// File dialogs open at once in one program are few; a dialog that finds the
// table of subclassed dialogs full is left as it was, without the button.
#define SUBCLASS_SLOTS 16

// The kinds of file dialog that get the button.
enum DialogKind { DIALOG_NONE, DIALOG_CLASSIC, DIALOG_ITEM };

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

// Augments dialog when it is a file dialog of this process that is not
// excluded; returns whether it did.
BOOL AugmentFileDialog(HWND dialog);
