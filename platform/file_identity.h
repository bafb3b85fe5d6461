// Which file a handle is open on: its volume and its number there, the same
// for every name of the file and different for any other file.
#ifndef PLATFORM_FILE_IDENTITY_H
#define PLATFORM_FILE_IDENTITY_H

#include <windows.h>
#include <stdint.h>

struct FileIdentity {
    uint32_t volume;
    uint32_t indexHigh;
    uint32_t indexLow;
    uint32_t known;   // 1 once read
};

// Reads the identity of the file open on handle. 1 when read.
int32_t ReadFileIdentity(HANDLE handle, FileIdentity *identity);

#endif
