// Reading the entries of a held folder through its handle, a buffer at a
// time, without a path and without the heap.
#ifndef PLATFORM_FOLDER_LISTING_H
#define PLATFORM_FOLDER_LISTING_H

#include <windows.h>
#include <stdint.h>

enum {
    kListingBufferBytes = 1024
};   // holds at least one entry of the longest name (614 bytes)

struct FolderListing {
    HANDLE folder;
    uint32_t next;   // offset of the next entry in the buffer; 0: read more
    int32_t started;
    uint32_t failedReads;
    DWORD buffer[kListingBufferBytes / sizeof(DWORD)];
};

// Starts a listing of a held folder.
void StartFolderListing(FolderListing *listing, HANDLE folder);

// The next entry (the entries "." and ".." included), or null at the end of
// the listing or when reading fails repeatedly. The entry stays valid until
// the next call; its attributes hold its reparse tag in EaSize when it is a
// reparse point.
const FILE_ID_BOTH_DIR_INFO *NextFolderEntry(FolderListing *listing);

#endif
