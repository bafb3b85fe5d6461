// The run of the installer from start to exit, and the install sequence.
#ifndef SETUP_RUN_SETUP_H
#define SETUP_RUN_SETUP_H

#include <windows.h>

int RunSetup(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
void RunInstallSequence(HWND dialog);

#endif
