// The baseline of the planted-DLL test: a program with the same imports as
// setup.exe that restricts its DLL search first, as setup.exe does, and then
// ends. Whatever it loads from beside itself is loaded by Wine before the
// program's first instruction, where no program can prevent it.
// Started with "unrestricted" it is the test's control instead: it loads
// version.dll by name without restricting the search, which must reach a
// planted copy, or the test could not see a planted DLL at all.
// Started with "load NAME..." it restricts the search and then loads each
// named DLL by name, as any code of the process may do later.
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
    static const char kLoad[] = "load ";
    if (CompareStringA(LOCALE_INVARIANT, 0, commandLine, 5, kLoad, 5) == CSTR_EQUAL) {
        char name[MAX_PATH];
        const char *next = commandLine + 5;
        while (*next != '\0') {
            int length = 0;
            while (next[length] != '\0' && next[length] != ' ' && length < MAX_PATH - 5) {
                name[length] = next[length];
                ++length;
            }
            next += length;
            while (*next == ' ')
                ++next;
            lstrcpyA(name + length, ".dll");
            LoadLibraryA(name);
        }
        return 0;
    }
    return importsLikeSetup[0] != NULL ? 0 : 1;
}
