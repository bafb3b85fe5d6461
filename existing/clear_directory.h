// Deleting the files of a directory tree and removing its emptied folders.
#ifndef EXISTING_CLEAR_DIRECTORY_H
#define EXISTING_CLEAR_DIRECTORY_H

#include <windows.h>
#include <stdint.h>

// Clears path: deletes every file below it except those named keepName (may
// be null), removes emptied sub-directories, and path itself when removeTop
// is non-zero. 1 when path can't be entered, 0 when it can't be listed,
// otherwise the result of closing the listing. The current directory is
// restored on every path.
int32_t ClearDirectory(const char *path, const char *keepName, int32_t removeTop);

// Worker: processes entry and every following entry of listing, which is an
// open search over the current directory.
void ClearDirectoryTree(HANDLE listing, WIN32_FIND_DATAA *entry, const char *keepName);

// The last occurrence of ch in text, or null.
char *FindLastChar(char *text, char ch);

#endif
