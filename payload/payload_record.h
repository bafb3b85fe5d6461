// Payload archive records: a flat run of records, no archive header, no
// directory, no trailer. All integers 32-bit little-endian, records unaligned.
//
//   offset 0  magic        "zar\n" (0x0A72617A)
//          4  headerSize   20 + length of name + 1
//          8  method       1: lh5 stream; anything else: stored bytes
//         12  packedSize   data bytes in the record
//         16  unpackedSize size of the file to write
//         20  name         relative path, backslashes, NUL-terminated
//
// Portable: no platform headers, reads only inside [archive, archive + size).
#ifndef PAYLOAD_PAYLOAD_RECORD_H
#define PAYLOAD_PAYLOAD_RECORD_H

#include <stdint.h>

enum {
    kPayloadMagic = 0x0A72617A,
    kPayloadFixedHeader = 20,   // header bytes before the name
    kPayloadMinHeader = 22,     // room for a one-character name and its NUL
    kPayloadMethodStored = 0,
    kPayloadMethodLh5 = 1
};

struct PayloadRecord {
    uint32_t magic;
    uint32_t headerSize;
    uint32_t method;
    uint32_t packedSize;
    uint32_t unpackedSize;
    const char *name;      // points into the archive; NUL within the field
    const uint8_t *data;   // first data byte
    uint32_t next;         // offset of the following record
};

// Reads the record at offset of an archive of size bytes.
// Returns 1 for a valid record (filled in), 0 at the end of the archive
// (fewer than 21 bytes left), -1 for an invalid record: wrong magic, header
// reaching the end of the archive, empty name, headerSize below 22, a name
// field without its NUL, or data running past the end of the archive.
int32_t PayloadReadRecord(const uint8_t *archive, uint32_t offset, uint32_t size, PayloadRecord *record);

// Little-endian 32-bit read from unaligned memory.
uint32_t PayloadReadU32(const uint8_t *bytes);

#endif
