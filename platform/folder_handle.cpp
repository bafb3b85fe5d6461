// Folders held open by handle, and their children opened relative to them;
// see folder_handle.h.
//
// Relative opens and creations go through NtCreateFile with the held folder
// as root directory, looked up at run time so that the program's imports
// stay those of the system's KnownDLLs. Everything else goes through
// kernel32 on the handles.
//
// Each child is checked twice on its own handle: by its attributes and
// reparse tag, which Windows reports for the link itself when asked to open
// it as such (FILE_OPEN_REPARSE_POINT), and by the name the system gives the
// handle, which must be the held folder's name followed by the child's.
// Wine follows a Unix symbolic link even when asked not to, and names a
// handle by the link's target; there the second check is the one that sees
// the link, or a held folder replaced by one after it was opened.
#include "folder_handle.h"
#include "path_text.h"

enum {
    kNameUnits = kPathSize,   // one component, in UTF-16 units
    kFullNameUnits = 1024,
    kNameSurrogateBit = 0x20000000,
    kCaseInsensitive = 0x40,   // OBJ_CASE_INSENSITIVE
    kFileOpen = 1,
    kFileCreate = 2,
    kDirectoryFile = 0x1,
    kSynchronousIo = 0x20,
    kNonDirectoryFile = 0x40,
    kOpenReparsePoint = 0x200000,
    kFollowLink = (int)0x80000000u   // OpenChild's own: open what a link leads to
};

static const LONG kStatusNameCollision = (LONG)0xC0000035;

struct CountedName {
    USHORT length;
    USHORT capacity;
    const WCHAR *text;
};

struct ObjectName {
    ULONG length;
    HANDLE root;
    CountedName *name;
    ULONG attributes;
    void *security;
    void *quality;
};

struct IoStatus {
    union {
        LONG status;
        void *pointer;
    };
    ULONG_PTR information;
};

typedef LONG(WINAPI *NtCreateFileFunction)(HANDLE *, ACCESS_MASK, ObjectName *, IoStatus *, LARGE_INTEGER *,
                                           ULONG, ULONG, ULONG, ULONG, void *, ULONG);
typedef LONG(WINAPI *NtSetInformationFileFunction)(HANDLE, IoStatus *, void *, ULONG, ULONG);

enum {
    kFileRenameInformation = 10
};

// The descriptor given to every file and folder this layer creates, or null
// for the parent's inherited rights (SetNewEntrySecurity).
static void *newEntrySecurity;

void SetNewEntrySecurity(void *descriptor)
{
    newEntrySecurity = descriptor;
}

static void *NtFunction(const char *name)
{
    return (void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

// A handle's name as the system gives it: the path from the volume's root.
struct HandleName {
    DWORD bytes;
    WCHAR text[kFullNameUnits];
};

int32_t ReparseLeadsElsewhere(uint32_t attributes, uint32_t tag)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return 0;
    return tag == 0 || (tag & kNameSurrogateBit) != 0;
}

static LONG OpenChild(HANDLE parent, const WCHAR *name, uint32_t nameBytes, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE *child)
{
    static NtCreateFileFunction create;
    if (create == NULL)
        create = (NtCreateFileFunction)NtFunction("NtCreateFile");
    *child = INVALID_HANDLE_VALUE;
    if (create == NULL || nameBytes == 0 || nameBytes >= kNameUnits * sizeof(WCHAR))
        return kStatusNameCollision - 1;   // any failure
    CountedName text = {(USHORT)nameBytes, (USHORT)nameBytes, name};
    ObjectName object = {
        sizeof object, parent, &text, kCaseInsensitive, disposition == kFileCreate ? newEntrySecurity : NULL,
        NULL};
    IoStatus io;
    HANDLE opened = NULL;
    if ((options & kFollowLink) == 0)
        options |= kOpenReparsePoint;
    LONG status = create(&opened, access | SYNCHRONIZE, &object, &io, NULL, FILE_ATTRIBUTE_NORMAL, share,
                         disposition, (options & ~kFollowLink) | kSynchronousIo, NULL, 0);
    if (status >= 0)
        *child = opened;
    return status;
}

// name converted to UTF-16 into wide; its length in bytes, 0 when it does not fit.
static uint32_t WideName(const char *name, WCHAR *wide)
{
    int units = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kNameUnits);
    return units > 1 ? (uint32_t)(units - 1) * sizeof(WCHAR) : 0;
}

static int32_t SameText(const WCHAR *a, const WCHAR *b, uint32_t units)
{
    return units == 0 || CompareStringOrdinal(a, (int)units, b, (int)units, TRUE) == CSTR_EQUAL;
}

// Checks that child is the entry name of parent and no link; see the top.
static int32_t CheckChild(HANDLE parent, HANDLE child, const WCHAR *name, uint32_t nameBytes,
                          FILE_ATTRIBUTE_TAG_INFO *tag)
{
    if (!GetFileInformationByHandleEx(child, FileAttributeTagInfo, tag, sizeof *tag))
        return kEntryUnusable;
    if (ReparseLeadsElsewhere(tag->FileAttributes, tag->ReparseTag))
        return kEntryIsLink;
    static HandleName parentName, childName;
    if (!GetFileInformationByHandleEx(parent, FileNameInfo, &parentName, sizeof parentName) ||
        !GetFileInformationByHandleEx(child, FileNameInfo, &childName, sizeof childName))
        return kEntryUnusable;
    uint32_t parentUnits = parentName.bytes / sizeof(WCHAR);
    const uint32_t nameUnits = nameBytes / sizeof(WCHAR);
    // A volume's root is named "\": its children need no second backslash.
    if (parentUnits > 0 && parentName.text[parentUnits - 1] == L'\\')
        --parentUnits;
    if (childName.bytes != (parentUnits + 1 + nameUnits) * sizeof(WCHAR) ||
        childName.text[parentUnits] != L'\\' || !SameText(childName.text, parentName.text, parentUnits) ||
        !SameText(childName.text + parentUnits + 1, name, nameUnits))
        return kEntryIsLink;
    return kEntryHeld;
}

// Copies path into entry without its final backslashes, so that a link is
// looked at as the link; a drive root ("c:\") keeps its backslash. 0 when
// the path is empty or does not fit.
static int32_t EntryPath(char *entry, const char *path)
{
    int32_t length = lstrlenA(path);
    if (length == 0 || length >= kPathSize)
        return 0;
    lstrcpyA(entry, path);
    while (length > 1 && entry[length - 1] == '\\' && entry[length - 2] != ':')
        entry[--length] = '\0';
    return 1;
}

// 1 when the entry at path is listed as a reparse point although the handle
// opened on it is none: the open followed a link (Wine does, asked not to).
static int32_t FollowedALink(const char *entry, DWORD openedAttributes)
{
    DWORD listed = GetFileAttributesA(entry);
    return listed != INVALID_FILE_ATTRIBUTES && (listed & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (openedAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Holds the folder at path; follow says whether a link at the path itself
// is followed (the user's own shell folders) or refused.
static int32_t HoldFolderAt(const char *path, uint32_t access, int32_t follow, HANDLE *folder)
{
    char entry[kPathSize];
    *folder = INVALID_HANDLE_VALUE;
    if (!EntryPath(entry, path))
        return kEntryUnusable;
    HANDLE opened =
        CreateFileA(entry, access | FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), NULL);
    if (opened == INVALID_HANDLE_VALUE)
        return !follow && FollowedALink(entry, 0) ? kEntryIsLink : kEntryUnusable;
    FILE_ATTRIBUTE_TAG_INFO tag;
    int32_t result = kEntryUnusable;
    if (GetFileInformationByHandleEx(opened, FileAttributeTagInfo, &tag, sizeof tag)) {
        if (!follow && (ReparseLeadsElsewhere(tag.FileAttributes, tag.ReparseTag) ||
                        FollowedALink(entry, tag.FileAttributes)))
            result = kEntryIsLink;
        else if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            result = kEntryHeld;
    }
    if (result != kEntryHeld) {
        CloseHandle(opened);
        return result;
    }
    *folder = opened;
    return kEntryHeld;
}

int32_t HoldFolder(const char *path, uint32_t access, HANDLE *folder)
{
    return HoldFolderAt(path, access, 0, folder);
}

int32_t HoldShellFolder(const char *path, HANDLE *folder)
{
    return HoldFolderAt(path, 0, 1, folder);
}

int32_t HoldChildFolderW(HANDLE parent, const WCHAR *name, uint32_t nameBytes, int32_t create,
                         uint32_t access, HANDLE *folder)
{
    HANDLE child;
    access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
    const ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    // A folder this call creates is new and ours: nothing to check.
    LONG status = kStatusNameCollision;
    if (create) {
        status = OpenChild(parent, name, nameBytes, access, share, kFileCreate, kDirectoryFile, folder);
        if (status >= 0)
            return kEntryHeld;
    }
    if (status == kStatusNameCollision)
        status = OpenChild(parent, name, nameBytes, access, share, kFileOpen, kDirectoryFile, &child);
    *folder = INVALID_HANDLE_VALUE;
    if (status < 0)
        return kEntryUnusable;
    FILE_ATTRIBUTE_TAG_INFO tag;
    int32_t result = CheckChild(parent, child, name, nameBytes, &tag);
    if (result != kEntryHeld) {
        CloseHandle(child);
        return result;
    }
    *folder = child;
    return kEntryHeld;
}

int32_t CreateChildFolder(HANDLE parent, const char *name, uint32_t access, HANDLE *folder)
{
    WCHAR wide[kNameUnits];
    uint32_t bytes = WideName(name, wide);
    *folder = INVALID_HANDLE_VALUE;
    if (bytes == 0)
        return kEntryUnusable;
    return OpenChild(parent, wide, bytes, access | FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, kFileCreate, kDirectoryFile, folder) >= 0
               ? kEntryHeld
               : kEntryUnusable;
}

int32_t OpenChildEntry(HANDLE parent, const char *name, uint32_t access, int32_t follow, HANDLE *entry)
{
    WCHAR wide[kNameUnits];
    uint32_t bytes = WideName(name, wide);
    *entry = INVALID_HANDLE_VALUE;
    return bytes && OpenChild(parent, wide, bytes, access | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, kFileOpen,
                              follow ? kFollowLink | kDirectoryFile : 0, entry) >= 0
               ? kEntryHeld
               : kEntryUnusable;
}

int32_t OpenChildFile(HANDLE parent, const char *name, HANDLE *file)
{
    WCHAR wide[kNameUnits];
    uint32_t bytes = WideName(name, wide);
    HANDLE child;
    *file = INVALID_HANDLE_VALUE;
    if (bytes == 0 || OpenChild(parent, wide, bytes, GENERIC_READ, FILE_SHARE_READ, kFileOpen,
                                kNonDirectoryFile, &child) < 0)
        return kEntryUnusable;
    FILE_ATTRIBUTE_TAG_INFO tag;
    int32_t result = CheckChild(parent, child, wide, bytes, &tag);
    if (result != kEntryHeld) {
        CloseHandle(child);
        return result;
    }
    *file = child;
    return kEntryHeld;
}

int32_t HoldChildFolder(HANDLE parent, const char *name, int32_t create, uint32_t access, HANDLE *folder)
{
    WCHAR wide[kNameUnits];
    *folder = INVALID_HANDLE_VALUE;
    uint32_t bytes = WideName(name, wide);
    return bytes ? HoldChildFolderW(parent, wide, bytes, create, access, folder) : kEntryUnusable;
}

// Removes the entry name of parent unless it is a plain folder; a HeldEntry
// value, kEntryHeld when removed.
static int32_t RemoveEntry(HANDLE parent, const WCHAR *name, uint32_t nameBytes)
{
    HANDLE child;
    if (OpenChild(parent, name, nameBytes, DELETE | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen, 0, &child) < 0)
        return kEntryUnusable;
    FILE_ATTRIBUTE_TAG_INFO tag;
    int32_t result = CheckChild(parent, child, name, nameBytes, &tag);
    // A link in the name's place is removed itself: opened as the link, it
    // is its own entry that goes, never what it points to.
    if (result == kEntryIsLink && ReparseLeadsElsewhere(tag.FileAttributes, tag.ReparseTag))
        result = kEntryHeld;
    else if (result == kEntryHeld && (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
             (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        result = kEntryUnusable;
    if (result == kEntryHeld) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        if (!SetFileInformationByHandle(child, FileDispositionInfo, &disposition, sizeof disposition))
            result = kEntryUnusable;
    }
    CloseHandle(child);
    return result;
}

int32_t DeleteChildW(HANDLE parent, const WCHAR *name, uint32_t nameBytes)
{
    return RemoveEntry(parent, name, nameBytes) == kEntryHeld;
}

int32_t DeleteChild(HANDLE parent, const char *name)
{
    WCHAR wide[kNameUnits];
    uint32_t bytes = WideName(name, wide);
    return bytes && DeleteChildW(parent, wide, bytes);
}

int32_t CreateChildFile(HANDLE parent, const char *name, HANDLE *file)
{
    WCHAR wide[kNameUnits];
    uint32_t bytes = WideName(name, wide);
    *file = INVALID_HANDLE_VALUE;
    if (bytes == 0)
        return kEntryUnusable;
    const ACCESS_MASK access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    LONG status = OpenChild(parent, wide, bytes, access, 0, kFileCreate, kNonDirectoryFile, file);
    if (status == kStatusNameCollision) {
        int32_t removed = RemoveEntry(parent, wide, bytes);
        if (removed != kEntryHeld)
            return removed;
        status = OpenChild(parent, wide, bytes, access, 0, kFileCreate, kNonDirectoryFile, file);
    }
    return status >= 0 ? kEntryHeld : kEntryUnusable;
}

int32_t RenameChildFolder(HANDLE parent, const char *name, const char *newName)
{
    struct {
        FILE_RENAME_INFO info;
        WCHAR room[kNameUnits];
    } request;
    uint32_t bytes = WideName(newName, request.info.FileName);
    NtSetInformationFileFunction setInformation =
        (NtSetInformationFileFunction)NtFunction("NtSetInformationFile");
    if (bytes == 0 || setInformation == NULL)
        return kEntryUnusable;
    HANDLE folder;
    int32_t result = HoldChildFolder(parent, name, 0, DELETE, &folder);
    if (result != kEntryHeld)
        return result;
    // The new name is taken relative to the held parent, never over an
    // existing name. (kernel32's SetFileInformationByHandle would turn a
    // bare name into a path below the current directory under Wine.)
    request.info.ReplaceIfExists = FALSE;
    request.info.RootDirectory = parent;
    request.info.FileNameLength = bytes;
    IoStatus io;
    LONG status = setInformation(folder, &io, &request, sizeof request, kFileRenameInformation);
    CloseHandle(folder);
    return status >= 0 ? kEntryHeld : kEntryUnusable;
}

int32_t RemoveHeldFolder(HANDLE folder)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(folder, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

void ReleaseHandle(HANDLE handle)
{
    if (handle != INVALID_HANDLE_VALUE && handle != NULL)
        CloseHandle(handle);
}

int32_t ReadEntryIdentity(HANDLE handle, EntryIdentity *identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
        identity->volume = identity->indexHigh = identity->indexLow = 0;
        return 0;
    }
    identity->volume = info.dwVolumeSerialNumber;
    identity->indexHigh = info.nFileIndexHigh;
    identity->indexLow = info.nFileIndexLow;
    return 1;
}

int32_t SameEntry(const EntryIdentity *a, const EntryIdentity *b)
{
    return a->volume == b->volume && a->indexHigh == b->indexHigh && a->indexLow == b->indexLow;
}
