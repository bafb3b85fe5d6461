// Bit output in the order the lh5 decoder reads: each byte filled from its
// most significant bit down.
#ifndef TOOLS_LH5ENC_LH5ENC_BITS_H
#define TOOLS_LH5ENC_LH5ENC_BITS_H

#include <cstdint>
#include <utility>
#include <vector>

namespace lh5enc {

class BitWriter {
public:
    // Appends the low count bits of value (count 0..24), highest bit first.
    void Put(uint32_t value, int count)
    {
        accumulator_ = (accumulator_ << count) | (value & ((1u << count) - 1));
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(accumulator_ >> pending_));
        }
        bits_ += static_cast<uint64_t>(count);
    }

    // Appends the first bitCount bits of bytes, as another writer left them.
    void PutBits(const std::vector<uint8_t> &bytes, uint64_t bitCount)
    {
        const size_t whole = static_cast<size_t>(bitCount / 8);
        for (size_t i = 0; i < whole; ++i)
            Put(bytes[i], 8);
        const int rest = static_cast<int>(bitCount % 8);
        if (rest > 0)
            Put(static_cast<uint32_t>(bytes[whole] >> (8 - rest)), rest);
    }

    uint64_t BitCount() const { return bits_; }

    // Pads the last byte with zero bits and hands over the bytes.
    std::vector<uint8_t> Finish()
    {
        if (pending_ > 0) {
            bytes_.push_back(static_cast<uint8_t>(accumulator_ << (8 - pending_)));
            pending_ = 0;
        }
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
    uint64_t accumulator_ = 0;   // only the low pending_ bits are still unwritten
    int pending_ = 0;
    uint64_t bits_ = 0;
};

}   // namespace lh5enc

#endif
