// Replaces entries of the test program's own import address table, so that
// a test can record the platform calls made by the product code it links
// statically (calls to imported functions go through these entries).
#ifndef TESTS_SUPPORT_IAT_HOOK_H
#define TESTS_SUPPORT_IAT_HOOK_H

// Points the program's import of function from dll (names compared without
// regard to case) at replacement. Returns the entry's previous value, which
// restores it when passed as replacement again; null when the program does
// not import that function.
void *HookImport(const char *dll, const char *function, void *replacement);

#endif
