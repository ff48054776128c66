// Drives the configuration sheet of the loaded module on a second thread of
// the test program, through the messages a user's clicks produce, and
// answers its modal dialogs from the test thread. Running it in-process lets
// the test read the list box and list view directly.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "tests/support/harness.h"

class SheetDriver {
public:
    // Writes the ini file (one per driver) and points the shared block at it.
    explicit SheetDriver(const std::string &ini, const std::string &fileName = "menu.ini");
    ~SheetDriver();

    std::string path() const { return path_; }
    th::Module &module() { return module_; }
    SharedSettings *settings() { return block_.settings; }
    std::string File() const { return th::ReadFile(path_); }

    // Opens the sheet and shows the Menu items tab; false on failure.
    bool Open();
    // Closes the sheet with its only button and waits for EditIni_ to return.
    bool Close();
    // Shows the tab at index (0 About, 1 Settings, 2 Menu items).
    void ShowTab(int index);

    HWND sheet() const { return sheet_; }
    HWND page() const { return page_; }
    HWND Control(int id) const { return GetDlgItem(page_, id); }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

    // SectionList.
    std::vector<std::string> Sections() const;
    int CurrentSection() const;
    void ClickSection(int index);

    // ItemList rows as "name|path".
    std::vector<std::string> Rows() const;
    int Mark() const;
    int Selected() const;
    // A left click on a row, or below the last row when row is -1.
    void ClickRow(int row);

    // A click on a page button whose action opens nothing.
    void Click(int id);
    // A click whose action opens a modal window; returns at once.
    void ClickAsync(int id);

    // Waits for a top-level dialog of this process with the caption.
    HWND WaitDialog(const char *caption, DWORD timeoutMs = 5000);
    // Sets an edit's text in dialog.
    static void SetText(HWND dialog, int id, const std::string &text);
    static std::string Text(HWND dialog, int id);
    // Clicks a button of a modal window and waits until the window is gone
    // and the page's handler has finished.
    bool Answer(HWND dialog, int buttonId);

    // Presses Insert or the item Edit button, fills the item dialog (a
    // submenu title when submenu is set) and presses OK.
    bool FillItem(int button, const std::string &name, const std::string &path, bool submenu = false);
    // Presses Add or the section Edit button, types name and presses OK.
    bool FillSection(int button, const std::string &name);
    // Presses a button that asks a yes/no question captioned caption with
    // the text question, and answers it; false when no such box came.
    bool Confirm(int button, const char *caption, const char *question, bool yes);

    // Runs everything posted to the sheet's thread so far.
    void Flush();

private:
    static DWORD WINAPI SheetThread(void *self);
    static LRESULT CALLBACK MarkerProc(HWND, UINT, WPARAM, LPARAM);

    // The block first, as the host makes it before the module is loaded:
    // a module that finds none at its start uses none.
    th::SharedBlock block_;
    th::Module module_;
    std::string path_;
    HANDLE thread_ = NULL;
    HWND sheet_ = NULL, page_ = NULL, marker_ = NULL;
    volatile LONG flushed_ = 0;
    LONG posted_ = 0;
};

// The rows of a string list, for readable comparisons.
std::vector<std::string> L(std::initializer_list<const char *> items);
