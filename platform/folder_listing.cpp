// Reading the entries of a held folder through its handle.
#include "folder_listing.h"

enum {
    kMaxFailedReads = 8
};   // reads in a row that fail for another reason than the end

void StartFolderListing(FolderListing *listing, HANDLE folder)
{
    listing->folder = folder;
    listing->next = 0;
    listing->started = 0;
    listing->failedReads = 0;
}

const FILE_ID_BOTH_DIR_INFO *NextFolderEntry(FolderListing *listing)
{
    BYTE *bytes = (BYTE *)listing->buffer;
    if (listing->next == 0) {
        for (;;) {
            const FILE_INFO_BY_HANDLE_CLASS kind =
                listing->started ? FileIdBothDirectoryInfo : FileIdBothDirectoryRestartInfo;
            if (GetFileInformationByHandleEx(listing->folder, kind, listing->buffer, sizeof listing->buffer))
                break;
            if (GetLastError() == ERROR_NO_MORE_FILES || ++listing->failedReads >= kMaxFailedReads)
                return NULL;
        }
        listing->started = 1;
        listing->failedReads = 0;
    }
    const FILE_ID_BOTH_DIR_INFO *entry = (const FILE_ID_BOTH_DIR_INFO *)(bytes + listing->next);
    listing->next = entry->NextEntryOffset == 0 ? 0 : listing->next + entry->NextEntryOffset;
    return entry;
}
