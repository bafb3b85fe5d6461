// Which file a handle is open on.
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
