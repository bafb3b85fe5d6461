// Recognising an earlier installation in a target directory.
#ifndef EXISTING_DETECT_INSTALL_H
#define EXISTING_DETECT_INSTALL_H

#include <windows.h>
#include <stdint.h>

enum ExistingInstallKind {
    NoInstall = 1,
    CurrentInstall = -1,
    OlderInstall = -2,
    UnrecognisedInstall = -3
};

// Classifies the directory held by dir, reading through its handle: the
// program is any entry of its name there, and the profile's first 16 KiB
// are read as the system's profile reader reads them. Only reads.
int32_t DetectExistingInstallIn(HANDLE dir);

// The same for the directory at path (with or without a final backslash),
// held while it is read; one that cannot be held (missing, a link) holds no
// installation.
int32_t DetectExistingInstall(const char *path);

#endif
