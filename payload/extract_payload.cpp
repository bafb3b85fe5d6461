// Installs the whole payload archive: every record of the "ZAR" resource
// below the install directory, the count check, then the shortcuts and the
// uninstall entry.
#include <windows.h>

#include "extract_payload.h"
#include "extract_entry.h"
#include "folder_handle.h"
#include "shortcuts.h"
#include "uninstall.h"
#include "setup_config.h"
#include "setup_state.h"

int32_t ExtractPayload(void)
{
    if (SetupState.installDir[0] == 0)
        return kInstallFailed;
    SetupState.cancelled = 0;

    // A missing resource yields size 0: the walk below then finds no record
    // and the count check fails.
    HMODULE module = SetupState.moduleHandle;
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(kPayloadResourceId), PAYLOAD_RESOURCE_TYPE);
    DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const uint8_t *archive = (const uint8_t *)LockResource(loaded);
    if (archive == NULL)
        size = 0;

    SetupState.extracting = 1;
    SetupState.progressTotal = (uint32_t)SetupConfig.fileCount;
    SetupState.progressDone = 0;

    // The install directory and the folders of the records stay held while
    // the walk goes through them: every record's path starts in the install
    // directory, so it must not be a link nor become one; one that cannot
    // be held (a link, or missing) fails the first record.
    KeepEntryFolders();
    uint32_t offset = 0;
    int32_t count = 0;
    while (!SetupState.cancelled) {
        int32_t next = ExtractEntry(archive, offset, size, SetupState.installDir);
        if (next == kExtractEnd)
            break;
        // Records only ever move forward; anything else is a failure too.
        if (next < 0 || (uint32_t)next <= offset) {
            SetupState.cancelled = 1;
            break;
        }
        ++count;
        offset = (uint32_t)next;
    }
    ReleaseEntryFolders();
    // The rights given to the installed files are not the shortcuts': those
    // go into the user's own folders and take their rights from them.
    SetNewEntrySecurity(NULL);

    FreeResource(loaded);

    if (SetupState.cancelled || count < SetupConfig.fileCount) {
        SetupState.cancelled = 1;
        return kInstallFailed;
    }
    if (CreateShortcuts() == 0)
        return kShortcutsFailed;
    if (SetupConfig.registerUninstall)
        RegisterUninstall();
    return kInstalled;
}
