#include "iat_hook.h"

namespace testsupport {

namespace {

template <typename T>
T *At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<T *>(reinterpret_cast<BYTE *>(module) + rva);
}

// Writes one import slot, lifting the page protection for the moment.
void WriteSlot(void **slot, void *value)
{
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

}   // namespace

void *ReplaceImport(HMODULE module, const char *dll, const char *function, void *replacement)
{
    IMAGE_DOS_HEADER *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(module);
    if (module == NULL || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return NULL;
    IMAGE_NT_HEADERS *nt = At<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return NULL;
    for (IMAGE_IMPORT_DESCRIPTOR *import = At<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(At<char>(module, import->Name), dll) != 0 || import->OriginalFirstThunk == 0)
            continue;
        IMAGE_THUNK_DATA *names = At<IMAGE_THUNK_DATA>(module, import->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = At<IMAGE_THUNK_DATA>(module, import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = At<IMAGE_IMPORT_BY_NAME>(module, (DWORD)names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char *>(byName->Name), function) != 0)
                continue;
            void **slot = reinterpret_cast<void **>(&slots->u1.Function);
            void *previous = *slot;
            WriteSlot(slot, replacement);
            return *slot == replacement ? previous : NULL;
        }
    }
    return NULL;
}

ImportHook::ImportHook(const char *dll, const char *function, void *replacement)
    : dll_(dll), function_(function),
      original_(ReplaceImport(GetModuleHandleA(NULL), dll, function, replacement))
{
}

ImportHook::~ImportHook()
{
    if (original_ != NULL)
        ReplaceImport(GetModuleHandleA(NULL), dll_, function_, original_);
}

}   // namespace testsupport
