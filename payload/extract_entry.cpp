// Turning one payload record into one file below the install directory, and
// the locked file writer it uses.
#include "extract_entry.h"

#include "lh5_decoder.h"
#include "payload_record.h"
#include "setup_state.h"

enum {
    kEntryPathSize = 260,
    kEntryPathLimit = 256,   // directory + backslash + name field + 1 must stay below
    kWritePiece = 0x7FFF,    // largest single WriteFile of a locked write
    kDecodeChunk = kLh5WindowSize
};

static int32_t SameText(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Windows opens a device instead of a file, in whatever folder, for a name
// whose stem (the part before the first dot, less trailing blanks) is a
// device name: CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9 (also with the
// superscript digits 1, 2, 3 of the ANSI code page), CONIN$ or CONOUT$, in
// any case. The component runs from start to end.
static int32_t IsDeviceName(const char *start, const char *end)
{
    const char *stem = start;
    while (stem < end && *stem != '.')
        ++stem;
    while (stem > start && stem[-1] == ' ')
        --stem;
    int32_t length = (int32_t)(stem - start);
    if (length < 3 || length > 7)
        return 0;
    char upper[8];
    for (int32_t i = 0; i < length; ++i) {
        char c = start[i];
        upper[i] = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    }
    upper[length] = '\0';
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *device : kDevices) {
        if (SameText(upper, device))
            return 1;
    }
    unsigned char digit = (unsigned char)upper[3];
    upper[3] = '\0';
    return length == 4 && (SameText(upper, "COM") || SameText(upper, "LPT")) &&
           ((digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3);
}

// A name may only lead to a file below the install directory: relative, with
// backslashes between non-empty components, none of which steps up or stays
// in place or names a device. Refused: a drive or stream (':' anywhere), a
// leading backslash (root or UNC path), '/', an empty component, any
// component made of dots and blanks only (".", "..", and the forms such as
// "..." or ".. " that the file system trims or that older systems treat as
// steps up), and device names such as "NUL" or "COM1.txt", whose data would
// go to the device.
static int32_t EntryNameIsSafe(const char *name)
{
    int32_t onlyDots = 1;      // the component so far holds nothing but dots/blanks
    const char *component = name;
    const char *p = name;
    for (;; ++p) {
        char c = *p;
        if (c == ':' || c == '/')
            return 0;
        if (c == '\\' || c == '\0') {
            if (onlyDots)
                return 0;      // empty, ".", "..", "...", " ." and the like
            if (IsDeviceName(component, p))
                return 0;
            if (c == '\0')
                return 1;
            onlyDots = 1;
            component = p + 1;
            continue;
        }
        if (c != '.' && c != ' ')
            onlyDots = 0;
    }
}

// Creates every folder named in the name part of path (which starts at
// nameStart) that cannot be entered. Existing folders become the current
// directory one after the other as a side effect of the test.
static void CreateEntryFolders(char *path, char *nameStart)
{
    for (char *p = nameStart; *p != '\0'; ++p) {
        if (*p != '\\')
            continue;
        *p = '\0';
        if (!SetCurrentDirectoryA(path))
            CreateDirectoryA(path, NULL);
        *p = '\\';
    }
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

// Decodes an lh5 record into file, 8,192 bytes at a time through the
// decoder's window. 1 when every byte was decoded and written, else 0.
static int32_t WriteLh5Data(HANDLE file, const PayloadRecord *record)
{
    Lh5Decoder.input = record->data;
    Lh5Decoder.inputLimit = record->packedSize;
    Lh5Decoder.error = 0;
    Lh5Start();
    int32_t remaining = (int32_t)record->unpackedSize;
    while (remaining > 0) {
        uint32_t count = remaining <= kDecodeChunk ? (uint32_t)remaining : (uint32_t)kDecodeChunk;
        Lh5DecodeChunk(count, Lh5Decoder.window);
        if (Lh5Decoder.error != 0)
            return 0;
        if (WriteFileLocked(file, Lh5Decoder.window, count) == 0)
            return 0;
        remaining -= (int32_t)count;
    }
    return 1;
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

    CreateEntryFolders(path, nameStart);

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -6;

    ReportNewFile(path);

    if (record.method == kPayloadMethodLh5) {
        int32_t written = WriteLh5Data(file, &record);
        CloseHandle(file);
        if (!written) {
            DeleteFileA(path);
            return -2;
        }
        return (int32_t)record.next;
    }

    int32_t written = WriteFileLocked(file, record.data, record.unpackedSize);
    CloseHandle(file);
    if (!written) {
        DeleteFileA(path);
        return -5;
    }
    return (int32_t)record.next;
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
