// The user's Start Menu "Programs" and "Desktop" folders from the registry.
#ifndef INTEGRATION_SHELL_FOLDERS_H
#define INTEGRATION_SHELL_FOLDERS_H

#include <stdint.h>

// Fills programsDir and desktopDir (kPathSize bytes each, path_text.h) and their found flags.
// 0 when the Shell Folders key can't be opened, otherwise 1.
int32_t ReadShellFolders(char *programsDir, char *desktopDir, int32_t *programsFound, int32_t *desktopFound);

#endif
