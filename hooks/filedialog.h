// File-dialog augmentation and the favourites menu: what the dialog hook,
// the subclass and the menu share.
#pragma once
#include <windows.h>

#define PROCESS_NAME_CAPACITY 260
// The recent list holds at most this many folders.
#define RECENT_FOLDERS 10

// The key that opens the favourites menu with Ctrl, and the button's tooltip
// that names it.
#define FAVOURITES_KEY 'B'
#define FAVOURITES_TIP "Brivane (Ctrl+B)"

// Command ids of the favourites button and the favourites menu.
enum FavouritesId {
    IDC_FAVOURITES = 371,            // the toolbar button
    IDM_RECENT = 1264,               // + i: folder i of the recent list (10 at most)
    IDM_RECENT_CLEAR = 1274,         // Recent folders > Clear
    IDM_ADD_GLOBAL = 1277,           // Add this folder > to all programs
    IDM_ADD_PROGRAM = 1278,          // Add this folder > to <program>
    IDM_FAV_EDIT = 1279,             // last menu item: the configuration sheet
    IDM_FAV_GLOBAL = 1280,           // + N: entry N of section global
    IDM_FAV_PROGRAM = 1792           // + N: entry N of the program's own section
};

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
// menu, "Add this folder" and the recent list go through these alone.
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

// Reduces a command line to the program's file name without directory,
// quotes, arguments and extension ("C:\Tools\Notepad.exe" /a -> Notepad).
// Works on a bounded private copy; the command line is never written. Writes
// at most cap characters including the NUL and returns the length.
size_t ProcessNameFromCommandLine(const char *commandLine, char *out, size_t cap);

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

// Builds the favourites menu from the program's section and section global
// and tracks it under the favourites button of the dialog.
void ShowFavouritesMenu(HWND dialog, const DialogControls *controls);

// Appends submenu to menu under text; destroys it when it cannot.
void AppendSubmenu(HMENU menu, HMENU submenu, const char *text);

// Appends the entries of section from entry n on to menu at position pos,
// giving entry N the id idBase + N; submenus are filled recursively. Returns
// the N after the last entry read.
int FillMenu(HMENU menu, const char *section, int n, int pos, int idBase);

// Appends the submenu "Add this folder" to menu. global and program are the
// sections as the menu read them, null when one could not be read whole;
// an item is disabled when the dialog cannot tell its folder or the section
// holds it already (or could not be read). A program without a name gets no
// item of its own.
struct NumberedEntries;
void AppendAddFolderMenu(HMENU menu, HWND dialog, const char *processName, const NumberedEntries *global,
                         const NumberedEntries *program);

// Adds folder to section as its next top-level entry unless it holds it,
// re-reading the section under the file's lock. Returns an INI_ result
// (core/ini_write.h).
int AddFolderToSection(const char *section, const char *folder);

// Adds the dialog's current folder to section; a refused write is told to
// the user, who may try it again.
void AddCurrentFolder(HWND dialog, const char *section);

// Sends the dialog to path N of section. An entry without a path does
// nothing.
void ApplyEntry(HWND dialog, const DialogControls *controls, int n, const char *section);

// --- recent folders ---------------------------------------------------------

// Appends the submenu "Recent folders": the folders of the recent list that
// still exist, most recent first (IDM_RECENT + their place in the list),
// then "Clear" (IDM_RECENT_CLEAR), disabled when the list is empty. shown
// gets the list as shown, folders left out emptied. Returns the folders
// shown.
struct RecentList;
int AppendRecentMenu(HMENU menu, RecentList *shown);
// Sends the dialog to folder i of shown, the list the menu showed, when it
// still exists.
void ApplyRecent(HWND dialog, const DialogControls *controls, const RecentList *shown, int i);
// Puts folder first in the recent list, unless the list is switched off.
void RecentFolders_Add(const char *folder);
// Empties the recent list.
void RecentFolders_Clear();

// How an augmented dialog ended, as its subclass saw it.
struct DialogOutcome {
    BOOL cancelled;             // Cancel was pressed
    BOOL recorded;              // it ended on OK, its folder recorded then
};
// The outcome record of a subclassed dialog; null for others.
DialogOutcome *OutcomeOf(HWND dialog);

// The subclass procedure of an augmented dialog.
LRESULT CALLBACK FavouritesDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// File dialogs open at once in one program are few; a dialog that finds the
// table of subclassed dialogs full is left as it was, without the button.
#define SUBCLASS_SLOTS 16

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
