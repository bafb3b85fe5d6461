// Which file a handle is open on, and opening a file only when it is the
// one expected.
#include "file_identity.h"

int32_t ReadFileIdentity(HANDLE handle, FileIdentity *identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    identity->known = 0;
    if (!GetFileInformationByHandle(handle, &info))
        return 0;
    identity->volume = info.dwVolumeSerialNumber;
    identity->indexHigh = info.nFileIndexHigh;
    identity->indexLow = info.nFileIndexLow;
    identity->known = 1;
    return 1;
}

HANDLE OpenPinnedFile(const char *path, const FileIdentity *identity)
{
    if (!identity->known)
        return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    FileIdentity found;
    if (!ReadFileIdentity(file, &found) || found.volume != identity->volume ||
        found.indexHigh != identity->indexHigh || found.indexLow != identity->indexLow) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}
