// Deleting the files of a directory tree and removing its emptied folders.
//
// The tree is walked through the process's current directory: each folder is
// entered, listed with "*.*", its files are deleted by their bare names, and
// the walk steps back out of a folder before removing it. Every folder of
// the walk is held (folder_guard.h) while it is cleared, so that the names
// deleted are names in the folder that was checked. Folders that are reparse
// points (junctions, symbolic links) are passed over: never entered, never
// removed, so the walk cannot reach, or remove, anything outside the tree.
#include "clear_directory.h"
#include "folder_guard.h"

enum {
    kClearPathSize = 260,
    kMaxFailedReads = 8   // consecutive failed reads before a listing is given up
};

// Records the current directory into buffer. 1 when it fits, else 0.
static int32_t RecordCurrentDirectory(char *buffer)
{
    DWORD length = GetCurrentDirectoryA(kClearPathSize, buffer);
    return length > 0 && length < kClearPathSize;
}

// Composes directory + backslash + name into full. 0 when the result would
// not fit the buffer (such a folder is passed over).
static int32_t ComposeChildPath(char *full, const char *directory, const char *name)
{
    int32_t dirLength = lstrlenA(directory);
    int32_t needsBackslash = dirLength == 0 || directory[dirLength - 1] != '\\';
    if (dirLength + needsBackslash + lstrlenA(name) >= kClearPathSize)
        return 0;
    lstrcpyA(full, directory);
    if (needsBackslash)
        lstrcatA(full, "\\");
    lstrcatA(full, name);
    return 1;
}

// Clears the sub-directory that entry names in the current directory, then
// removes it. A reparse point is passed over. Returns 0 when the walk could
// not return to the directory it started from, so that the caller stops
// deleting by bare names in what is no longer its directory.
static int32_t ClearSubDirectory(const WIN32_FIND_DATAA *entry, const char *keepName)
{
    char recorded[kClearPathSize];
    char full[kClearPathSize];
    if ((entry->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return 1;
    if (!RecordCurrentDirectory(recorded))
        return 1;
    if (!ComposeChildPath(full, recorded, entry->cFileName))
        return 1;

    const int32_t depth = FolderGuardDepth();
    const int32_t held = FolderGuardHold(full);
    if (held == kFolderIsLink)
        return 1;
    if (held == kFolderHeld && SetCurrentDirectoryA(full)) {
        WIN32_FIND_DATAA subEntry;
        HANDLE listing = FindFirstFileA("*.*", &subEntry);
        if (listing != INVALID_HANDLE_VALUE) {
            ClearDirectoryTree(listing, &subEntry, keepName);
            FindClose(listing);
        }
        if (!SetCurrentDirectoryA(recorded)) {
            FolderGuardRelease(depth);
            return 0;
        }
    }
    // Let go before the removal: a held folder cannot be removed.
    FolderGuardRelease(depth);
    RemoveDirectoryA(full);
    return 1;
}

void ClearDirectoryTree(HANDLE listing, WIN32_FIND_DATAA *entry, const char *keepName)
{
    int32_t failedReads = 0;
    for (;;) {
        if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // ".", ".." and every other folder whose name begins with a dot stay.
            if (entry->cFileName[0] != '.' && !ClearSubDirectory(entry, keepName))
                return;
        } else if (keepName == NULL || lstrcmpA(entry->cFileName, keepName) != 0) {
            DeleteFileA(entry->cFileName);
        }

        if (FindNextFileA(listing, entry)) {
            failedReads = 0;
            continue;
        }
        if (GetLastError() == ERROR_NO_MORE_FILES)
            return;
        // Another failure: the entry in hand is handled once more (harmless,
        // it is gone already) and the read retried, a bounded number of times.
        if (++failedReads >= kMaxFailedReads)
            return;
    }
}

int32_t ClearDirectory(const char *path, const char *keepName, int32_t removeTop)
{
    char recorded[kClearPathSize];
    if (!RecordCurrentDirectory(recorded))
        return 1;   // could not come back: do nothing

    // A top directory that is a reparse point is passed over: its contents
    // belong to whatever it points to.
    const int32_t depth = FolderGuardDepth();
    if (FolderGuardHold(path) != kFolderHeld || !SetCurrentDirectoryA(path)) {
        FolderGuardRelease(depth);
        return 1;
    }
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA("*.*", &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        SetCurrentDirectoryA(recorded);
        FolderGuardRelease(depth);
        return 0;
    }
    ClearDirectoryTree(listing, &entry, keepName);
    int32_t closed = FindClose(listing);
    SetCurrentDirectoryA(recorded);
    FolderGuardRelease(depth);
    if (removeTop)
        RemoveDirectoryA(path);
    return closed;
}

char *FindLastChar(char *text, char ch)
{
    char *p = text + lstrlenA(text);
    for (;;) {
        if (*p == ch)
            return p;
        if (p == text)
            return NULL;
        --p;
    }
}
