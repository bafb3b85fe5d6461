// Start Menu and desktop shortcuts.
#ifndef INTEGRATION_SHORTCUTS_H
#define INTEGRATION_SHORTCUTS_H

#include <windows.h>
#include <stdint.h>

// 0 when no "Programs" folder is known (nothing created), otherwise 1.
int32_t CreateShortcuts(void);

// Saves one shell link at linkPath, through its held folder. linkArguments
// and iconPath may be null.
HRESULT CreateShellLink(const char *linkTarget, const char *linkPath, const char *linkArguments,
                        const char *iconPath, int iconIndex);

// Saves one shell link as the new file linkName in the held folder: the
// link object's bytes go through a memory stream and are written through
// the folder's handle, replacing what was at that name.
HRESULT SaveShellLink(const char *linkTarget, HANDLE folder, const char *linkName, const char *linkArguments,
                      const char *iconPath, int iconIndex);

#endif
