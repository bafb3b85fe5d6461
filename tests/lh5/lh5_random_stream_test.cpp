// Random sound streams (random blocks, codes from balanced to 16-bit deep,
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
    const size_t sizes[] = {1, 2, 3, 100, 8191, 8192, 8193, 16384, 16385, 70000};
    for (int round = 0; round < 120; round++) {
        size_t size = round < 10 ? sizes[round]
                                 : std::uniform_int_distribution<size_t>(1, 40000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        ASSERT_EQ(s.expected.size(), size);
        int errorChunk;
        std::vector<uint8_t> out = DecodeRecord(s.stream, (uint32_t)size, &errorChunk);
        ASSERT_EQ(errorChunk, -1) << "round " << round;
        ASSERT_EQ(out, s.expected) << "round " << round;
        ASSERT_LE(Lh5Decoder.bitsConsumed, 8 * s.stream.size());
        ASSERT_GT(Lh5Decoder.bitsConsumed + 8, 8 * s.stream.size());
    }
}

// Between calls the bit state is that of a reader that fetches one byte
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
        Lh5Decoder.input = s.stream.data();
        Lh5Decoder.inputLimit = (uint32_t)s.stream.size();
        Lh5Decoder.error = 0;
        Lh5Start();
        for (size_t left = size; left > 0;) {
            uint32_t c = left > 8192 ? 8192 : (uint32_t)left;
            Lh5DecodeChunk(c, Lh5Decoder.window);
            left -= c;
            uint64_t p = Lh5Decoder.bitsConsumed;
            uint64_t fetched = (p + 16 + 7) / 8;
            uint32_t want = 0;
            for (uint64_t i = p; i < p + 16; i++) {
                uint64_t byte = i / 8;
                uint32_t bit = byte < s.stream.size() ? (s.stream[byte] >> (7 - i % 8)) & 1 : 0;
                want = (want << 1) | bit;
            }
            ASSERT_EQ(Lh5Decoder.bitBuffer, want) << "round " << round;
            ASSERT_EQ(Lh5Decoder.pendingBits, (int32_t)(fetched * 8 - p - 16));
            ASSERT_EQ(Lh5Decoder.inputIndex, std::min<uint64_t>(fetched, s.stream.size()));
            ASSERT_EQ(Lh5Decoder.pendingByte,
                      fetched <= s.stream.size() ? s.stream[fetched - 1] : 0u);
        }
        EXPECT_EQ(Lh5Decoder.error, round % 2);
    }
}

// The decoder state left by one record (trees, tables, window, a pending
// match) does not leak into the next.
TEST(Lh5RandomStreams, EachRecordStartsAfresh)
{
    std::mt19937 rng(99);
    Lh5TestStream a = RandomStream(rng, 20000);
    Lh5TestStream b = RandomStream(rng, 9000);
    int errorChunk;
    // Leave a: mid-block, mid-match.
    Lh5Decoder.input = a.stream.data();
    Lh5Decoder.inputLimit = (uint32_t)a.stream.size();
    Lh5Decoder.error = 0;
    Lh5Start();
    Lh5DecodeChunk(8192, Lh5Decoder.window);
    Lh5DecodeChunk(5000, Lh5Decoder.window);
    EXPECT_EQ(DecodeRecord(b.stream, 9000, &errorChunk), b.expected);
    EXPECT_EQ(errorChunk, -1);
}

} // namespace
