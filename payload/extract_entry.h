// Turning one payload record into one file below the install directory.
#ifndef PAYLOAD_EXTRACT_ENTRY_H
#define PAYLOAD_EXTRACT_ENTRY_H

#include <windows.h>
#include <stdint.h>

// What ExtractEntry returns when it gives no next record's offset.
enum ExtractEntryResult {
    kExtractEnd = 0,
    kExtractInvalid = -1,
    kExtractDecodeFailed = -2,
    kExtractShortWrite = -5,
    kExtractNotCreated = -6
};

// Writes the record at offset below targetDir. targetDir and the record's
// folders are held (folder_handle.h) while its file is written, and
// everything below targetDir is created through them.
// Returns:
//   > 0                  - written; the offset of the next record
//   kExtractEnd          - the end of the archive; nothing written
//   kExtractInvalid      - an invalid record, an unsafe name or a path too
//                          long (nothing created), or a path through a link
//                          (a folder of the record's path, or the file's own
//                          entry, is a reparse point)
//   kExtractDecodeFailed - an lh5 record failed to decode or write; the
//                          partial file is deleted
//   kExtractShortWrite   - a stored record's write fell short; the partial
//                          file is deleted
//   kExtractNotCreated   - a folder or the file can't be created
int32_t ExtractEntry(const uint8_t *archive, uint32_t offset, uint32_t size, const char *targetDir);

// Makes target, a folder the caller holds, the folder that every record's
// path starts in from now on: it stands for targetDir, which is then only
// the text shown and compared, and is never opened by its path. Null goes
// back to holding targetDir by its path.
void UseEntryTarget(HANDLE target);

// Keeps the folders held after each record, so that the next records of the
// same folders use them as they are, until ReleaseEntryFolders lets all go.
// A failed record lets them go at once.
void KeepEntryFolders(void);
void ReleaseEntryFolders(void);

// Writes length bytes at the file's current position under a byte-range
// lock, in pieces of at most 32,767 bytes. 1 when all were written, else 0.
int32_t WriteFileLocked(HANDLE file, const void *bytes, uint32_t length);

#endif
