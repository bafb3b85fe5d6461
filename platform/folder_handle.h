// Folders held open by handle, and everything done inside them done through
// that handle.
//
// A folder is held by a handle opened on its own entry (a link is opened as
// the link, not followed) without sharing deletion, so that it can be
// neither renamed nor removed while it is held. Its children are then
// opened, created, renamed and deleted one name at a time relative to the
// held handle, never by a path: a folder turned into a link, or swapped
// for one, after it was checked cannot send any of this elsewhere. Each
// child is checked on its own handle before it is used: it must not be a
// link, and the system must name it as the held folder's child. Names are
// single path components in the ANSI code page (or UTF-16 with their length
// in bytes); no heap, no path longer than the callers' buffers of kPathSize bytes (path_text.h).
#ifndef PLATFORM_FOLDER_HANDLE_H
#define PLATFORM_FOLDER_HANDLE_H

#include <windows.h>
#include <stdint.h>

enum HeldEntry {
    kEntryIsLink = -1,    // a link to another place, or not the child it was named as: not used
    kEntryUnusable = 0,   // missing, of the wrong kind, or the system refused
    kEntryHeld = 1        // opened and checked
};

// 1 when an entry with these attributes leads elsewhere: a reparse point
// whose tag is a name surrogate (junction, symbolic link and the like) or
// unknown (0). Other reparse points (files compressed by the system,
// deduplicated files, cloud placeholders) are the entries themselves.
int32_t ReparseLeadsElsewhere(uint32_t attributes, uint32_t tag);

// Holds the folder named by a full path (with or without a final
// backslash), the place a user or the registry named; access adds rights
// (DELETE, to remove it later). A HeldEntry value; *folder is open only on
// kEntryHeld.
int32_t HoldFolder(const char *path, uint32_t access, HANDLE *folder);

// Holds the folder that the user's own shell folder path (Programs,
// Desktop) leads to: the path itself may be a link, as the user or the
// system made it (Wine links the desktop into the Unix home; Windows users
// redirect profile folders with junctions), and only the user can change
// it. The folder reached is held like any other, and nothing below it is
// followed. A HeldEntry value; *folder is open only on kEntryHeld.
int32_t HoldShellFolder(const char *path, HANDLE *folder);

// Holds the child folder name of parent, creating it when create is
// non-zero and it is missing.
int32_t HoldChildFolder(HANDLE parent, const char *name, int32_t create, uint32_t access, HANDLE *folder);
int32_t HoldChildFolderW(HANDLE parent, const WCHAR *name, uint32_t nameBytes, int32_t create,
                         uint32_t access, HANDLE *folder);

// Creates the child folder name of parent, which must not exist yet (a link
// or anything else at the name fails it), and holds it by the handle the
// creation returned. kEntryHeld when created.
int32_t CreateChildFolder(HANDLE parent, const char *name, uint32_t access, HANDLE *folder);

// Opens the entry name of parent with access, unchecked: the link itself when
// follow is 0 (to read its owner), the folder it leads to when follow is 1.
// kEntryHeld when opened.
int32_t OpenChildEntry(HANDLE parent, const char *name, uint32_t access, int32_t follow, HANDLE *entry);

// Opens the file name of parent for reading, sharing reading only (nobody
// may write, rename or delete it while it is open), checked as a held
// folder's child is. A HeldEntry value; *file is open only on kEntryHeld.
int32_t OpenChildFile(HANDLE parent, const char *name, HANDLE *file);

// The security descriptor every file and folder created through this layer
// gets from now on, given explicitly at its creation rather than inherited
// from its folder; null gives the inherited rights again.
void SetNewEntrySecurity(void *descriptor);

// Creates name in parent as a new file open for writing without sharing.
// Whatever is at the name already is removed first unless it is a plain
// folder: a file, another name of a file (hard link), or any reparse point
// (the link itself, never what it points to). A HeldEntry value; *file is
// open only on kEntryHeld.
int32_t CreateChildFile(HANDLE parent, const char *name, HANDLE *file);

// Removes the entry name of parent unless it is a plain folder, as above.
// 1 when removed.
int32_t DeleteChild(HANDLE parent, const char *name);
int32_t DeleteChildW(HANDLE parent, const WCHAR *name, uint32_t nameBytes);

// Renames the child folder name of parent to newName in the same folder,
// through the child's own handle; an existing newName is never replaced.
// kEntryHeld when renamed.
int32_t RenameChildFolder(HANDLE parent, const char *name, const char *newName);

// Marks a folder held with DELETE access for removal when its handle is
// closed; refused while it holds anything. 1 when marked.
int32_t RemoveHeldFolder(HANDLE folder);

// Closes a held folder or file; an invalid handle is passed over.
void ReleaseHandle(HANDLE handle);

// What tells one file or folder from every other: its volume and its file
// index there.
struct EntryIdentity {
    uint32_t volume;
    uint32_t indexHigh;
    uint32_t indexLow;
};

// Reads the identity of what handle holds.
// Returns:
//   1 - read into *identity
//   0 - not readable; *identity is all zero
int32_t ReadEntryIdentity(HANDLE handle, EntryIdentity *identity);

// Whether two identities read by ReadEntryIdentity are the same entry's.
int32_t SameEntry(const EntryIdentity *a, const EntryIdentity *b);

#endif
