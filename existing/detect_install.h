// Recognising an earlier installation in a target directory.
#ifndef EXISTING_DETECT_INSTALL_H
#define EXISTING_DETECT_INSTALL_H

#include <stdint.h>

enum ExistingInstallKind {
    NoInstall = 1,
    CurrentInstall = -1,
    OlderInstall = -2,
    UnrecognisedInstall = -3
};

// Classifies path (with or without a final backslash). Only reads.
int32_t DetectExistingInstall(const char *path);

#endif
