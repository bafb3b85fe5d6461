// Removing the older product generation and cleaning up the current one.
#ifndef EXISTING_REMOVE_OLDER_H
#define EXISTING_REMOVE_OLDER_H

#include <windows.h>
#include <stdint.h>

int32_t RemoveOlderVersion(const char *path);
int32_t RemoveOldStartMenuEntries(void);
int32_t RemoveHelpCache(const char *path);
int32_t ClearTemplateStyles(const char *path);

// The same, in the install directory held by dir, never named by a path
// again; pathLength is the length of its path with the final backslash.
// RemoveOlderVersionIn passes over an INVALID_HANDLE_VALUE dir and still
// removes the Start Menu entries and the uninstall entry.
int32_t RemoveOlderVersionIn(HANDLE dir);
int32_t RemoveHelpCacheIn(HANDLE dir);
int32_t ClearTemplateStylesIn(HANDLE dir, int32_t pathLength);

#endif
