// Bit input: start-up, look-ahead invariant, zero fill, long fills.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lh5_decoder.h"

namespace {

void StartOn(const std::vector<uint8_t> &input)
{
    Lh5Decoder.input = input.data();
    Lh5Decoder.inputLimit = (uint32_t)input.size();
    Lh5Decoder.error = 0;
    Lh5Start();
}

// Bit i of the input, zero past its end.
uint32_t BitAt(const std::vector<uint8_t> &input, uint64_t i)
{
    if (i / 8 >= input.size())
        return 0;
    return (input[i / 8] >> (7 - i % 8)) & 1;
}

uint32_t BitsAt(const std::vector<uint8_t> &input, uint64_t at, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; i++)
        v = (v << 1) | BitAt(input, at + i);
    return v;
}

TEST(Lh5Bits, StartFetchesTwoBytesOfLookAheadWithoutConsumingThem)
{
    std::vector<uint8_t> none;
    std::vector<uint8_t> one{0xA5};
    std::vector<uint8_t> three{0x12, 0x34, 0x56};

    // Dirty state from an earlier record must not leak into the start.
    Lh5Decoder.bitBuffer = 0xFFFF;
    Lh5Decoder.pendingByte = 0xFF;
    Lh5Decoder.pendingBits = 5;
    Lh5Decoder.inputIndex = 77;
    Lh5Decoder.bitsConsumed = 1234;
    Lh5Decoder.blockRemaining = 9;
    Lh5Decoder.copyRemaining = 3;
    StartOn(none);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 0u);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0u);
    EXPECT_EQ(Lh5Decoder.blockRemaining, 0u);
    EXPECT_EQ(Lh5Decoder.copyRemaining, 0);
    EXPECT_EQ(Lh5Decoder.error, 0);

    StartOn(one);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0xA500u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 1u);
    EXPECT_EQ(Lh5Decoder.error, 0);

    StartOn(three);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x1234u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 2u);
    EXPECT_EQ(Lh5Decoder.pendingBits, 0);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0u);
}

TEST(Lh5Bits, GetBitsOfZeroReturnsZeroAndConsumesNothing)
{
    std::vector<uint8_t> input{0xFF, 0xFF, 0xFF};
    StartOn(input);
    EXPECT_EQ(Lh5GetBits(0), 0u);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0xFFFFu);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0u);
    EXPECT_EQ(Lh5GetBits(3), 7u);
    EXPECT_EQ(Lh5GetBits(0), 0u);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 3u);
}

// Any mix of reads and fills, including fills of 17 to 20 bits that only a
// damaged stream asks for, keeps bitBuffer equal to the next 16 bits of the
// stream, reads zero bits past the end without raising error, and counts
// every consumed bit.
TEST(Lh5Bits, RandomReadsAndFillsFollowTheStreamBitForBit)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; round++) {
        std::vector<uint8_t> input(std::uniform_int_distribution<int>(0, 40)(rng));
        for (uint8_t &b : input)
            b = (uint8_t)rng();
        StartOn(input);
        uint64_t at = 0;
        while (at < input.size() * 8 + 64) {
            ASSERT_EQ(Lh5Decoder.bitBuffer, BitsAt(input, at, 16)) << "at bit " << at;
            int n = std::uniform_int_distribution<int>(0, 20)(rng);
            if (n <= 16 && (rng() & 1)) {
                ASSERT_EQ(Lh5GetBits(n), BitsAt(input, at, n)) << "at bit " << at;
            } else {
                Lh5FillBits(n);
            }
            at += (uint64_t)n;
            ASSERT_EQ(Lh5Decoder.bitsConsumed, at);
            ASSERT_LE(Lh5Decoder.inputIndex, input.size());
            ASSERT_GE(Lh5Decoder.pendingBits, 0);
            ASSERT_LE(Lh5Decoder.pendingBits, 8);
        }
        EXPECT_EQ(Lh5Decoder.error, 0);
    }
}

TEST(Lh5Bits, TwentyBitFillDropsExactlyTwentyBits)
{
    std::vector<uint8_t> input{0xFF, 0xFF, 0xF1, 0x23, 0x45, 0x67, 0x89};
    StartOn(input);
    Lh5FillBits(20);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x1234u);
    Lh5FillBits(20);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x6789u);
    EXPECT_EQ(Lh5Decoder.inputIndex, 7u);
    Lh5FillBits(20);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0u);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 60u);
    EXPECT_EQ(Lh5Decoder.error, 0);
}

} // namespace
