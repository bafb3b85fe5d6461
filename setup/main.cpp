// Process entry of setup.exe: the whole run is RunSetup, after the DLL search
// has been restricted to the system folder and the configuration record has
// been read from the program's own configuration resource. A program without
// a valid one (a bare stub, or a damaged installer) says so and ends before
// anything is written.
#include "dll_search.h"
#include "run_setup.h"
#include "setup_config_load.h"

static const char kNoConfigText[] =
    "This setup program holds no valid product description.\nIt cannot install anything.";
static const char kNoConfigCaption[] = "Error..!";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    RestrictDllSearch();
    if (LoadSetupConfig() != 1) {
        MessageBoxA(NULL, kNoConfigText, kNoConfigCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    return RunSetup(instance, previous, commandLine, showCommand);
}
