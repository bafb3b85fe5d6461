// Records cut short: past its input the stream reads as zero bits. Decoding
// that consumes more bits than the record holds sets error; a sound stream,
// whose last look-ahead bits stay unused, never does.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

// 20,000 random bytes under a literal code of 8 bits each: zero fill decodes
// as symbol 0, so the codes alone never notice a cut.
TEST(Lh5Truncation, CutShortRecordFailsInTheChunkWhereItsInputRanOut)
{
    std::mt19937 rng(3);
    std::vector<int> all(256);
    for (int i = 0; i < 256; i++)
        all[i] = i;
    Lh5Block block;
    block.literalLengths = BalancedLengths(510, all);
    block.positionSingle = 0;
    BitWriter header;
    PutBlock(header, block);
    for (int i = 0; i < 20000; i++)
        block.tokens.push_back({(int)(rng() & 0xFF), 0});
    std::vector<uint8_t> want;
    ApplyTokens(block.tokens, want);
    BitWriter w;
    PutBlock(w, block);

    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, 20000, &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
    std::vector<uint8_t> cut(w.bytes.begin(), w.bytes.begin() + header.bitCount / 8 + 12000);
    EXPECT_EQ(DecodeRecord(cut, 20000, &errorChunk).size(), 8192u);
    EXPECT_EQ(errorChunk, 1);
    std::vector<uint8_t> lastByteMissing(w.bytes.begin(), w.bytes.end() - 1);
    DecodeRecord(lastByteMissing, 20000, &errorChunk);
    EXPECT_EQ(errorChunk, 2);
}

// A stream of exactly 8 x n bits (1-bit literals fill the last byte) decodes
// cleanly from its n bytes; without its last byte error is set.
TEST(Lh5Truncation, LastBitOfTheInputIsTheLimit)
{
    Lh5Block block;
    block.literalLengths = BalancedLengths(510, {'0', '1'});
    block.positionSingle = 0;
    BitWriter w;
    for (int i = 0;; i++) {
        w = BitWriter();
        PutBlock(w, block);
        if (i >= 20 && w.bitCount % 8 == 0)
            break;
        block.tokens.push_back({'0' + ((i * 5 / 3) & 1), 0});
    }
    std::vector<uint8_t> want;
    ApplyTokens(block.tokens, want);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, (uint32_t)want.size(), &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 8 * w.bytes.size());

    std::vector<uint8_t> cut(w.bytes.begin(), w.bytes.end() - 1);
    DecodeRecord(cut, (uint32_t)want.size(), &errorChunk);
    EXPECT_EQ(errorChunk, 0);
}

// The count saturates: however long a record, it cannot wrap and look short.
TEST(Lh5Truncation, ConsumptionCountDoesNotWrap)
{
    std::vector<uint8_t> input(4, 0);
    StartRecord(input);
    Lh5Decoder.bitsConsumed = 0xFFFFFFF8u;
    Lh5FillBits(16);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0xFFFFFFFFu);
}

}   // namespace
