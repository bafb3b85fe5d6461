// The main program compared with the payload's first record; see
// program_check.h. Identity alone (volume and file number) cannot tell a
// file rewritten in place by someone who may write it: only its bytes can.
#include "program_check.h"

#include "extract_payload.h"
#include "lh5_decoder.h"
#include "payload_record.h"

enum {
    kComparePiece = 4096
};

static uint8_t readBack[kComparePiece];

// Compares count bytes with the next count bytes of the file (a chunk
// sink). 1 when they are the same.
static int32_t SameAsFile(void *file, const uint8_t *bytes, uint32_t count)
{
    while (count > 0) {
        const DWORD piece = count < kComparePiece ? count : (DWORD)kComparePiece;
        DWORD got = 0;
        if (!ReadFile((HANDLE)file, readBack, piece, &got, NULL) || got != piece)
            return 0;
        for (DWORD i = 0; i < piece; ++i)
            if (readBack[i] != bytes[i])
                return 0;
        bytes += piece;
        count -= piece;
    }
    return 1;
}

int32_t FileIsFirstRecord(HANDLE file, const char *name)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(kPayloadResourceId), PAYLOAD_RESOURCE_TYPE);
    const DWORD size = SizeofResource(module, info);
    const uint8_t *archive = (const uint8_t *)LockResource(LoadResource(module, info));
    PayloadRecord record;
    if (archive == NULL || PayloadReadRecord(archive, 0, size, &record) != 1 ||
        lstrcmpiA(record.name, name) != 0)
        return 0;
    int32_t same;
    if (record.method == kPayloadMethodLh5) {
        same = Lh5DecodeRecord(record.data, record.packedSize, (int32_t)record.unpackedSize, SameAsFile,
                               file) == 1;
    } else {
        const uint32_t dataOffset = (uint32_t)(record.data - archive);
        same = record.unpackedSize <= record.packedSize && record.unpackedSize <= size - dataOffset &&
               SameAsFile(file, record.data, record.unpackedSize);
    }
    // Nothing may follow the program's last byte.
    DWORD extra = 0;
    return same && ReadFile(file, readBack, 1, &extra, NULL) && extra == 0;
}
