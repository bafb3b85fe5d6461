// Folders held open while the installer works in them; see folder_guard.h.
//
// Each folder is checked twice, on the same entry: by its attributes on the
// handle, which Windows opens on the link itself when asked to
// (FILE_FLAG_OPEN_REPARSE_POINT), and by the attributes of the entry as its
// parent lists it, asked only once the handle pins the entry. Wine follows a
// Unix symbolic link even when asked not to; there the second look is the
// one that sees the link.
#include <windows.h>

#include "folder_guard.h"

enum {
    kGuardCapacity = 192,   // deeper than any tree a 259-character path can name
    kGuardPathSize = 260
};

static HANDLE heldFolders[kGuardCapacity];
static int32_t heldCount;

// Copies path into entry without its final backslashes, so that a link is
// looked at as the link; a drive root ("c:\") keeps its backslash. 0 when
// the path is empty or does not fit.
static int32_t EntryName(char *entry, const char *path)
{
    int32_t length = lstrlenA(path);
    if (length == 0 || length >= kGuardPathSize)
        return 0;
    lstrcpyA(entry, path);
    while (length > 1 && entry[length - 1] == '\\' && entry[length - 2] != ':')
        entry[--length] = '\0';
    return 1;
}

int32_t PathIsLink(const char *path)
{
    char entry[kGuardPathSize];
    if (!EntryName(entry, path))
        return 0;
    DWORD attributes = GetFileAttributesA(entry);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Opens the folder's own entry with access, sharing reading and writing but
// not deletion, and checks that it is a plain folder. On kFolderHeld the
// open handle is in *folder; otherwise nothing stays open.
static int32_t OpenFolder(const char *path, DWORD access, HANDLE *folder)
{
    char entry[kGuardPathSize];
    *folder = INVALID_HANDLE_VALUE;
    if (!EntryName(entry, path))
        return kFolderUnusable;
    HANDLE opened = CreateFileA(entry, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        return PathIsLink(entry) ? kFolderIsLink : kFolderUnusable;

    BY_HANDLE_FILE_INFORMATION info;
    int32_t result = kFolderUnusable;
    if (GetFileInformationByHandle(opened, &info)) {
        DWORD listed = GetFileAttributesA(entry);
        if (((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) ||
            (listed != INVALID_FILE_ATTRIBUTES && (listed & FILE_ATTRIBUTE_REPARSE_POINT) != 0))
            result = kFolderIsLink;
        else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                 listed != INVALID_FILE_ATTRIBUTES && (listed & FILE_ATTRIBUTE_DIRECTORY) != 0)
            result = kFolderHeld;
    }
    if (result != kFolderHeld) {
        CloseHandle(opened);
        return result;
    }
    *folder = opened;
    return kFolderHeld;
}

int32_t FolderGuardHold(const char *path)
{
    if (heldCount >= kGuardCapacity)
        return kFolderUnusable;
    HANDLE folder;
    // Listing access makes the handle count in the sharing checks: a later
    // open that asks for deletion (any rename or removal) is refused.
    int32_t result = OpenFolder(path, FILE_LIST_DIRECTORY, &folder);
    if (result == kFolderHeld)
        heldFolders[heldCount++] = folder;
    return result;
}

int32_t FolderGuardDepth(void)
{
    return heldCount;
}

void FolderGuardRelease(int32_t depth)
{
    if (depth < 0)
        depth = 0;
    while (heldCount > depth)
        CloseHandle(heldFolders[--heldCount]);
}

int32_t FolderGuardMove(const char *path, const char *newPath)
{
    struct {
        FILE_RENAME_INFO info;
        WCHAR room[kGuardPathSize];
    } request;
    int32_t units = MultiByteToWideChar(CP_ACP, 0, newPath, -1, request.info.FileName, kGuardPathSize);
    if (units <= 1)
        return kFolderUnusable;
    HANDLE folder;
    int32_t result = OpenFolder(path, DELETE, &folder);
    if (result != kFolderHeld)
        return result;
    request.info.Flags = 0;   // never replace an existing newPath
    request.info.RootDirectory = NULL;
    request.info.FileNameLength = (DWORD)(units - 1) * sizeof(WCHAR);
    BOOL moved = SetFileInformationByHandle(folder, FileRenameInfo, &request, sizeof request);
    CloseHandle(folder);
    return moved ? kFolderHeld : kFolderUnusable;
}
