// A full path reached from its volume's root one held folder at a time; see
// folder_chain.h.
#include "folder_chain.h"
#include "folder_handle.h"
#include "path_text.h"

enum {
    kMaxChain = kPathSize / 2,   // folders a 259-character path can name
    kOwnerBufferSize = 256
};

static HANDLE chain[kMaxChain];
static int32_t chainLevels;

// NT SERVICE\TrustedInstaller, which owns the system's own files and links.
static const struct {
    BYTE revision;
    BYTE count;
    BYTE authority[6];
    DWORD parts[6];
} kTrustedInstaller = {
    1, 6, {0, 0, 0, 0, 0, 5}, {80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u}};

int32_t PathRootLength(const char *path)
{
    const char c = (char)(path[0] | 0x20);
    if (c >= 'a' && c <= 'z' && path[1] == ':' && path[2] == '\\')
        return 3;
    if (path[0] != '\\' || path[1] != '\\' || path[2] == '?' || path[2] == '.')
        return 0;
    // \\server\share\ : the root ends after the share's name; neither
    // name may be empty.
    int32_t i = 2;
    int32_t parts = 0;
    for (; path[i] != '\0' && parts < 2; ++i) {
        if (path[i] == '\\') {
            if (path[i - 1] == '\\')
                return 0;
            ++parts;
        }
    }
    return parts == 2 ? i : 0;
}

// The owner of the entry open on handle, read into a static buffer; null
// when it cannot be read.
static PSID ReadOwner(HANDLE entry)
{
    static DWORD buffer[kOwnerBufferSize / sizeof(DWORD)];
    DWORD needed = 0;
    PSID owner = NULL;
    BOOL defaulted = FALSE;
    if (!GetKernelObjectSecurity(entry, OWNER_SECURITY_INFORMATION, buffer, sizeof buffer, &needed) ||
        !GetSecurityDescriptorOwner(buffer, &owner, &defaulted))
        return NULL;
    return owner;
}

static int32_t IsSystemOwner(PSID owner)
{
    return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid) ||
           EqualSid(owner, (PSID)&kTrustedInstaller);
}

int32_t OwnedBySystem(HANDLE entry)
{
    const PSID owner = ReadOwner(entry);
    return owner != NULL && IsSystemOwner(owner);
}

int32_t OwnedBySystemOrSelf(HANDLE entry)
{
    const PSID owner = ReadOwner(entry);
    if (owner == NULL)
        return 0;
    if (IsSystemOwner(owner))
        return 1;
    static DWORD user[kOwnerBufferSize / sizeof(DWORD)];
    HANDLE token;
    DWORD needed = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    const BOOL read = GetTokenInformation(token, TokenUser, user, sizeof user, &needed);
    CloseHandle(token);
    return read && EqualSid(owner, ((TOKEN_USER *)user)->User.Sid);
}

// Holds the folder name below parent: the folder itself, or where a link
// made by an administrator or the system leads.
static int32_t StepDown(HANDLE parent, const char *name, HANDLE *next)
{
    int32_t held = HoldChildFolder(parent, name, 0, 0, next);
    if (held != kEntryIsLink)
        return held;
    HANDLE link;
    if (OpenChildEntry(parent, name, READ_CONTROL, 0, &link) != kEntryHeld)
        return kEntryIsLink;
    const int32_t trusted = OwnedBySystem(link);
    CloseHandle(link);
    if (!trusted)
        return kEntryIsLink;
    return OpenChildEntry(parent, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE, 1, next);
}

void ReleaseFolderChain(void)
{
    while (chainLevels > 0)
        ReleaseHandle(chain[--chainLevels]);
}

int32_t HoldFolderChain(const char *path, const char **leaf, HANDLE *parent)
{
    ReleaseFolderChain();
    *leaf = NULL;
    *parent = INVALID_HANDLE_VALUE;
    const int32_t rootLength = PathRootLength(path);
    char name[kPathSize];
    if (rootLength == 0 || lstrlenA(path) >= kPathSize)
        return kEntryUnusable;
    // A copy of the path, cut at each component's end in turn.
    lstrcpyA(name, path);
    char *component = name + rootLength;
    const char first = *component;
    *component = '\0';
    HANDLE root = CreateFileA(
        name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    *component = first;
    if (root == INVALID_HANDLE_VALUE)
        return kEntryUnusable;
    chain[chainLevels++] = root;
    for (char *end = component;; ++end) {
        if (*end == '\0')
            break;
        if (*end != '\\')
            continue;
        *end = '\0';
        HANDLE next;
        const int32_t held = end > component && chainLevels < kMaxChain
                                 ? StepDown(chain[chainLevels - 1], component, &next)
                                 : kEntryUnusable;
        if (held != kEntryHeld) {
            ReleaseFolderChain();
            return held;
        }
        chain[chainLevels++] = next;
        component = end + 1;
    }
    if (*component != '\0')
        *leaf = path + (component - name);
    *parent = chain[chainLevels - 1];
    return kEntryHeld;
}
