// Where the installer looks for the DLLs it loads while it runs.
#ifndef SETUP_DLL_SEARCH_H
#define SETUP_DLL_SEARCH_H

// Limits the search for every DLL loaded from now on to the system folder,
// so that a DLL planted beside setup.exe (a Downloads folder) or in the
// current directory is never loaded with the installer's rights. Called as
// the program's very first act.
void RestrictDllSearch(void);

#endif
