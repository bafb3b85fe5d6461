// The installer's walk over a payload archive: every record read, every lh5
// record decoded in 8,192-byte chunks. Records must stay inside the archive.
#include <string.h>

#include "decode_record.h"
#include "payload_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    const uint32_t archiveSize = (uint32_t)size;
    uint32_t offset = 0;
    int32_t budget = 256 << 10;   // total output decoded per input
    for (;;) {
        PayloadRecord record;
        int32_t result = PayloadReadRecord(data, offset, archiveSize, &record);
        if (result != 1)
            break;
        const uint8_t *end = data + size;
        const uint8_t *name = (const uint8_t *)record.name;
        if (name < data || name >= end || record.data < data || record.data + record.packedSize > end ||
            memchr(record.name, 0, record.headerSize - kPayloadFixedHeader) == nullptr)
            abort();
        if (record.next <= offset)
            abort();   // the walk always moves forward
        if (record.method == kPayloadMethodLh5 && budget > 0) {
            int32_t unpacked = (int32_t)record.unpackedSize;
            DecodeRecord(record.data, record.packedSize, unpacked, budget, [](const uint8_t *, uint32_t) {});
            if (unpacked > 0)
                budget -= unpacked < budget ? unpacked : budget;
        }
        offset = record.next;
    }
    return 0;
}
