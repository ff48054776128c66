// Bounded text copies and path checks; portable, no platform headers.
#pragma once
#include <stddef.h>

// Copies src into dst of capacity cap characters (NUL included), always
// terminating. Returns the number of characters written without the NUL;
// does nothing and returns 0 when cap is 0.
size_t BufSet(char *dst, size_t cap, const char *src);

// As BufSet, but copies at most n characters of src.
size_t BufSetN(char *dst, size_t cap, const char *src, size_t n);

// dst = a followed by b, only when the whole of it fits into cap characters
// (NUL included). A join that would be cut is a different path, so it is
// refused: dst is then empty (when cap > 0) and the result false. a may be
// dst itself.
bool BufJoin(char *dst, size_t cap, const char *a, const char *b);

// True when path names a file by itself, wherever the process stands:
// "X:\..." or "\\server\share\..." ('/' counts as '\'), shorter than limit
// characters, with no ':' after the drive's. Relative names ("a.ini"),
// rooted ones without a drive ("\a.ini"), drive-relative ones ("C:a.ini")
// and the device namespaces ("\\?\", "\\.\") are not: each would make the
// file depend on the current folder, or reach past the file system.
bool IsFullyQualifiedPath(const char *path, size_t limit);

// The name of a file kept beside the configuration file config: config
// with the extension of its last part (from its last '.') replaced by
// extension (".recent", ".hidden"), into dst of capacity cap. Refused
// (false, dst empty when cap > 0) when it does not fit, and when it would
// be config itself, ASCII case aside (a configuration file named
// "a.recent"): the list's writes would replace the configuration.
bool BesideName(char *dst, size_t cap, const char *config, const char *extension);

// The longest "<configuration file>" for which every name kept beside it
// fits MAX_PATH (260 characters with the NUL): the copy "<file>.new" and
// the lists' copies "<stem>.recent.new" and "<stem>.hidden.new".
bool BesideNamesFit(const char *config, size_t cap);

#define COUNTOF(a) (sizeof(a) / sizeof((a)[0]))
