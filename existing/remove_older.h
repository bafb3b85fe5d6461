// Removing the older product generation and cleaning up the current one.
#ifndef EXISTING_REMOVE_OLDER_H
#define EXISTING_REMOVE_OLDER_H

#include <stdint.h>

int32_t RemoveOlderVersion(const char *path);
int32_t RemoveOldStartMenuEntries(void);
int32_t RemoveHelpCache(const char *path);
int32_t ClearTemplateStyles(const char *path);

#endif
