// Installs the whole payload archive: every record of the "ZAR" resource
// below the install directory, the count check, then the shortcuts and the
// uninstall entry.
#include <windows.h>

#include "extract_payload.h"
#include "extract_entry.h"
#include "path_text.h"
#include "shortcuts.h"
#include "uninstall.h"
#include "setup_config.h"
#include "setup_state.h"

int32_t ExtractPayload(void)
{
    if (SetupState.installDir[0] == 0) return -1;
    SetupState.cancelled = 0;

    // A missing resource yields size 0: the walk below then finds no record
    // and the count check fails.
    HMODULE module = SetupState.moduleHandle;
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(kPayloadResourceId),
                               PAYLOAD_RESOURCE_TYPE);
    DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const uint8_t *archive = (const uint8_t *)LockResource(loaded);
    if (archive == NULL) size = 0;

    SetupState.extracting = 1;
    SetupState.progressTotal = (uint32_t)SetupConfig.fileCount;
    SetupState.progressDone = 0;

    // The main program's identity is recorded as it is written, so that
    // the finish prompt starts that very file or nothing.
    char program[kPathBufferSize];
    program[0] = 0;
    AppendText(program, SetupState.installDir, kPathBufferSize);
    AppendText(program, SetupConfig.exeBaseName, kPathBufferSize);
    AppendText(program, ".exe", kPathBufferSize);
    SetupState.programFile.known = 0;
    WatchEntryIdentity(program);

    // The install directory and the folders of the records stay held while
    // the walk goes through them: every record's path starts in the install
    // directory, so it must not be a link nor become one; one that cannot
    // be held (a link, or missing) fails the first record.
    KeepEntryFolders();
    uint32_t offset = 0;
    int32_t count = 0;
    while (!SetupState.cancelled) {
        int32_t next = ExtractEntry(archive, offset, size, SetupState.installDir);
        if (next == 0) break;
        // Records only ever move forward; anything else is a failure too.
        if (next < 0 || (uint32_t)next <= offset) {
            SetupState.cancelled = 1;
            break;
        }
        if (lstrcmpiA(SetupState.currentFile, program) == 0)
            SetupState.programFile = *LastEntryIdentity();
        ++count;
        offset = (uint32_t)next;
    }
    ReleaseEntryFolders();
    WatchEntryIdentity(NULL);

    FreeResource(loaded);

    if (SetupState.cancelled || count < SetupConfig.fileCount) {
        SetupState.cancelled = 1;
        return -1;
    }
    if (CreateShortcuts() == 0) return -2;
    if (SetupConfig.registerUninstall) RegisterUninstall();
    return 1;
}
