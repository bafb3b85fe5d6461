// A folder named by a full path, reached from its volume's root one folder
// at a time, every folder on the way held.
//
// Holding only the last folder leaves the path above it to whoever may
// rename or relink a folder there: a name resolved twice may lead to two
// places. Here the path is resolved once: the root is opened, and each
// folder below it is opened relative to the one above (folder_handle.h) and
// held, without sharing deletion, until the chain is let go, so that none
// of them can be renamed or removed meanwhile. A link on the way is
// followed only when an administrator or the system made it (its owner is
// Administrators, SYSTEM or TrustedInstaller, as for the redirected folders
// of the system itself); any other stops the walk.
#ifndef PLATFORM_FOLDER_CHAIN_H
#define PLATFORM_FOLDER_CHAIN_H

#include <windows.h>
#include <stdint.h>

// The length of the root part of a full path: 3 for "X:\", the length up to
// and with the backslash after the share for "\\server\share\". 0 for
// anything else: relative paths, "X:" alone, device and "\\?\" paths.
int32_t PathRootLength(const char *path);

// Holds the chain from the root of path (a full path without a final
// backslash, or a root with one) down to the folder above its last
// component. *leaf points to the last component in path, or is null when
// path is a root itself; *parent is the chain's lowest folder (the root for
// a root), valid until ReleaseFolderChain. Returns:
//   kEntryHeld      every folder above the leaf held
//   kEntryIsLink    a link on the way that no administrator made
//   kEntryUnusable  a folder on the way missing, or not a folder
int32_t HoldFolderChain(const char *path, const char **leaf, HANDLE *parent);

// Lets go of every folder of the chain.
void ReleaseFolderChain(void);

// 1 when the entry open on handle (opened with READ_CONTROL) is owned by
// Administrators, SYSTEM or TrustedInstaller, else 0.
int32_t OwnedBySystem(HANDLE entry);

// 1 when the entry open on handle (opened with READ_CONTROL) is owned by
// Administrators, SYSTEM, TrustedInstaller or the account this program runs
// as, else 0 (also when the owner cannot be read): whether anyone else, who
// could have put files of theirs there, made it.
int32_t OwnedBySystemOrSelf(HANDLE entry);

#endif
