// Turning one payload record into one file below the install directory, and
// the locked file writer it uses.
#include "extract_entry.h"

#include "entry_name.h"
#include "folder_guard.h"
#include "lh5_decoder.h"
#include "payload_record.h"
#include "setup_state.h"

enum {
    kEntryPathSize = 260,
    kEntryPathLimit = 256,   // directory + backslash + name field + 1 must stay below
    kWritePiece = 0x7FFF,    // largest single WriteFile of a locked write
    kDecodeChunk = kLh5WindowSize
};

// Creates every folder named in the name part of path (which starts at
// nameStart) that cannot be entered, and holds each of them, outer first, so
// that none is a link and none can be swapped for one while the file below
// is written. Existing folders become the current directory one after the
// other as a side effect of the test. Returns kFolderHeld when all are held,
// otherwise what the first folder that could not be held was.
static int32_t HoldEntryFolders(char *path, char *nameStart)
{
    for (char *p = nameStart; *p != '\0'; ++p) {
        if (*p != '\\')
            continue;
        *p = '\0';
        if (!SetCurrentDirectoryA(path))
            CreateDirectoryA(path, NULL);
        int32_t held = FolderGuardHold(path);
        *p = '\\';
        if (held != kFolderHeld)
            return held;
    }
    return kFolderHeld;
}

// Shows the new file in the progress panel at once: the panel is repainted
// inside this call, before any data is written. No panel, no repaint (a null
// window would invalidate every window on the desktop).
static void ReportNewFile(const char *path)
{
    lstrcpyA(SetupState.currentFile, path);
    SetupState.progressDone += 1;
    if (SetupState.progressPanel != NULL) {
        InvalidateRect(SetupState.progressPanel, NULL, TRUE);
        UpdateWindow(SetupState.progressPanel);
    }
}

// Hands one decoded chunk to the locked file writer.
static int32_t WriteChunk(void *file, const uint8_t *bytes, uint32_t count)
{
    return WriteFileLocked((HANDLE)file, bytes, count);
}

// Decodes an lh5 record into file, 8,192 bytes at a time through the
// decoder's window, each chunk written before the next is decoded. 1 when
// every byte was decoded and written, else 0.
static int32_t WriteLh5Data(HANDLE file, const PayloadRecord *record)
{
    return Lh5DecodeRecord(record->data, record->packedSize, (int32_t)record->unpackedSize,
                           WriteChunk, file) == 1;
}

// Creates path as a new file, opening a link in its place as the link.
static HANDLE CreateNewFile(const char *path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
}

// Creates the record's folders and file below the held target directory and
// writes its data; the folders stay held until the caller releases them.
static int32_t WriteEntryFile(char *path, char *nameStart, const PayloadRecord *record)
{
    // A folder of the path that is a link fails the record like any unsafe
    // name; one that could not be made means the file cannot be created.
    int32_t folders = HoldEntryFolders(path, nameStart);
    if (folders == kFolderIsLink)
        return -1;
    if (folders != kFolderHeld)
        return -6;

    // The file's own entry is not followed either: a link in its place is
    // refused, and one put there after this look is opened as the link.
    if (PathIsLink(path))
        return -1;
    // The file is always created as a new one; an existing file is removed
    // first rather than overwritten: a hard link planted at the name
    // (another name of a file elsewhere that the installer must not change)
    // loses only this name, and anything put at the name meanwhile makes the
    // creation fail instead of being written through. A file that cannot be
    // removed (in use, read-only) cannot be replaced either.
    HANDLE file = CreateNewFile(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        DeleteFileA(path);
        file = CreateNewFile(path);
    }
    if (file == INVALID_HANDLE_VALUE)
        return -6;

    ReportNewFile(path);

    if (record->method == kPayloadMethodLh5) {
        int32_t written = WriteLh5Data(file, record);
        CloseHandle(file);
        if (!written) {
            DeleteFileA(path);
            return -2;
        }
        return (int32_t)record->next;
    }

    int32_t written = WriteFileLocked(file, record->data, record->unpackedSize);
    CloseHandle(file);
    if (!written) {
        DeleteFileA(path);
        return -5;
    }
    return (int32_t)record->next;
}

int32_t ExtractEntry(const uint8_t *archive, uint32_t offset, uint32_t size,
                     const char *targetDir)
{
    PayloadRecord record;
    int32_t status = PayloadReadRecord(archive, offset, size, &record);
    if (status == 0)
        return 0;
    if (status < 0)
        return -1;

    // A stored record copies unpackedSize bytes from its data start: they must
    // lie within the archive.
    uint32_t dataOffset = (uint32_t)(record.data - archive);
    if (record.method != kPayloadMethodLh5 && record.unpackedSize > size - dataOffset)
        return -1;

    // The whole path must fit before anything is copied: the length test is
    // made on the lengths alone, so a long directory cannot overrun the buffer.
    // An empty directory would put the file at the root of the current drive.
    int32_t dirLength = lstrlenA(targetDir);
    if (dirLength == 0)
        return -1;
    int32_t needsBackslash = targetDir[dirLength - 1] != '\\';
    int32_t length = dirLength + needsBackslash;
    uint32_t nameField = record.headerSize - kPayloadFixedHeader;
    if (nameField >= kEntryPathLimit || length + (int32_t)nameField + 1 >= kEntryPathLimit)
        return -1;
    if (!EntryNameIsSafe(record.name))
        return -1;

    char path[kEntryPathSize];
    lstrcpyA(path, targetDir);
    if (needsBackslash) {
        path[dirLength] = '\\';
        path[dirLength + 1] = '\0';
    }
    char *nameStart = path + length;
    for (uint32_t i = 0; i < nameField; ++i)
        nameStart[i] = record.name[i];

    const int32_t depth = FolderGuardDepth();
    int32_t result = WriteEntryFile(path, nameStart, &record);
    FolderGuardRelease(depth);
    return result;
}

int32_t WriteFileLocked(HANDLE file, const void *bytes, uint32_t length)
{
    DWORD position = SetFilePointer(file, 0, NULL, FILE_CURRENT);
    LockFile(file, position, 0, length, 0);
    const uint8_t *piece = (const uint8_t *)bytes;
    uint32_t remaining = length;
    while (remaining > 0) {
        DWORD count = remaining <= kWritePiece ? remaining : (DWORD)kWritePiece;
        DWORD written = 0;
        WriteFile(file, piece, count, &written, NULL);
        if (written != count) {
            UnlockFile(file, position, 0, length, 0);
            return 0;
        }
        piece += count;
        remaining -= count;
    }
    UnlockFile(file, position, 0, length, 0);
    return 1;
}
