// Run-time state shared by the dialog, the install sequence, the extraction
// and the progress panel. One static instance, touched by the single
// user-interface thread only.
#ifndef SHARED_SETUP_STATE_H
#define SHARED_SETUP_STATE_H

#include <windows.h>
#include <stdint.h>

#include "path_text.h"

struct SetupStateRecord {
    int32_t cancelled;             // finish prompt is shown only while 0
    int32_t extracting;            // panel shows progress instead of idle look
    uint32_t progressTotal;        // fileCount once extraction starts
    uint32_t progressDone;         // output files created so far
    char currentFile[kPathSize];   // full path of the file being written
    char installDir[kPathSize];    // ends with a backslash once created
    char startDir[kPathSize];      // current directory at start
    HWND dialogWindow;             // the install dialog
    HWND progressPanel;            // control 1005, repainted after each file
    HMODULE moduleHandle;          // never assigned: null is our own executable
    HANDLE installFolder;          // the install directory, held from its creation to the launch
                                   // (INVALID_HANDLE_VALUE for a drive's root, which the
                                   // folder chain holds)
};

extern SetupStateRecord SetupState;

#endif
