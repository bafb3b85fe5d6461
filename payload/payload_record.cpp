// Reading one record of the payload archive in place, never outside
// [archive, archive + size).
#include "payload_record.h"

uint32_t PayloadReadU32(const uint8_t *bytes)
{
    return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) |
           ((uint32_t)bytes[3] << 24);
}

int32_t PayloadReadRecord(const uint8_t *archive, uint32_t offset, uint32_t size, PayloadRecord *record)
{
    // The end: fewer than 21 bytes left, tested in 32-bit arithmetic.
    uint32_t fixedEnd = offset + (uint32_t)kPayloadFixedHeader;
    if (fixedEnd >= size)
        return 0;
    // An offset so close to 4 GiB that the sum wrapped lies outside the
    // archive: nothing there can be read.
    if (fixedEnd < offset)
        return -1;

    const uint8_t *header = archive + offset;
    record->magic = PayloadReadU32(header);
    record->headerSize = PayloadReadU32(header + 4);
    record->method = PayloadReadU32(header + 8);
    record->packedSize = PayloadReadU32(header + 12);
    record->unpackedSize = PayloadReadU32(header + 16);
    record->name = 0;
    record->data = 0;
    record->next = 0;

    if (record->magic != (uint32_t)kPayloadMagic)
        return -1;
    // The header must end before the end of the archive.
    if ((uint32_t)(offset + record->headerSize) >= size)
        return -1;
    // Room for at least a one-character name and its NUL, and the data must
    // lie within the archive (64-bit sums: no wrap can hide an overrun).
    if (record->headerSize < (uint32_t)kPayloadMinHeader)
        return -1;
    uint64_t end = (uint64_t)offset + record->headerSize + record->packedSize;
    if (end > size)
        return -1;

    const char *name = (const char *)header + kPayloadFixedHeader;
    if (name[0] == 0)
        return -1;
    uint32_t nameSize = record->headerSize - (uint32_t)kPayloadFixedHeader;
    uint32_t i = 1;
    while (i < nameSize && name[i] != 0)
        i++;
    if (i == nameSize)
        return -1;

    record->name = name;
    record->data = header + record->headerSize;
    record->next = (uint32_t)end;
    return 1;
}
