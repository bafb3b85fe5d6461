#include "iat_hook.h"

#include <windows.h>

void *HookImport(const char *dll, const char *function, void *replacement)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS *nt =
        (const IMAGE_NT_HEADERS *)(base + ((const IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return NULL;
    for (const IMAGE_IMPORT_DESCRIPTOR *entry =
             (const IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA((const char *)(base + entry->Name), dll) != 0 || entry->OriginalFirstThunk == 0)
            continue;
        // The lookup table keeps the names; the address table at the same
        // index holds the bound address the calls go through.
        const IMAGE_THUNK_DATA *names = (const IMAGE_THUNK_DATA *)(base + entry->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME *byName =
                (const IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (lstrcmpA((const char *)byName->Name, function) != 0)
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                &protection))
                return NULL;
            void *previous = (void *)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)replacement;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return previous;
        }
    }
    return NULL;
}
