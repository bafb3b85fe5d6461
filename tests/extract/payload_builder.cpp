#include "payload_builder.h"

#include <algorithm>

static void AppendU32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

void AppendRecord(std::vector<uint8_t> &archive, const TestRecord &record)
{
    uint32_t headerSize = record.headerSize != 0 ? record.headerSize
                                                 : (uint32_t)(20 + record.name.size() + 1);
    uint32_t unpacked = record.unpackedSize >= 0 ? (uint32_t)record.unpackedSize
                                                 : (uint32_t)record.data.size();
    AppendU32(archive, record.magic);
    AppendU32(archive, headerSize);
    AppendU32(archive, record.method);
    AppendU32(archive, (uint32_t)record.data.size());
    AppendU32(archive, unpacked);
    // The name field is headerSize - 20 bytes: the name, its NUL, and zero
    // padding when the header is declared larger (cut short when smaller).
    std::vector<uint8_t> field(record.name.begin(), record.name.end());
    field.push_back(0);
    field.resize(headerSize > 20 ? headerSize - 20 : 0, 0);
    archive.insert(archive.end(), field.begin(), field.end());
    archive.insert(archive.end(), record.data.begin(), record.data.end());
}

TestRecord StoredRecord(const std::string &name, const std::vector<uint8_t> &bytes)
{
    TestRecord record;
    record.name = name;
    record.method = 0;
    record.data = bytes;
    return record;
}

TestRecord Lh5Record(const std::string &name, const std::vector<uint8_t> &bytes)
{
    Lh5StreamWriter writer;
    writer.Literals(bytes);
    TestRecord record;
    record.name = name;
    record.method = 1;
    record.data = writer.Finish();
    record.unpackedSize = (int64_t)bytes.size();
    return record;
}

void Lh5StreamWriter::Bits(uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        pending_ = (pending_ << 1) | ((value >> i) & 1);
        if (++pendingBits_ == 8) {
            bytes_.push_back((uint8_t)pending_);
            pending_ = 0;
            pendingBits_ = 0;
        }
    }
}

void Lh5StreamWriter::Literals(const std::vector<uint8_t> &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        size_t count = std::min<size_t>(bytes.size() - done, 65535);
        Bits((uint32_t)count, 16);
        // Code-length code: the single symbol 10 (length 8), read from no bits.
        Bits(0, 5);
        Bits(10, 5);
        // Literal lengths: 256 entries, each "length 8" from that code.
        Bits(256, 9);
        // Position code: the single symbol 0 (never used, there are no matches).
        Bits(0, 4);
        Bits(0, 4);
        for (size_t i = 0; i < count; ++i)
            Bits(bytes[done + i], 8);
        done += count;
    }
}

void Lh5StreamWriter::IncompleteBlock()
{
    Bits(100, 16);
    Bits(1, 5);   // one code length follows
    Bits(1, 3);   // length 1: half of the code space stays unused
    Bits(0, 16);
}

std::vector<uint8_t> Lh5StreamWriter::Finish()
{
    std::vector<uint8_t> out = bytes_;
    if (pendingBits_ > 0)
        out.push_back((uint8_t)(pending_ << (8 - pendingBits_)));
    return out;
}
