// Start-up of the configuration record: SetupConfig is filled from the
// configuration resource ("ZCFG"/120, setup_config_layout.h) that zar puts
// into each product's installer. The program reads its configuration from
// that resource alone: no command line, environment variable or file.
#ifndef SETUP_SETUP_CONFIG_LOAD_H
#define SETUP_SETUP_CONFIG_LOAD_H

#include <windows.h>

#include <stdint.h>

#include "setup_config.h"
#include "setup_config_layout.h"

// Copies the image of size bytes at data into *copy and checks it there: its
// size, magic and version, every text terminated within its field, fileCount
// at least 1, titleText and the proposed directory (defaultParentDir, a
// backslash, folderName) within the buffers they are shown in. When it passes,
// fills *record, whose texts then point into *copy, and returns 1; otherwise
// returns 0 and leaves *record as it was.
int32_t ReadSetupConfigImage(const void *data, uint32_t size, SetupConfigImage *copy,
                             SetupConfigRecord *record);

// Finds the configuration resource of module (NULL: the program's own
// executable) and reads it as ReadSetupConfigImage does. 0 when there is none.
int32_t LoadSetupConfigFrom(HMODULE module, SetupConfigImage *copy, SetupConfigRecord *record);

// Fills SetupConfig from the program's own configuration resource, into a
// static copy that lives as long as the process. 1, or 0 when the resource
// is missing or refused.
int32_t LoadSetupConfig(void);

#endif
