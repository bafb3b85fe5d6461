// The access rights a newly created install directory is given.
#ifndef SETUP_INSTALL_DIR_SECURITY_H
#define SETUP_INSTALL_DIR_SECURITY_H

#include <windows.h>
#include <stdint.h>

// Security attributes for creating the install directory: owned by
// Administrators, with a protected DACL (nothing inherited from the parent)
// that gives SYSTEM and Administrators full control and Users read and
// execute, on the directory and everything created below it. Built in
// static storage on each call; null if the system refused to build it (the
// directory is then not created).
SECURITY_ATTRIBUTES *InstallDirSecurity(void);

// Gives the existing directory held by dir (opened with WRITE_DAC and
// WRITE_OWNER) the same owner and protected rights as a new one, through
// its handle. Returns:
//   1  set
//   0  the descriptor could not be built or the system refused it
int32_t SecureExistingDirectory(HANDLE dir);

#endif
