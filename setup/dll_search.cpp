// Restricting the DLL search of the running process to the system folder.
#include "dll_search.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL(WINAPI *SetDefaultDllDirectoriesProc)(DWORD directoryFlags);

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
}
