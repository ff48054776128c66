// Menu-items page: what its files share. The page edits one section at a
// time in ItemList and writes it back whole.
#pragma once
#include <windows.h>

// SectionList indexes with fixed meaning; program sections follow.
enum { SECTION_GLOBAL = 0, SECTION_EXCEPTION = 1, FIRST_PROGRAM_SECTION = 2 };

// The longest name or path a row holds; name and path together fit into
// ROW_TEXT_SIZE bytes of MenuItemBuffer, as the item dialog carries them.
enum { ROW_TEXT_SIZE = 260 };

extern HWND SectionList;      // list box 401
extern HWND ItemList;         // list view 400
extern int itemsDirty;        // rows differ from the file for the loaded section
extern int loadedSection;     // SectionList index the rows belong to, -1 before the first load
// The loaded section could not be taken in whole (text longer than the
// buffer or a value longer than a row holds): it is shown but never
// rewritten, and its rows cannot be edited.
extern int loadedReadOnly;

// menuitems_page.cpp
void InitMenuItemsPage(HWND page);
void LoadSection(HWND page, int index);
void SaveSectionIfDirty(HWND page);
// Writes the rows as the whole content of section to (from, or its new
// name), under the file's lock, keeping the entries another program added
// to section from since it was loaded; a new name replaces the old section
// in the same write. Tells the user of a refusal in a box owned by page.
// Returns 0 when nothing was written.
int WriteLoadedRows(HWND page, const char *from, const char *to);
// Sets Insert, up, dn and the section Edit button for the loaded section.
void EnableSectionControls(HWND page, int index);

// section_ops.cpp
void AddSection(HWND page);
void RenameSection(HWND page);
void DeleteSection(HWND page);
// Removes a section's keys and its header line from a profile file (the
// copy an update writes); leaves the file untouched when it cannot be
// opened for exclusive access. Returns 1 when the header was cut.
int RemoveSectionHeader(const char *name, const char *path);
// 1 when name may become a program section: not empty, not "settings"
// (the host's own) and not already listed.
int SectionNameAllowed(const char *name);
// 1 when the section's lines in the configuration file hold a comment line,
// which a whole-section write would drop.
int FileSectionHasComments(const char *name);

// menuitems_rows.cpp
void InsertItemRow(int index, const char *name, const char *path);
void InsertItemAfterMark(const char *name, const char *path);
void InsertItem(HWND page);
void EditItem(HWND page);
void DeleteItem(HWND page);
void MoveItemUp();
void MoveItemDown();
void UpdateItemButtons(HWND page, int row);
// Text of one cell into out (cap bytes); "" for a missing row.
void GetRowText(int row, int column, char *out, int cap);

// item_dialog.cpp
INT_PTR CALLBACK MenuItemDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// folder_browse.cpp
// Leaves the chosen folder's full path in out (at least MAX_PATH bytes), or
// "" when the browser was cancelled; root is a CSIDL value, 0 the desktop.
void BrowseForFolder(HWND owner, int root, char *out);
