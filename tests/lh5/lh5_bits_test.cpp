// Bit input: start-up, the look-ahead invariant, zero fill, long fills.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

TEST(Lh5Bits, StartFetchesTwoBytesOfLookAheadWithoutConsumingThem)
{
    // State left by an earlier record must not leak into the start.
    Lh5Decoder.pendingByte = 0xFF;
    Lh5Decoder.pendingBits = 5;
    Lh5Decoder.bitsConsumed = 1234;
    Lh5Decoder.blockRemaining = 9;
    Lh5Decoder.copyRemaining = 3;
    // The window and the copy position are kept: a match of the next record
    // may read what the previous one left.
    Lh5Decoder.copyPosition = 4321;
    Lh5Decoder.window[8191] = 0x5A;
    std::vector<uint8_t> none;
    StartRecord(none);
    EXPECT_EQ(Lh5Decoder.copyPosition, 4321u);
    EXPECT_EQ(Lh5Decoder.window[8191], 0x5A);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0u);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0u);
    EXPECT_EQ(Lh5Decoder.blockRemaining, 0u);
    EXPECT_EQ(Lh5Decoder.copyRemaining, 0);
    EXPECT_EQ(Lh5Decoder.error, 0);

    std::vector<uint8_t> one{0xA5};
    StartRecord(one);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0xA500u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 1u);

    std::vector<uint8_t> three{0x12, 0x34, 0x56};
    StartRecord(three);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x1234u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 2u);
    EXPECT_EQ(Lh5Decoder.pendingBits, 0);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0u);
}

// Any mix of reads (0..16 bits) and fills (0..20 bits, more than a sound
// stream asks for) keeps bitBuffer equal to the next 16 bits of the stream,
// reads zeros past the end without raising error, and counts every bit.
TEST(Lh5Bits, ReadsAndFillsFollowTheStreamBitForBit)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; round++) {
        std::vector<uint8_t> input(std::uniform_int_distribution<int>(0, 40)(rng));
        for (uint8_t &b : input)
            b = (uint8_t)rng();
        StartRecord(input);
        for (uint64_t at = 0; at < input.size() * 8 + 64;) {
            ASSERT_EQ(Lh5Decoder.bitBuffer, BitsAt(input, at, 16)) << "at bit " << at;
            int n = std::uniform_int_distribution<int>(0, 20)(rng);
            if (n <= 16 && (rng() & 1))
                ASSERT_EQ(Lh5GetBits(n), BitsAt(input, at, n)) << "at bit " << at;
            else
                Lh5FillBits(n);
            at += (uint64_t)n;
            ASSERT_EQ(Lh5Decoder.bitsConsumed, at);
            ASSERT_LE(Lh5Decoder.inputIndex, input.size());
        }
        EXPECT_EQ(Lh5Decoder.error, 0);
    }
}

}   // namespace
