// Installing the whole payload archive from the program's own resources.
#ifndef PAYLOAD_EXTRACT_PAYLOAD_H
#define PAYLOAD_EXTRACT_PAYLOAD_H

#include <stdint.h>

enum {
    kPayloadResourceId = 119
};
#define PAYLOAD_RESOURCE_TYPE "ZAR"

enum ExtractPayloadResult {
    kInstalled = 1,
    kInstallFailed = -1,
    kShortcutsFailed = -2
};

// Writes every record below SetupState.installDir, checks their count, then
// makes the shortcuts and the uninstall entry.
// Returns:
//   kInstalled       - every file, the shortcuts and the uninstall entry (if
//                      configured) written
//   kInstallFailed   - no install directory, a record failed or too few
//                      records; cancelled is set (not for a missing directory)
//   kShortcutsFailed - the files are installed but the Start Menu shortcuts
//                      failed; no uninstall entry, cancelled stays 0
int32_t ExtractPayload(void);

#endif
