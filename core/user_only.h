// Security for the named objects that only this user's own programs may
// use: the shared block, and the host's instance mutex and request pipe.
#pragma once
#include <windows.h>

// A descriptor owned by the current user whose DACL grants access to that
// user and SYSTEM only (never everyone, never a NULL DACL), with a
// mandatory label of the given level ("LW" low, "ME" medium, "HI" high)
// and policy ("NW" no-write-up: programs below the level may read the
// object but not write it; "NWNR": neither; "NWNRNX": nor wait on it). NULL when it cannot be built. Free it with
// LocalFree.
PSECURITY_DESCRIPTOR NewUserOnlyDescriptor(const char *policy, const char *level);

// TRUE when the object's owner is the current user, or the owner this
// process gives the objects it creates (an elevated token's default owner
// is the Administrators group). FALSE when the owner cannot be read: the
// handle needs READ_CONTROL.
BOOL OwnedByCurrentUser(HANDLE object);

// The integrity level of this process (0x2000 medium, 0x3000 high); 0 where
// the system has none.
DWORD OwnIntegrityLevel();

// The level of the object's mandatory label; 0 when the system returns none
// (Wine keeps no labels) or it cannot be read (the handle needs
// READ_CONTROL).
DWORD LabelLevelOf(HANDLE object);
