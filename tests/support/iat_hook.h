// Redirecting a call that this test program's own code (including the
// product code linked into it) makes to a DLL function: the entry of the
// program's import table is replaced, so every call through it reaches the
// replacement instead. Lets a test record the arguments of, or fail, one
// platform call of the code under test while everything else stays real.
#ifndef TESTS_SUPPORT_IAT_HOOK_H
#define TESTS_SUPPORT_IAT_HOOK_H

#include <windows.h>

namespace testsupport {

// Replaces the import of dll!function in module's import table with
// replacement. Returns the address it pointed to before (to call through or
// to restore), or null when module does not import that function by name.
void *ReplaceImport(HMODULE module, const char *dll, const char *function, void *replacement);

// Replaces an import of this program for the lifetime of the object.
class ImportHook {
public:
    ImportHook(const char *dll, const char *function, void *replacement);
    ~ImportHook();
    ImportHook(const ImportHook &) = delete;
    ImportHook &operator=(const ImportHook &) = delete;

    // The function that was imported before: null if the hook failed.
    void *Original() const { return original_; }

private:
    const char *dll_;
    const char *function_;
    void *original_;
};

}   // namespace testsupport

#endif
