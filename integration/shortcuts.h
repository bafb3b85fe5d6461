// Start Menu and desktop shortcuts.
#ifndef INTEGRATION_SHORTCUTS_H
#define INTEGRATION_SHORTCUTS_H

#include <windows.h>
#include <stdint.h>

// 0 when no "Programs" folder is known (nothing created), otherwise 1.
int32_t CreateShortcuts(void);

// Saves one shell link at linkPath. linkArguments and iconPath may be null.
HRESULT CreateShellLink(const char *linkTarget, const char *linkPath,
                        const char *linkArguments, const char *iconPath, int iconIndex);

#endif
