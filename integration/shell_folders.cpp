// The user's Start Menu "Programs" folder and "Desktop" folder, read from the
// Shell Folders key of the current user.
#include <windows.h>

#include "shell_folders.h"
#include "path_text.h"

static const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

enum {
    // Reads in a row that fail for a reason other than a long name or long
    // data (the key deleted or the handle gone under us): each of those would
    // fail the same way at every index up to 2^32.
    kMaxFailedReads = 8
};

// Equality of two names, ASCII letters compared without regard to case.
static int SameNameIgnoringCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return 0;
        if (x == 0)
            return 1;
    }
}

// Copies registry data of dataSize bytes into a folder buffer of kPathSize bytes.
// The data need not carry its terminator; the copy always does.
static void CopyFolderText(char *folder, const BYTE *data, DWORD dataSize)
{
    DWORD i = 0;
    for (; i < dataSize && i < kPathSize - 1 && data[i] != 0; ++i)
        folder[i] = (char)data[i];
    folder[i] = 0;
}

int32_t ReadShellFolders(char *programsDir, char *desktopDir, int32_t *programsFound, int32_t *desktopFound)
{
    programsDir[0] = 0;
    desktopDir[0] = 0;
    *programsFound = 0;
    *desktopFound = 0;

    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kShellFoldersKey, &key) != ERROR_SUCCESS)
        return 0;

    char name[kPathSize];
    BYTE data[kPathSize];
    int failedReads = 0;
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = kPathSize;
        DWORD dataSize = kPathSize;
        LONG result = RegEnumValueA(key, index, name, &nameSize, NULL, NULL, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_MORE_DATA)
            continue;   // name or data too long: pass over it
        if (result != ERROR_SUCCESS) {
            if (++failedReads == kMaxFailedReads)
                break;
            continue;
        }
        failedReads = 0;

        if (!*programsFound && SameNameIgnoringCase(name, "Programs")) {
            CopyFolderText(programsDir, data, dataSize);
            *programsFound = 1;
        } else if (!*desktopFound && SameNameIgnoringCase(name, "Desktop")) {
            CopyFolderText(desktopDir, data, dataSize);
            *desktopFound = 1;
        }
        if (*programsFound && *desktopFound)
            break;
    }

    RegCloseKey(key);
    return 1;
}
