// The folders the file manager's windows show, from the Shell's list of
// its windows, asked with a deadline.
#pragma once
#include <windows.h>

// "Open folders" shows at most this many.
#define OPEN_FOLDERS_MAX 20
// Nobody waits longer than the deadline for the file manager's next
// answer, nor longer than the limit for all of them; the wait looks at the
// answers every slice (a wait may last up to 16 ms more than asked, so a
// file manager that does not answer at all costs at most about 86 ms).
// Once one waited in vain, nobody waits for that question again, and no
// other is asked until it is answered.
#define OPEN_FOLDERS_DEADLINE_MS 70
#define OPEN_FOLDERS_LIMIT_MS 500
#define OPEN_FOLDERS_SLICE_MS 10

struct OpenFolderList {
    int count;
    char folder[OPEN_FOLDERS_MAX][MAX_PATH];
};

enum OpenFoldersAnswer { OPEN_FOLDERS_LISTED, OPEN_FOLDERS_NONE, OPEN_FOLDERS_NO_ANSWER };

// The file-system folders of the file manager's windows and tabs into
// list: the window used last first, each folder once. Returns an
// OpenFoldersAnswer; NO_ANSWER when the list did not come in time or the
// question someone waited for in vain is still unanswered.
int ListOpenFolders(OpenFolderList *list);

// Sends dialog to the folder of the file manager's window used last;
// nothing when there is none or no answer.
void GoToLastOpenFolder(HWND dialog, const struct DialogControls *controls);
