// Test payloads built in memory: archive records and small lh5 streams.
#ifndef TESTS_EXTRACT_PAYLOAD_BUILDER_H
#define TESTS_EXTRACT_PAYLOAD_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

// One archive record. headerSize 0 means the regular 20 + name + NUL;
// unpackedSize -1 means data.size().
struct TestRecord {
    std::string name;
    uint32_t method = 0;
    std::vector<uint8_t> data;
    int64_t unpackedSize = -1;
    uint32_t headerSize = 0;
    uint32_t magic = 0x0A72617A;
};

// Appends the record's header, name (with NUL) and data to archive.
void AppendRecord(std::vector<uint8_t> &archive, const TestRecord &record);
TestRecord StoredRecord(const std::string &name, const std::vector<uint8_t> &bytes);
// An lh5 record that decodes to bytes (literal blocks, see Lh5StreamWriter).
TestRecord Lh5Record(const std::string &name, const std::vector<uint8_t> &bytes);

// Writes lh5 streams bit by bit, first bit in the most significant position.
class Lh5StreamWriter {
public:
    // Blocks of up to 65,535 symbols whose literal code gives every byte value
    // an 8-bit code (the byte itself); no matches. Decodes to exactly bytes.
    void Literals(const std::vector<uint8_t> &bytes);
    // A block header whose first code has a single length-1 code: not a
    // complete code, so the decoder raises its error on it.
    void IncompleteBlock();
    std::vector<uint8_t> Finish();

private:
    void Bits(uint32_t value, int count);
    std::vector<uint8_t> bytes_;
    uint32_t pending_ = 0;
    int pendingBits_ = 0;
};

#endif
