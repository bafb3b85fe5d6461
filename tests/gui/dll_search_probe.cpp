// The baseline of the planted-DLL test: a program with the same imports as
// setup.exe that restricts its DLL search first, as setup.exe does, and then
// ends. Whatever it loads from beside itself is loaded by Wine before the
// program's first instruction, where no program can prevent it.
// Started with "unrestricted" it is the test's control instead: it loads
// version.dll by name without restricting the search, which must reach a
// planted copy, or the test could not see a planted DLL at all.
#include "dll_search.h"

#include <windows.h>
#include <shlobj.h>

// One function of each DLL that setup.exe imports, so that the probe's
// start-up loads the same DLLs; none of them is called.
static void *volatile importsLikeSetup[] = {
    reinterpret_cast<void *>(&MessageBoxA),          // user32
    reinterpret_cast<void *>(&TextOutA),             // gdi32
    reinterpret_cast<void *>(&RegCloseKey),          // advapi32
    reinterpret_cast<void *>(&SHBrowseForFolderA),   // shell32
    reinterpret_cast<void *>(&CoInitialize),         // ole32
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)instance;
    (void)previous;
    (void)showCommand;
    if (lstrcmpA(commandLine, "unrestricted") == 0)
        return LoadLibraryA("version.dll") != NULL ? 0 : 1;
    RestrictDllSearch();
    return importsLikeSetup[0] != NULL ? 0 : 1;
}
