// Turning one payload record into one file below the install directory.
#ifndef PAYLOAD_EXTRACT_ENTRY_H
#define PAYLOAD_EXTRACT_ENTRY_H

#include <windows.h>
#include <stdint.h>

// Writes the record at offset below targetDir. Returns the offset of the next
// record (> 0), 0 at the end of the archive, -1 for an invalid record, an
// unsafe name or a path too long (nothing created) or for a path through a
// link (a folder of the record's path, or the file's own entry, is a
// reparse point), -2 when an lh5 record fails to decode or write, -5 when a
// stored record's write falls short (the partial file is deleted in both
// cases), -6 when a folder or the file can't be created. The record's
// folders are held (folder_guard.h) while its file is written; targetDir
// itself is the caller's to hold.
int32_t ExtractEntry(const uint8_t *archive, uint32_t offset, uint32_t size,
                     const char *targetDir);

// Writes length bytes at the file's current position under a byte-range
// lock, in pieces of at most 32,767 bytes. 1 when all were written, else 0.
int32_t WriteFileLocked(HANDLE file, const void *bytes, uint32_t length);

#endif
