// Changes to the configuration file: one writer at a time across every
// program of the session, each re-reading what it changes, and the file
// replaced whole in one rename, never rewritten in place.
#pragma once
#include <windows.h>

struct SectionLines;

// What a write came to.
enum {
    INI_WRITTEN = 1,     // the file holds the change
    INI_UNCHANGED = 0,   // the change found nothing to do: the file was not touched
    INI_BUSY = -1,       // another writer kept the lock past INI_LOCK_WAIT_MS: nothing written
    INI_FAILED = -2,     // no usable path, a read-only or unreadable file, or the copy could
                         // not be written or put in place: the file is as it was
};

// How long a writer waits for the one before it. Writers hold the lock for
// one copy and one rename, so a longer wait means something is stuck.
enum { INI_LOCK_WAIT_MS = 3000 };

// A change made under the lock to file: a copy of the configuration file
// beside it (no file yet when there is no configuration file), read and
// written with the profile functions. Returns INI_WRITTEN to have the copy
// replace the configuration file, INI_UNCHANGED or INI_FAILED to leave it.
typedef int (*IniChange)(const char *file, void *context);

// Runs change under the lock named for the configuration file's path, then
// renames the copy over the file. The lock is a mutex of the session's
// namespace, open to this user alone; one whose owner died counts as free,
// since the file is whole either way. The copy is made new in the file's
// folder (core/fresh_file.h) and gets the file's own permissions. Refused
// (INI_FAILED) without a change: a read-only file, a link (the rename would
// replace the link, not the file it leads to), a file with more than one
// name (a hard link: its other names would keep the old text), a file that
// cannot be read (held open exclusively), a folder that is a link or
// another user's, a path too long for "<file>.new", less than 1 MiB free
// on the disk.
int IniUpdate(IniChange change, void *context);

// Runs work while this program holds the lock named for file (the
// configuration file's path), for other files kept beside it that its
// writers change too. Returns what work returns, INI_BUSY when the lock did
// not come within INI_LOCK_WAIT_MS, INI_FAILED without a path or a lock.
typedef int (*IniWork)(void *context);
int IniLocked(const char *file, IniWork work, void *context);
// The same with a wait of waitMs (0: only when the lock is free now). A
// lock of the name that another user made first is never waited on:
// INI_FAILED.
int IniLockedWithin(const char *file, DWORD waitMs, IniWork work, void *context);

// A change of one section: now holds the section as the file has it under
// the lock (read whole, a missing one empty); out gets the lines that are
// to replace it. Returns as IniChange does.
typedef int (*IniSectionChange)(const SectionLines *now, SectionLines *out, void *context);
int IniUpdateSection(const char *section, IniSectionChange change, void *context);

// The same as one step of a larger change: IniChangeSection is an IniChange
// whose context is an IniSectionUpdate, for callers that do more to the
// copy in the same update (the result may go under another name).
struct IniSectionUpdate {
    const char *section;        // the section read
    IniSectionChange change;
    void *context;
    const char *to;             // where out is written; NULL for section itself
};
int IniChangeSection(const char *file, void *update);

// Reads a section of the file at path whole; as IniReadSection.
int IniReadSectionFrom(const char *path, const char *section, SectionLines *lines);

// Tells the user, in a box owned by owner, that a write of INI_BUSY or
// INI_FAILED was refused and nothing was saved. Returns 1 when the user
// asks to try again (both may pass: a stuck writer ends, another program
// closes the file), 0 otherwise and for other results.
int IniRefused(HWND owner, int result);
