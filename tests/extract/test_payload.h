// Test payloads built in memory: archive records and lh5 streams.
#ifndef TESTS_EXTRACT_TEST_PAYLOAD_H
#define TESTS_EXTRACT_TEST_PAYLOAD_H

#include "test_files.h"

// One record; headerSize 0 means 20 + name + NUL, unpackedSize -1 data.size().
struct TestRecord {
    std::string name;
    uint32_t method = 0;
    Bytes data;
    int64_t unpackedSize = -1;
    uint32_t headerSize = 0;
};

inline void AppendU32(Bytes &out, uint32_t value)
{
    for (int i = 0; i < 32; i += 8)
        out.push_back((uint8_t)(value >> i));
}

inline void AppendRecord(Bytes &archive, const TestRecord &r)
{
    uint32_t headerSize = r.headerSize ? r.headerSize : (uint32_t)(r.name.size() + 21);
    for (uint32_t value : {0x0A72617Au, headerSize, r.method, (uint32_t)r.data.size(),
                           (uint32_t)(r.unpackedSize < 0 ? r.data.size() : r.unpackedSize)})
        AppendU32(archive, value);
    Bytes field(r.name.begin(), r.name.end());
    field.resize(headerSize - 20, 0);   // NUL and padding, or cut short
    archive.insert(archive.end(), field.begin(), field.end());
    archive.insert(archive.end(), r.data.begin(), r.data.end());
}

// Writes lh5 streams, first bit in the most significant position.
struct Lh5Writer {
    Bytes bytes;
    int used = 8;
    void Bits(uint32_t value, int count)
    {
        while (count-- > 0) {
            if (used == 8)
                bytes.push_back(0), used = 0;
            bytes.back() |= (uint8_t)(((value >> count) & 1) << (7 - used++));
        }
    }
    // Blocks whose literal code gives every byte an 8-bit code, the byte
    // itself: the code-length code is the single symbol 10 (length 8), 256
    // literal lengths follow from zero bits each, the position code is the
    // single symbol 0. No matches.
    Lh5Writer &Literals(const Bytes &data)
    {
        for (size_t done = 0; done < data.size();) {
            size_t count = std::min<size_t>(data.size() - done, 65535);
            Bits((uint32_t)count, 16), Bits(0, 5), Bits(10, 5), Bits(256, 9), Bits(0, 8);
            while (count-- > 0)
                Bits(data[done++], 8);
        }
        return *this;
    }
    // A block whose code-length code is one length-1 code: not complete.
    Lh5Writer &Incomplete() { return Bits(100, 16), Bits(1, 5), Bits(1, 3), Bits(0, 16), *this; }
};

inline TestRecord Stored(const std::string &name, const Bytes &data) { return {name, 0, data}; }
inline TestRecord Lh5(const std::string &name, const Bytes &data)
{
    return {name, 1, Lh5Writer().Literals(data).bytes, (int64_t)data.size()};
}

#endif
