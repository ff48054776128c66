// Files written beside the configuration file (its copy, the recent list,
// the host's list of hidden windows) and put in place of the old one in a
// single rename. Every step goes through handles: the folder is opened once
// and checked, the new file is created in it by name relative to that
// handle, checked once more through its own handle before anything is
// written, and renamed by that handle. A link planted at the new file's
// name, or a junction put in place of the folder, never gets the write.
#pragma once
#include <windows.h>

struct FreshFile {
    HANDLE folder;        // the folder, as checked
    HANDLE file;          // the new file; INVALID_HANDLE_VALUE when closed
    wchar_t name[MAX_PATH];   // its name in the folder
    DWORD volume, indexHigh, indexLow;   // which file it is, to find it again
};

// Opens the folder of path for the files beside it: a real folder (no
// reparse point of any kind), owned by this user, or the owner this
// process gives what it creates, where the volume keeps owners at all.
// INVALID_HANDLE_VALUE when it is none of these, or cannot be opened.
HANDLE OpenCheckedFolder(const char *path);

// Creates a new file named as path's last part in the folder it names:
// whatever has that name goes first (a link itself, never what it leads
// to), the file is made new (never opened), and its handle must show a
// plain file with one link. The handle allows reading and writing; it
// lets others read and write but never delete or rename it, so the name
// stays this file's while it is open (the profile functions can open it
// too). FALSE, with nothing left behind, on any failure.
BOOL FreshFileCreate(FreshFile *f, const char *path);

// Closes the new file's handle, keeping what names it, so that code that
// opens it by name alone (exclusively, say) may change it. The rename
// later takes it only when the name still leads to the very file made;
// the checked folder is this user's, so only the user's own programs at
// the same level could put another file there meanwhile.
void FreshFileLetGo(FreshFile *f);

// Flushes the new file and renames it over target, a file of the same
// folder, through a handle that is checked to be the file created. The
// file is closed either way; FALSE when it could not be put in place (then
// it is deleted).
BOOL FreshFileReplace(FreshFile *f, const char *target);

// Closes and deletes the new file; the folder handle goes too.
void FreshFileDiscard(FreshFile *f);

// Deletes the file named as path's last part in its folder, a checked
// folder only, never what a link leads to. TRUE when it is gone (or never
// was).
BOOL DeleteInCheckedFolder(const char *path);

// Opens an existing file beside the configuration file for reading (the
// file itself, never what a link leads to): INVALID_HANDLE_VALUE for a
// reparse point, a file with more than one name (a hard link: the file is
// someone else's too), or one that cannot be opened.
HANDLE OpenSingleFile(const char *path, DWORD access);
