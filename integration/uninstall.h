// The entry in the system's list of installed programs.
#ifndef INTEGRATION_UNINSTALL_H
#define INTEGRATION_UNINSTALL_H

#include <stdint.h>

int32_t RegisterUninstall(void);
int32_t RemoveUninstallEntry(void);

#endif
