// Process entry of setup.exe: the whole run is RunSetup.
#include "run_setup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    return RunSetup(instance, previous, commandLine, showCommand);
}
