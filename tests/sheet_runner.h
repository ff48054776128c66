// The configuration sheet of the module's linked-in code, run on a thread
// of its own (it is modal) with brivane.dll's resources, so that the test
// thread can drive it with real messages and look inside it in-process.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

namespace st {

// A message sent to one of the sheet thread's windows.
struct Sent { HWND to; UINT msg; WPARAM wParam; LPARAM lParam; };

class SheetRun {
public:
    // Starts EditIni_(resources, parent) and waits for the sheet window.
    explicit SheetRun(HINSTANCE resources, HWND parent = NULL);
    // Closes the sheet if it is still open and waits for the thread.
    ~SheetRun();
    HWND sheet() const { return sheet_; }
    DWORD threadId() const { return threadId_; }
    HWND Page() const;                 // the page showing
    HWND Item(int id) const;           // a control of the page showing
    bool SelectTab(int index) const;   // as a click on a tab does: the page left saves
    HWND VisibleButton() const;        // the sheet's one visible push button
    // Waits until EditIni_ returned; gives its result.
    bool WaitClosed(INT_PTR *result = nullptr, DWORD timeoutMs = 10000);
    bool Close();                      // presses the visible button and waits
private:
    static DWORD WINAPI Thread(void *self);
    HINSTANCE resources_;
    HWND parent_;
    HANDLE thread_ = NULL;
    DWORD threadId_ = 0;
    HWND sheet_ = NULL;
    volatile INT_PTR result_ = -2;
};

// Messages the sheet thread's windows were sent, as recorded since the
// last ClearSent (WM_ENABLE and WM_INITDIALOG only).
std::vector<Sent> SentTo(HWND to, UINT msg);
void ClearSent();

// Types into an edit box as the keyboard does: selects all, then one
// WM_CHAR per character; an empty text empties the box.
void Type(HWND edit, const std::string &text);
std::string Text(HWND window);
// Presses a button as a click does (BM_CLICK), and returns once the
// button's owner has taken it in.
void Click(HWND button);
// Presses a button through its thread's queue, as input arrives. Needed for
// the button that closes the sheet: the sheet's modal loop notices that it
// has ended only when a message comes out of the queue.
void Press(HWND button);

// Waits until the window and all its descendants have painted what was
// invalidated; false on timeout.
bool WaitPainted(HWND window, DWORD timeoutMs = 5000);

// A dialog template resource, read from its bytes (DLGTEMPLATE form).
struct TemplateItem {
    WORD id; std::string cls, text; DWORD style, exStyle; short x, y, cx, cy;
};
struct DialogTemplate {
    bool found = false;
    DWORD style = 0, exStyle = 0; short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, cls, caption, font; WORD pointSize = 0;
    std::vector<TemplateItem> items;
};
// Class atoms come back as their names in upper case ("BUTTON", "EDIT", ...).
DialogTemplate LoadDialogTemplate(HINSTANCE module, const char *name);

// key -> value of section settings as the file's own text holds it.
std::map<std::string, std::string> SettingsInFile(const std::string &path);
// The keys of section settings in the order the file holds them.
std::vector<std::string> SettingsKeyOrder(const std::string &path);

} // namespace st
