// Deleting the files of a directory tree and removing its emptied folders.
//
// The tree is walked through held folders (folder_handle.h): each folder is
// listed through its handle, its files are deleted and its sub-folders
// opened one name at a time relative to it, and a sub-folder is removed
// through its own handle once it has been cleared. No path is resolved
// after the top folder is held, so nothing the walk deletes can lie outside
// the tree, even if a folder of it is replaced by a link meanwhile. Folders
// that are links (junctions, symbolic links) are passed over: never
// entered, never removed.
#include "clear_directory.h"
#include "folder_handle.h"
#include "folder_listing.h"
#include "path_text.h"

// 1 when the listed name equals keepName (letter case matters).
static int32_t IsKeptName(const FILE_ID_BOTH_DIR_INFO *entry, const WCHAR *keepName, uint32_t keepBytes)
{
    if (keepBytes != entry->FileNameLength)
        return 0;
    for (uint32_t i = 0; i < keepBytes / sizeof(WCHAR); ++i)
        if (entry->FileName[i] != keepName[i])
            return 0;
    return 1;
}

// Clears and removes the sub-folder that entry names in folder.
static void ClearSubDirectory(HANDLE folder, const FILE_ID_BOTH_DIR_INFO *entry, const char *keepName,
                              int32_t childLength)
{
    // A link as listed (its reparse tag is where the extended attributes'
    // size would be) is passed over at once; any other folder is checked on
    // its own handle, which is what decides.
    if (ReparseLeadsElsewhere(entry->FileAttributes, entry->EaSize) || childLength >= kPathSize)
        return;
    HANDLE child;
    if (HoldChildFolderW(folder, entry->FileName, entry->FileNameLength, 0, DELETE, &child) != kEntryHeld)
        return;
    ClearDirectoryTree(child, keepName, childLength);
    RemoveHeldFolder(child);   // fails, harmlessly, for a folder that keeps something
    CloseHandle(child);
}

int32_t ClearDirectoryTree(HANDLE folder, const char *keepName, int32_t pathLength)
{
    WCHAR keep[kPathSize];
    uint32_t keepBytes = 0;
    if (keepName != NULL) {
        int units = MultiByteToWideChar(CP_ACP, 0, keepName, -1, keep, kPathSize);
        keepBytes = units > 1 ? (uint32_t)(units - 1) * sizeof(WCHAR) : 0;
    }
    FolderListing listing;
    StartFolderListing(&listing, folder);
    const FILE_ID_BOTH_DIR_INFO *entry = NextFolderEntry(&listing);
    if (entry == NULL)
        return GetLastError() == ERROR_NO_MORE_FILES;
    for (; entry != NULL; entry = NextFolderEntry(&listing)) {
        if (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // ".", ".." and every other folder whose name begins with a dot stay.
            if (entry->FileName[0] != L'.')
                ClearSubDirectory(folder, entry, keepName,
                                  pathLength + 1 + (int32_t)(entry->FileNameLength / sizeof(WCHAR)));
        } else if (keepName == NULL || !IsKeptName(entry, keep, keepBytes)) {
            DeleteChildW(folder, entry->FileName, entry->FileNameLength);
        }
    }
    return 1;
}

int32_t ClearDirectory(const char *path, const char *keepName, int32_t removeTop)
{
    // A top directory that is a reparse point is passed over: its contents
    // belong to whatever it points to.
    HANDLE folder;
    if (HoldFolder(path, removeTop ? DELETE : 0, &folder) != kEntryHeld)
        return 1;
    int32_t listed = ClearDirectoryTree(folder, keepName, PathPrefixLength(path) - 1);
    if (listed && removeTop)
        RemoveHeldFolder(folder);
    CloseHandle(folder);
    return listed;
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
