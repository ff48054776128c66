// Favourites' paths where they are used, and folders that may be probed.
#pragma once
#include <windows.h>

// The path a stored favourite names now (core/path_expand.h: variables,
// known folders, paths relative to the configuration file's folder) into
// out (MAX_PATH). FALSE, with out empty, when it cannot be expanded.
BOOL ExpandFavouritePath(const char *stored, char *out);

// Whether the configuration file lies beside the module: a portable copy.
BOOL IsPortableCopy();

// The drives' types as asked once: asking costs about half a millisecond
// under Wine, so a menu asks once per drive letter. Zero-initialise.
struct DriveTypes {
    UINT type[26];   // GetDriveType + 1; 0 until asked
};

// Whether path lies on the network (a UNC path or a mapped network drive):
// such a folder is never probed while a menu is built, as an unreachable
// server would hold the dialog for many seconds.
BOOL IsNetworkPath(const char *path, DriveTypes *drives);

// Whether path is an existing folder; a network path counts as one unprobed.
BOOL FolderShownExists(const char *path, DriveTypes *drives);
