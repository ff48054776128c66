#include "ini_write.h"
#include "ini.h"
#include "profile_section.h"
#include "textbuf.h"
#include "user_only.h"
#include "fresh_file.h"
#include <aclapi.h>
#include <string.h>

// The lock's name: the file's path without regard to ASCII case, hashed
// (FNV-1a), in the namespace of the user's session. Each byte is taken with
// bit 5 set, which folds the case of letters and makes a few other
// characters alike: names that collide only share a lock.
static void LockName(const char *path, char name[25])
{
    DWORD hash = 2166136261u;
    for (; *path; path++)
        hash = (hash ^ ((BYTE)*path | 0x20u)) * 16777619u;
    memcpy(name, "Local\\BrivaneIni", 16);
    // The hash's eight nibbles as the letters A to P.
    for (int i = 0; i < 8; i++, hash <<= 4)
        name[16 + i] = (char)('A' + (hash >> 28));
    name[24] = '\0';
}

// Room on the disk for the change. The profile functions of some platforms
// (Wine's among them) do not report a write cut short, so a disk that
// could not take the copy's rewrite with a margin is refused before the
// copy is changed; the copy itself fails cleanly on a full disk.
static BOOL RoomFor(char *path)
{
    // The folder is asked for: path cut after its last backslash, and
    // made whole again.
    char *end = path;
    while (*end)
        end++;
    while (end > path && end[-1] != '\\')
        end--;
    char kept = *end;
    *end = '\0';
    ULARGE_INTEGER room;
    BOOL ok = !GetDiskFreeSpaceExA(path, &room, NULL, NULL) || room.QuadPart >= 1024 * 1024;
    *end = kept;
    return ok;
}

// The original's permissions on the copy: the rename puts the copy in the
// file's place, and a file the user kept to themselves (or shared) stays
// so. A file whose permissions can be read but not given is not replaced.
static BOOL SamePermissions(HANDLE original, HANDLE copy)
{
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    if (GetSecurityInfo(original, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, &dacl, NULL, &sd) !=
        ERROR_SUCCESS)
        return TRUE;   // a volume without permissions: nothing to keep
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL ok = TRUE;
    if (dacl && GetSecurityDescriptorControl(sd, &control, &revision)) {
        SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION |
                                    ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                   : UNPROTECTED_DACL_SECURITY_INFORMATION);
        ok = SetSecurityInfo(copy, SE_FILE_OBJECT, what, NULL, NULL, dacl, NULL) == ERROR_SUCCESS;
    }
    LocalFree(sd);
    return ok;
}

// The original's bytes into the copy, through both handles.
static BOOL CopyBytes(HANDLE from, HANDLE to)
{
    char chunk[4096];
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(from, chunk, sizeof(chunk), &got, NULL))
            return FALSE;
        if (got == 0)
            return TRUE;
        if (!WriteFile(to, chunk, got, &written, NULL) || written != got)
            return FALSE;
    }
}

// Under the lock: the copy made, changed and put in the file's place. The
// file itself is only ever renamed over, so a writer that dies or a disk
// that fills up leaves the old file or the new one whole.
static int ChangeCopy(const char *file, char *temp, IniChange change, void *context)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(file, &found);
    BOOL exists = find != INVALID_HANDLE_VALUE;
    if (exists)
        FindClose(find);
    // A read-only file stays so. A link (a reparse point that names another
    // file: symbolic link, junction) is refused: the rename would put a
    // file of its own in the link's place, and the file it leads to would
    // no longer get the changes. Other reparse points (files a cloud
    // service keeps, say) are files like any other.
    if (exists ? (found.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ||
                     ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                      IsReparseTagNameSurrogate(found.dwReserved0))
               : GetLastError() != ERROR_FILE_NOT_FOUND)
        return INI_FAILED;
    // The file read through a handle of its own, which must show one name:
    // a hard link's other names would keep the old text after the rename.
    // A file held open exclusively elsewhere cannot be read: the file is
    // then left as it is.
    HANDLE original = INVALID_HANDLE_VALUE;
    BY_HANDLE_FILE_INFORMATION info;
    if (exists) {
        original = CreateFileA(file, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (original == INVALID_HANDLE_VALUE)
            return INI_FAILED;
        if (!GetFileInformationByHandle(original, &info) || info.nNumberOfLinks != 1 ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            CloseHandle(original);
            return INI_FAILED;
        }
    }
    // A copy an interrupted writer left behind goes first; the copy is made
    // new in the checked folder, filled through its handle, and changed by
    // name (some changes open it exclusively); the rename takes it only
    // when the name still leads to the file made.
    FreshFile copy;
    BOOL made = FreshFileCreate(&copy, temp);
    BOOL filled = made && (!exists || (CopyBytes(original, copy.file) && SamePermissions(original, copy.file)));
    if (original != INVALID_HANDLE_VALUE)
        CloseHandle(original);
    if (!made)
        return INI_FAILED;
    int result = INI_FAILED;
    FreshFileLetGo(&copy);
    if (filled && RoomFor(temp)) {
        result = change(temp, context);
        // The profile functions may hold the copy in a cache: written out
        // and dropped, so that the next copy of this name is read afresh.
        WritePrivateProfileStringA(NULL, NULL, NULL, temp);
    }
    if (result == INI_WRITTEN) {
        if (!FreshFileReplace(&copy, file))
            result = INI_FAILED;
    } else {
        FreshFileDiscard(&copy);
    }
    return result;
}

int IniLockedWithin(const char *file, DWORD waitMs, IniWork work, void *context)
{
    char name[25];
    if (!file[0])
        return INI_FAILED;
    LockName(file, name);
    // Only this user's programs may open it, and none below medium
    // integrity may create, open, wait on or release it: the label
    // withholds reading (SYNCHRONIZE among it), writing and execution.
    PSECURITY_DESCRIPTOR sd = NewUserOnlyDescriptor("NWNRNX", "ME");
    if (!sd)
        return INI_FAILED;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), sd, FALSE };
    HANDLE lock = CreateMutexA(&sa, FALSE, name);
    DWORD error = GetLastError();
    LocalFree(sd);
    if (!lock)
        return INI_FAILED;
    // A lock made first by somebody else is theirs to hold for ever: not
    // waited on, nothing written.
    if (error == ERROR_ALREADY_EXISTS && !OwnedByCurrentUser(lock)) {
        CloseHandle(lock);
        return INI_FAILED;
    }
    int result = INI_BUSY;
    // WAIT_OBJECT_0 or WAIT_ABANDONED: the lock is this writer's.
    if ((WaitForSingleObject(lock, waitMs) & ~WAIT_ABANDONED) == WAIT_OBJECT_0) {
        result = work(context);
        ReleaseMutex(lock);
    }
    CloseHandle(lock);
    return result;
}

int IniLocked(const char *file, IniWork work, void *context)
{
    return IniLockedWithin(file, INI_LOCK_WAIT_MS, work, context);
}

struct CopyWork {
    const char *file;
    char temp[MAX_PATH];
    IniChange change;
    void *context;
};

static int ChangeCopyWork(void *context)
{
    CopyWork *w = (CopyWork *)context;
    return ChangeCopy(w->file, w->temp, w->change, w->context);
}

int IniUpdate(IniChange change, void *context)
{
    ConfigPath config;
    CopyWork work = { config.text, "", change, context };
    // The copy's name, "<file>.new", must fit the ANSI functions' limit too.
    size_t len = BufSet(work.temp, COUNTOF(work.temp) - 4, config.text);
    if (!len || config.text[len])
        return INI_FAILED;
    memcpy(work.temp + len, ".new", 5);
    return IniLocked(config.text, ChangeCopyWork, &work);
}

int IniChangeSection(const char *file, void *update)
{
    const IniSectionUpdate *u = (const IniSectionUpdate *)update;
    SectionLines now, out;
    SectionLinesInit(&now);
    SectionLinesInit(&out);
    int result = INI_FAILED;
    // A section read only in part is never written back.
    if (IniReadSectionFrom(file, u->section, &now)) {
        result = u->change(&now, &out, u->context);
        if (result == INI_WRITTEN &&
            (out.failed || !WritePrivateProfileSectionA(u->to ? u->to : u->section, SectionLinesText(&out), file)))
            result = INI_FAILED;
    }
    SectionLinesFree(&out);
    SectionLinesFree(&now);
    return result;
}

int IniUpdateSection(const char *section, IniSectionChange change, void *context)
{
    IniSectionUpdate u = { section, change, context, NULL };
    return IniUpdate(IniChangeSection, &u);
}

int IniRefused(HWND owner, int result)
{
    // Another writer stuck, or a file held open by another program: both
    // may pass, so the user may try again.
    return result < 0 &&
           MessageBoxA(owner,
                       "The configuration file is in use by another program, read-only or a link, "
                       "or the disk is full. Nothing was saved.\n\nTry again?",
                       "Brivane - not saved", MB_ICONWARNING | MB_RETRYCANCEL) == IDRETRY;
}
