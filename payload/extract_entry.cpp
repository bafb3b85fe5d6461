// Turning one payload record into one file below the install directory, and
// the locked file writer it uses.
#include "extract_entry.h"

#include "entry_name.h"
#include "extract_progress.h"
#include "folder_handle.h"
#include "lh5_decoder.h"
#include "path_text.h"
#include "payload_record.h"

enum {
    kEntryPathLimit = 256,   // directory + backslash + name field + 1 must stay below
    kWritePiece = 0x7FFF,    // largest single WriteFile of a locked write
    kDecodeChunk = kLh5WindowSize,
    kMaxLevels = kPathSize / 2   // folders a 259-character path can name
};

// The folders held for the records: the target directory at level 0, then
// the folders of the last record's path, each opened through the one above.
// heldPath holds their path, each level ending at its backslash in
// levelEnd. Records of the same folders keep them held while the walk goes
// on (KeepEntryFolders); otherwise they are let go after each record.
static HANDLE heldFolders[kMaxLevels];
static int32_t levelEnd[kMaxLevels];
static int32_t heldLevels;
static int32_t keepHeld;
static char heldPath[kPathSize];
static HANDLE entryTarget;   // the held target directory, or null: held by its path

void UseEntryTarget(HANDLE target)
{
    ReleaseEntryFolders();
    entryTarget = target;
}

void KeepEntryFolders(void)
{
    keepHeld = 1;
}

// Lets go of the folders below level; a target held by the caller stays
// the caller's.
static void ReleaseBelow(int32_t level)
{
    while (heldLevels > level) {
        --heldLevels;
        if (heldLevels > 0 || entryTarget == NULL)
            ReleaseHandle(heldFolders[heldLevels]);
    }
}

void ReleaseEntryFolders(void)
{
    keepHeld = 0;
    ReleaseBelow(0);
}

static int32_t SamePrefix(const char *a, const char *b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        if (a[i] != b[i])
            return 0;
    return 1;
}

// Holds the target directory (the first length characters of path, its
// backslash included) and every folder of the name part behind it, creating
// the missing ones through the folder above, and reusing the folders held
// for the record before. A HeldEntry value: kEntryHeld when all are held.
static int32_t HoldEntryFolders(char *path, int32_t length)
{
    // The held folders that this path shares, counted from the top.
    const int32_t pathLength = lstrlenA(path);
    int32_t level = 0;
    while (level < heldLevels && levelEnd[level] < pathLength &&
           SamePrefix(heldPath, path, levelEnd[level] + 1))
        ++level;
    if (level == 0 || levelEnd[0] != length - 1)
        level = 0;
    ReleaseBelow(level);
    if (level == 0) {
        // A target held by the caller is used as it is, never opened again
        // by its path. Otherwise it is held with its backslash: "d:\\" is the
        // drive's root, "d:" its current directory.
        int32_t held = kEntryHeld;
        heldFolders[0] = entryTarget;
        if (entryTarget == NULL) {
            const char kept = path[length];
            path[length] = '\0';
            held = HoldFolder(path, 0, &heldFolders[0]);
            path[length] = kept;
        }
        if (held != kEntryHeld)
            return held;
        levelEnd[0] = length - 1;
        heldLevels = 1;
    }
    for (char *p = path + levelEnd[heldLevels - 1] + 1; *p != '\0'; ++p) {
        if (*p != '\\')
            continue;
        if (heldLevels >= kMaxLevels)
            return kEntryUnusable;
        *p = '\0';
        int32_t held = HoldChildFolder(heldFolders[heldLevels - 1], path + levelEnd[heldLevels - 1] + 1, 1, 0,
                                       &heldFolders[heldLevels]);
        *p = '\\';
        if (held != kEntryHeld)
            return held;
        levelEnd[heldLevels++] = (int32_t)(p - path);
    }
    lstrcpyA(heldPath, path);
    return kEntryHeld;
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
    return Lh5DecodeRecord(record->data, record->packedSize, (int32_t)record->unpackedSize, WriteChunk,
                           file) == 1;
}

// Deletes the file the record failed to write, through its folder.
static void DeleteEntryFile(const char *fileName)
{
    DeleteChild(heldFolders[heldLevels - 1], fileName);
}

// Creates the record's folders and file below the target directory and
// writes its data.
static int32_t WriteEntryFile(char *path, int32_t length, const PayloadRecord *record)
{
    // A folder of the path that is a link fails the record like any unsafe
    // name; one that could not be made means the file cannot be created.
    int32_t folders = HoldEntryFolders(path, length);
    if (folders == kEntryIsLink)
        return kExtractInvalid;
    if (folders != kEntryHeld)
        return kExtractNotCreated;

    // The file is always created as a new one in its held folder. What is at
    // its name already is removed first rather than written through: a hard
    // link planted there (another name of a file elsewhere that the
    // installer must not change) loses only this name, and a link in its
    // place goes itself. A plain folder, or a file that cannot be removed
    // (in use, read-only), cannot be replaced.
    const char *fileName = path + levelEnd[heldLevels - 1] + 1;
    HANDLE file;
    int32_t created = CreateChildFile(heldFolders[heldLevels - 1], fileName, &file);
    if (created == kEntryIsLink)
        return kExtractInvalid;
    if (created != kEntryHeld)
        return kExtractNotCreated;

    ReportNewFile(path);

    if (record->method == kPayloadMethodLh5) {
        int32_t written = WriteLh5Data(file, record);
        CloseHandle(file);
        if (!written) {
            DeleteEntryFile(fileName);
            return kExtractDecodeFailed;
        }
        return (int32_t)record->next;
    }

    int32_t written = WriteFileLocked(file, record->data, record->unpackedSize);
    CloseHandle(file);
    if (!written) {
        DeleteEntryFile(fileName);
        return kExtractShortWrite;
    }
    return (int32_t)record->next;
}

int32_t ExtractEntry(const uint8_t *archive, uint32_t offset, uint32_t size, const char *targetDir)
{
    PayloadRecord record;
    int32_t status = PayloadReadRecord(archive, offset, size, &record);
    if (status == 0)
        return kExtractEnd;
    if (status < 0)
        return kExtractInvalid;

    // A stored record copies unpackedSize bytes from its data start: they must
    // lie within the archive, and within the record's own data (one claiming
    // more is refused, as zar test refuses it).
    uint32_t dataOffset = (uint32_t)(record.data - archive);
    if (record.method != kPayloadMethodLh5 &&
        (record.unpackedSize > size - dataOffset || record.unpackedSize > record.packedSize))
        return kExtractInvalid;

    // The whole path must fit before anything is copied: the length test is
    // made on the lengths alone, so a long directory cannot overrun the buffer.
    // An empty directory would put the file at the root of the current drive.
    int32_t dirLength = lstrlenA(targetDir);
    if (dirLength == 0)
        return kExtractInvalid;
    int32_t length = PathPrefixLength(targetDir);
    uint32_t nameField = record.headerSize - kPayloadFixedHeader;
    if (nameField >= kEntryPathLimit || length + (int32_t)nameField + 1 >= kEntryPathLimit)
        return kExtractInvalid;
    if (!EntryNameIsSafe(record.name))
        return kExtractInvalid;

    char path[kPathSize];
    JoinPath(path, kPathSize, targetDir, "");
    char *nameStart = path + length;
    for (uint32_t i = 0; i < nameField; ++i)
        nameStart[i] = record.name[i];

    int32_t result = WriteEntryFile(path, length, &record);
    if (result < 0 || !keepHeld)
        ReleaseEntryFolders();
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
