// Deleting the files of a directory tree and removing its emptied folders.
#ifndef EXISTING_CLEAR_DIRECTORY_H
#define EXISTING_CLEAR_DIRECTORY_H

#include <windows.h>
#include <stdint.h>

// Clears path: deletes every file below it except those named keepName (may
// be null), removes emptied sub-directories, and path itself when removeTop
// is non-zero. 1 when path can't be entered, 0 when it can't be listed,
// otherwise 1. The current directory is left as it is.
int32_t ClearDirectory(const char *path, const char *keepName, int32_t removeTop);

// Worker: clears the held folder whose full path is pathLength characters
// long, through its handle; sub-folders whose full path would pass 259
// characters are passed over. 0 when the folder can't be listed, else 1.
int32_t ClearDirectoryTree(HANDLE folder, const char *keepName, int32_t pathLength);

// The last occurrence of ch in text, or null.
char *FindLastChar(char *text, char ch);

#endif
