// Random sound streams (random blocks, codes from balanced to 16-bit deep,
// single-symbol forms, zero runs, escapes, matches up to 8,192 back) decode
// to exactly the bytes they were made from, in the installer's chunks.
#include <gtest/gtest.h>

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
