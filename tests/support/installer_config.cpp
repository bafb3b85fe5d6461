#include "installer_config.h"

#include <windows.h>

std::string LoadInstallerConfig(const std::string &exe, SetupConfigImage *copy, SetupConfigRecord *record)
{
    HMODULE module =
        LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == NULL)
        return "cannot load " + exe + " (error " + std::to_string(GetLastError()) + ")";
    const int32_t result = LoadSetupConfigFrom(module, copy, record);
    FreeLibrary(module);
    if (result != 1)
        return exe + " holds no valid configuration resource";
    return "";
}
