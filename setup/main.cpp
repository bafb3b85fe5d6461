// Process entry of setup.exe: the whole run is RunSetup, after the DLL search
// has been restricted to the system folder.
#include "dll_search.h"
#include "run_setup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    RestrictDllSearch();
    return RunSetup(instance, previous, commandLine, showCommand);
}
