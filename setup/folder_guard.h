// Folders held open while the installer works in them, so that none of them
// is a link (junction, symbolic link, mount point) and none can be swapped
// for one meanwhile.
//
// A folder is held by a handle opened on the folder's own entry (a link is
// opened as the link, not followed) without sharing deletion: as long as the
// handle is open, nobody can rename, remove or replace the folder, so a path
// through held folders keeps naming the folders that were checked. The held
// handles form one stack of fixed size; callers note the depth before they
// hold and release back to it when their work is done.
#ifndef SETUP_FOLDER_GUARD_H
#define SETUP_FOLDER_GUARD_H

#include <stdint.h>

enum FolderHold {
    kFolderIsLink = -1,     // the folder's entry is a reparse point: not used
    kFolderUnusable = 0,    // missing, not a folder, cannot be opened, or the stack is full
    kFolderHeld = 1         // a plain folder, now held
};

// Holds the folder at path (with or without a final backslash) on top of the
// stack. Returns a FolderHold value; only kFolderHeld adds to the stack.
int32_t FolderGuardHold(const char *path);

// The number of folders held now.
int32_t FolderGuardDepth(void);

// Closes the handles held above depth, the most recent first.
void FolderGuardRelease(int32_t depth);

// Renames the folder at path to newPath (a full path on the same volume;
// an existing newPath is never replaced), by a handle on the folder's own
// entry, so that the folder checked is the folder renamed. Returns
// kFolderHeld when renamed, kFolderIsLink for a link (left alone) and
// kFolderUnusable when it is missing or the rename fails.
int32_t FolderGuardMove(const char *path, const char *newPath);

// 1 when the entry at path (file or folder) is itself a reparse point.
int32_t PathIsLink(const char *path);

#endif
