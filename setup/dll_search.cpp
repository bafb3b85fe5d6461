// Restricting the DLL search of the running process to the system folder.
#include "dll_search.h"
#include "path_text.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL(WINAPI *SetDefaultDllDirectoriesProc)(DWORD directoryFlags);

// DLLs that the user interface, the shell and COM load by name only when
// they first need them. Loaded here from the system folder by full path,
// they are found already loaded when asked for later. This covers what the
// restriction cannot: systems without SetDefaultDllDirectories, where the
// program's own folder stays first in the search, and loaders that resolve
// delay-loaded imports with the default search order (Wine does).
static const char *const kLoadedOnDemand[] = {
    "uxtheme.dll",
    "msimg32.dll",
};

enum {
    kLongestName = 32
};

static void LoadFromSystemFolder(void)
{
    char path[kPathSize];
    UINT length = GetSystemDirectoryA(path, kPathSize);
    if (length == 0 || length + 1 + kLongestName > kPathSize)
        return;
    path[length++] = '\\';
    for (unsigned i = 0; i < sizeof kLoadedOnDemand / sizeof kLoadedOnDemand[0]; ++i) {
        lstrcpynA(path + length, kLoadedOnDemand[i], kLongestName);
        // Kept loaded for the whole run; its own imports are looked for in
        // the system folder too.
        LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

void RestrictDllSearch(void)
{
    // SetDefaultDllDirectories is looked up at run time: a system without it
    // (Windows before 8 without update KB2533623) still starts the installer,
    // which then relies on the call below alone.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel != NULL ? GetProcAddress(kernel, "SetDefaultDllDirectories") : NULL;
    if (found != NULL) {
        SetDefaultDllDirectoriesProc setDefault =
            reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void (*)(void)>(found));
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current directory out of the search order as well.
    SetDllDirectoryA("");
    LoadFromSystemFolder();
}
