// Random sound streams (random blocks, codes from flat to 16 bits deep,
// single-symbol forms, zero runs, escapes, matches up to 8,192 back) decode
// to exactly the bytes they were made from, in the installer's chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

TEST(Lh5RandomStreams, DecodeToTheBytesTheyWereMadeFrom)
{
    std::mt19937 rng(2024);
    const size_t sizes[] = {1, 2, 3, 8191, 8192, 8193, 16385, 70000};
    for (int round = 0; round < 120; round++) {
        size_t size = round < 8 ? sizes[round]
                                : std::uniform_int_distribution<size_t>(1, 40000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        int errorChunk;
        std::vector<uint8_t> out = DecodeRecord(s.stream, (uint32_t)size, &errorChunk);
        ASSERT_EQ(errorChunk, -1) << "round " << round;
        ASSERT_EQ(out, s.expected) << "round " << round;
        ASSERT_GT(Lh5Decoder.bitsConsumed + 8, 8 * s.stream.size()); // all bits read
    }
}

// Between calls the bit state is that of a reader that fetches a byte
// whenever its 16-bit look-ahead needs bits: after p consumed bits it has
// fetched ceil((p + 16) / 8) bytes, zero bytes past the input included.
TEST(Lh5RandomStreams, ChunksLeaveTheBitStateOfTheByteReader)
{
    std::mt19937 rng(404);
    for (int round = 0; round < 20; round++) {
        size_t size = std::uniform_int_distribution<size_t>(8193, 50000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        if (round % 2) // cut short: the tail decodes from zero bytes
            s.stream.resize(s.stream.size() * 3 / 4);
        const std::vector<uint8_t> &in = s.stream;
        Lh5Decoder.input = in.data();
        Lh5Decoder.inputLimit = (uint32_t)in.size();
        Lh5Decoder.error = 0;
        Lh5Start();
        for (size_t left = size; left > 0;) {
            uint32_t c = left > 8192 ? 8192 : (uint32_t)left;
            Lh5DecodeChunk(c, Lh5Decoder.window);
            left -= c;
            uint64_t p = Lh5Decoder.bitsConsumed, fetched = (p + 16 + 7) / 8;
            uint32_t want = 0;
            for (uint64_t i = p; i < p + 16; i++)
                want = (want << 1) | (i / 8 < in.size() ? (in[i / 8] >> (7 - i % 8)) & 1 : 0);
            ASSERT_EQ(Lh5Decoder.bitBuffer, want) << "round " << round;
            ASSERT_EQ(Lh5Decoder.pendingBits, (int32_t)(fetched * 8 - p - 16));
            ASSERT_EQ(Lh5Decoder.inputIndex, std::min<uint64_t>(fetched, in.size()));
            ASSERT_EQ(Lh5Decoder.pendingByte, fetched <= in.size() ? in[fetched - 1] : 0u);
        }
        EXPECT_EQ(Lh5Decoder.error, round % 2);
    }
}

} // namespace
