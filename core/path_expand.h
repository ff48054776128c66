// A favourite's path as stored and the path it names where it is used:
// environment variables, the user's known folders by their address-bar
// names, and paths relative to the configuration file's folder. Portable,
// no platform headers: the platform's answers come through PathLookup.
#pragma once
#include <stddef.h>

// Known folders a path may start with as "shell:<name>", in this order.
enum KnownFolderId {
    KNOWN_DOWNLOADS, KNOWN_DOCUMENTS, KNOWN_DESKTOP, KNOWN_PICTURES, KNOWN_MUSIC, KNOWN_VIDEOS, KNOWN_PROFILE,
    KNOWN_FOLDERS
};

struct PathLookup {
    // The value of environment variable name into out (cap bytes,
    // terminated); its length, or -1 when it is not set or does not fit.
    int (*variable)(void *context, const char *name, char *out, size_t cap);
    // The path of known folder id into out (cap bytes, terminated); its
    // length, or -1 when the user has none.
    int (*known)(void *context, int id, char *out, size_t cap);
    // The configuration file's folder, fully qualified, without a trailing
    // backslash unless it is a root ("P:\"); null or empty when there is none.
    const char *base;
    void *context;
};

enum ExpandResult {
    EXPAND_OK,
    EXPAND_UNSET,      // a variable not set, or a known folder unknown or missing
    EXPAND_TOO_LONG,   // the result would not fit
    EXPAND_LOOP,       // variables that name each other, or nest too deep
    EXPAND_CONTROL,    // a control character, stored or in a value
    EXPAND_NO_BASE     // relative, with no configuration folder to start from
};

// The longest path an entry may expand to, NUL included.
#define EXPANDED_PATH_CAPACITY 260

// Expands stored into out (cap bytes, at most EXPANDED_PATH_CAPACITY
// used): first %NAME% (a value holding %OTHER% is expanded in turn; "%%"
// is one '%', a '%' without a name after it stays as it is), then a
// leading "shell:<name>" (case does not matter), then a leading ".\" or
// "..\" (or "." or "..") joined to the base folder, with "." and ".."
// resolved (".." stops at the root). Any other text stays as it is.
// Returns an ExpandResult; on failure out is empty.
int ExpandPath(const char *stored, const PathLookup *lookup, char *out, size_t cap);

// 1 when path needs ExpandPath's lookups to mean anything: it holds a
// '%', starts with "shell:" or with "." — so a plain path costs nothing.
int PathNeedsExpanding(const char *stored);

// The path to store for folder in a portable copy: relative to base (".\"
// or "..\" forms) when both are on the same drive letter, else folder
// itself. Writes at most cap bytes; returns 0 when it does not fit.
size_t PathRelativeToBase(const char *folder, const char *base, char *out, size_t cap);

// 1 for a path the platform would reach over the network by its form
// alone: "\\server\share" (and "//"), not the device namespaces.
int IsUncPath(const char *path);

// 1 when a and b name the same folder: case of ASCII letters and one
// trailing separator aside.
int SameFolder(const char *a, const char *b);
