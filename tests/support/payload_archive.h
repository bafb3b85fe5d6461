// Payload archives built in memory: records with any header values, so that
// one field at a time can be made to lie.
#ifndef TESTS_SUPPORT_PAYLOAD_ARCHIVE_H
#define TESTS_SUPPORT_PAYLOAD_ARCHIVE_H

#include <string>
#include <vector>

#include "test_data.h"

// One record. The name (with its NUL unless nul is false) follows the fixed
// header and the data follow the name, whatever the header fields claim; -1
// in a size field writes the value that matches those bytes.
struct TestRecord {
    std::string name;
    uint32_t method = 0;
    Bytes data;
    int64_t unpackedSize = -1;   // -1: data.size()
    int64_t headerSize = -1;     // -1: 20 + name + NUL
    int64_t packedSize = -1;     // -1: data.size()
    uint32_t magic = 0x0A72617A;
    bool nul = true;
};

void AppendRecord(Bytes &archive, const TestRecord &record);
Bytes BuildArchive(const std::vector<TestRecord> &records);

// A stored record of data, or of text.
inline TestRecord Stored(const std::string &name, const Bytes &data)
{
    return {name, 0, data};
}
inline TestRecord StoredRecord(const std::string &name, const std::string &text)
{
    return {name, 0, ToBytes(text)};
}
// An lh5 record holding stream, declaring unpackedSize.
inline TestRecord Lh5Record(const std::string &name, const Bytes &stream, int64_t unpackedSize)
{
    return {name, 1, stream, unpackedSize};
}
// An lh5 record of data, every byte coded as an 8-bit literal.
TestRecord Lh5(const std::string &name, const Bytes &data);

#endif
