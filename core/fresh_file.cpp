#include "fresh_file.h"
#include "textbuf.h"
#include "user_only.h"
#include <string.h>

// The native calls that take a folder handle and a name in it. They live
// in ntdll, which every process has loaded; looked up, not imported.
namespace {

struct NtName {
    USHORT length, maximumLength;
    PWSTR buffer;
};

struct NtAttributes {
    ULONG length;
    HANDLE rootDirectory;
    NtName *objectName;
    ULONG attributes;
    void *securityDescriptor;
    void *securityQualityOfService;
};

struct NtIoStatus {
    union {
        LONG status;
        void *pointer;
    };
    ULONG_PTR information;
};

struct NtRenameInfo {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[MAX_PATH];
};

typedef LONG (WINAPI *NtCreateFileFn)(HANDLE *, ACCESS_MASK, NtAttributes *, NtIoStatus *, LARGE_INTEGER *, ULONG,
                                      ULONG, ULONG, ULONG, void *, ULONG);
typedef LONG (WINAPI *NtSetInformationFileFn)(HANDLE, NtIoStatus *, void *, ULONG, int);

enum {
    NT_FILE_OPEN = 1,
    NT_FILE_CREATE = 2,
    NT_SYNCHRONOUS_IO = 0x20,          // FILE_SYNCHRONOUS_IO_NONALERT
    NT_NON_DIRECTORY = 0x40,           // FILE_NON_DIRECTORY_FILE
    NT_DELETE_ON_CLOSE = 0x1000,       // FILE_DELETE_ON_CLOSE
    NT_OPEN_REPARSE_POINT = 0x200000,  // FILE_OPEN_REPARSE_POINT
    NT_CASE_INSENSITIVE = 0x40,        // OBJ_CASE_INSENSITIVE
    NT_FILE_RENAME_INFORMATION = 10,
};

const LONG NT_NAME_NOT_FOUND = (LONG)0xC0000034;

NtCreateFileFn NtCreate()
{
    return (NtCreateFileFn)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateFile");
}

} // namespace

// The last part of path as wide text; FALSE when there is none or it does
// not fit.
static BOOL LeafName(const char *path, wchar_t *out, int cap)
{
    const char *leaf = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            leaf = p + 1;
    if (!*leaf)
        return FALSE;
    int n = MultiByteToWideChar(CP_ACP, 0, leaf, -1, out, cap);
    return n > 1;
}

// Opens name in folder as the native call does, without following a link.
static HANDLE OpenIn(HANDLE folder, const wchar_t *name, ACCESS_MASK access, ULONG share, ULONG disposition,
                     ULONG options, LONG *status)
{
    NtCreateFileFn create = NtCreate();
    *status = -1;
    if (!create)
        return INVALID_HANDLE_VALUE;
    NtName text;
    text.length = text.maximumLength = (USHORT)(lstrlenW(name) * sizeof(wchar_t));
    text.buffer = (PWSTR)name;
    NtAttributes attributes = { sizeof(attributes), folder, &text, NT_CASE_INSENSITIVE, NULL, NULL };
    NtIoStatus io = {};
    HANDLE file = NULL;
    *status = create(&file, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL, share, disposition,
                     options | NT_SYNCHRONOUS_IO | NT_NON_DIRECTORY | NT_OPEN_REPARSE_POINT, NULL, 0);
    return *status >= 0 && file ? file : INVALID_HANDLE_VALUE;
}

// TRUE when the volume of the handle keeps owners and permissions at all.
static BOOL VolumeKeepsOwners(HANDLE handle)
{
    typedef BOOL (WINAPI *VolumeInfoFn)(HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    VolumeInfoFn info = (VolumeInfoFn)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                     "GetVolumeInformationByHandleW");
    DWORD flags = 0;
    if (!info || !info(handle, NULL, 0, NULL, NULL, &flags, NULL, 0))
        return TRUE;   // not known: assume it does, and ask for the owner
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

// TRUE for a folder of a network share: a UNC path or a mapped drive.
static BOOL OnShare(const char *folder)
{
    if ((folder[0] == '\\' || folder[0] == '/') && (folder[1] == '\\' || folder[1] == '/'))
        return TRUE;
    char root[4] = { folder[0], ':', '\\', '\0' };
    return folder[1] == ':' && GetDriveTypeA(root) == DRIVE_REMOTE;
}

HANDLE OpenCheckedFolder(const char *path)
{
    char folder[MAX_PATH];
    size_t end = 0, cut = 0;
    for (; path[end]; end++)
        if (path[end] == '\\' || path[end] == '/')
            cut = end;
    if (cut == 0 || cut >= COUNTOF(folder))
        return INVALID_HANDLE_VALUE;
    memcpy(folder, path, cut);
    // A drive's root keeps its backslash: "C:" alone is a current folder.
    folder[cut] = '\0';
    if (cut == 2 && folder[1] == ':') {
        folder[2] = '\\';
        folder[3] = '\0';
    }
    HANDLE dir = CreateFileA(folder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (dir == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    // A junction or a link in the folder's place would lead the writes
    // anywhere (to an object directory, say): the folder itself is opened,
    // and it must be a folder that is nothing else.
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(dir, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
              !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    // Another user's folder is theirs to change under us. A share's owners
    // are the server's to map (and its links the server's to follow): only
    // local folders are asked.
    if (ok && !OnShare(folder) && VolumeKeepsOwners(dir))
        ok = OwnedByCurrentUser(dir);
    if (!ok) {
        CloseHandle(dir);
        return INVALID_HANDLE_VALUE;
    }
    return dir;
}

// A plain file with one name: no reparse point, no hard link.
static BOOL SingleFile(HANDLE file, BY_HANDLE_FILE_INFORMATION *info)
{
    return GetFileInformationByHandle(file, info) && info->nNumberOfLinks == 1 &&
           !(info->dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
}

static BOOL DeleteName(HANDLE folder, const wchar_t *name)
{
    LONG status;
    HANDLE old = OpenIn(folder, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NT_FILE_OPEN,
                        NT_DELETE_ON_CLOSE, &status);
    if (old == INVALID_HANDLE_VALUE)
        return status == NT_NAME_NOT_FOUND;
    CloseHandle(old);
    return TRUE;
}

BOOL FreshFileCreate(FreshFile *f, const char *path)
{
    f->file = INVALID_HANDLE_VALUE;
    f->folder = OpenCheckedFolder(path);
    if (f->folder == INVALID_HANDLE_VALUE)
        return FALSE;
    LONG status;
    BY_HANDLE_FILE_INFORMATION info;
    if (LeafName(path, f->name, COUNTOF(f->name)) && DeleteName(f->folder, f->name)) {
        // Made new: a name taken again meanwhile is an error, not a file
        // to open.
        f->file = OpenIn(f->folder, f->name, GENERIC_READ | GENERIC_WRITE | READ_CONTROL | WRITE_DAC,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NT_FILE_CREATE, 0, &status);
        if (f->file != INVALID_HANDLE_VALUE) {
            if (SingleFile(f->file, &info)) {
                f->volume = info.dwVolumeSerialNumber;
                f->indexHigh = info.nFileIndexHigh;
                f->indexLow = info.nFileIndexLow;
                return TRUE;
            }
            // Not what was made (a name that something else took at once):
            // left alone, never deleted through.
            CloseHandle(f->file);
            f->file = INVALID_HANDLE_VALUE;
        }
    }
    CloseHandle(f->folder);
    f->folder = INVALID_HANDLE_VALUE;
    return FALSE;
}

// The file created, opened again with the rights to rename or delete it;
// INVALID_HANDLE_VALUE when the name no longer leads to that very file.
static HANDLE Reopen(FreshFile *f, ACCESS_MASK access)
{
    if (f->file != INVALID_HANDLE_VALUE) {
        CloseHandle(f->file);
        f->file = INVALID_HANDLE_VALUE;
    }
    LONG status;
    HANDLE file = OpenIn(f->folder, f->name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NT_FILE_OPEN, 0, &status);
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE &&
        !(SingleFile(file, &info) && info.dwVolumeSerialNumber == f->volume && info.nFileIndexHigh == f->indexHigh &&
          info.nFileIndexLow == f->indexLow)) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    return file;
}

void FreshFileLetGo(FreshFile *f)
{
    if (f->file != INVALID_HANDLE_VALUE)
        CloseHandle(f->file);
    f->file = INVALID_HANDLE_VALUE;
}

static void CloseFolder(FreshFile *f)
{
    if (f->folder != INVALID_HANDLE_VALUE)
        CloseHandle(f->folder);
    f->folder = INVALID_HANDLE_VALUE;
}

BOOL FreshFileReplace(FreshFile *f, const char *target)
{
    NtSetInformationFileFn set =
        (NtSetInformationFileFn)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetInformationFile");
    NtRenameInfo rename = {};
    BOOL ok = FALSE;
    HANDLE file = Reopen(f, DELETE | GENERIC_WRITE | FILE_READ_ATTRIBUTES);
    if (file != INVALID_HANDLE_VALUE) {
        rename.replaceIfExists = TRUE;
        rename.rootDirectory = f->folder;
        if (set && LeafName(target, rename.fileName, COUNTOF(rename.fileName)) && FlushFileBuffers(file)) {
            rename.fileNameLength = (ULONG)(lstrlenW(rename.fileName) * sizeof(wchar_t));
            NtIoStatus io = {};
            ok = set(file, &io, &rename, sizeof(rename), NT_FILE_RENAME_INFORMATION) >= 0;
        }
        CloseHandle(file);
    }
    if (!ok)
        DeleteName(f->folder, f->name);
    CloseFolder(f);
    return ok;
}

void FreshFileDiscard(FreshFile *f)
{
    HANDLE file = Reopen(f, DELETE);
    if (file != INVALID_HANDLE_VALUE) {
        // Deleted through the handle of the very file made.
        FILE_DISPOSITION_INFO gone = { TRUE };
        SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof(gone));
        CloseHandle(file);
    }
    CloseFolder(f);
}

BOOL DeleteInCheckedFolder(const char *path)
{
    HANDLE folder = OpenCheckedFolder(path);
    wchar_t name[MAX_PATH];
    BOOL ok = folder != INVALID_HANDLE_VALUE && LeafName(path, name, COUNTOF(name)) && DeleteName(folder, name);
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    return ok;
}

HANDLE OpenSingleFile(const char *path, DWORD access)
{
    HANDLE file = CreateFileA(path, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE && !SingleFile(file, &info)) {
        CloseHandle(file);
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}
