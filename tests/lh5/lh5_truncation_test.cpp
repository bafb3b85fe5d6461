// Records cut short: the input runs out and the rest would decode from zero
// fill. Decoding that consumes more bits than the record holds sets error;
// a sound stream, whose last look-ahead bits stay unused, never does.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

// One block whose literal code gives every byte 8 bits: symbol 0 is what
// zero fill decodes to, so the codes alone never notice a cut.
struct ByteStream {
    std::vector<uint8_t> stream;
    std::vector<uint8_t> bytes;
    size_t headerBytes;
};

ByteStream EightBitLiterals(size_t count)
{
    std::mt19937 rng(3);
    ByteStream s;
    Lh5Block block;
    std::vector<int> all(256);
    for (int i = 0; i < 256; i++)
        all[i] = i;
    block.literalLengths = BalancedLengths(510, all);
    block.positionSingle = 0;
    BitWriter header;
    PutBlock(header, block);
    for (size_t i = 0; i < count; i++) {
        s.bytes.push_back((uint8_t)rng());
        block.tokens.push_back({s.bytes.back(), 0});
    }
    BitWriter w;
    PutBlock(w, block);
    s.stream = w.bytes;
    s.headerBytes = (size_t)(header.bitCount / 8);
    return s;
}

TEST(Lh5Truncation, CutShortRecordFailsInTheChunkWhereItsInputRanOut)
{
    ByteStream s = EightBitLiterals(20000);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(s.stream, 20000, &errorChunk), s.bytes);
    EXPECT_EQ(errorChunk, -1);

    std::vector<uint8_t> cut(s.stream.begin(), s.stream.begin() + s.headerBytes + 12000);
    std::vector<uint8_t> out = DecodeRecord(cut, 20000, &errorChunk);
    EXPECT_EQ(errorChunk, 1);
    EXPECT_EQ(out.size(), 8192u); // the first chunk was still whole and sound

    std::vector<uint8_t> lastByteMissing(s.stream.begin(), s.stream.end() - 1);
    DecodeRecord(lastByteMissing, 20000, &errorChunk);
    EXPECT_EQ(errorChunk, 2);
}

// A stream of exactly 8 x n bits decodes cleanly from its n bytes; without
// its last byte the final bits come from zero fill and error is set.
TEST(Lh5Truncation, LastBitOfTheInputIsTheLimit)
{
    Lh5Block block;
    block.literalLengths = BalancedLengths(510, {'0', '1'});
    block.positionSingle = 0;
    std::vector<uint8_t> want;
    for (int i = 0;; i++) { // one more bit per symbol until a byte is full
        BitWriter probe;
        PutBlock(probe, block);
        if (want.size() >= 20 && probe.bitCount % 8 == 0)
            break;
        int bit = (i * 5 / 3) & 1;
        block.tokens.push_back({'0' + bit, 0});
        want.push_back((uint8_t)('0' + bit));
    }
    BitWriter w;
    PutBlock(w, block);
    ASSERT_EQ(w.bitCount % 8, 0u);

    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, (uint32_t)want.size(), &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 8 * w.bytes.size());

    std::vector<uint8_t> cut(w.bytes.begin(), w.bytes.end() - 1);
    DecodeRecord(cut, (uint32_t)want.size(), &errorChunk);
    EXPECT_EQ(errorChunk, 0);
}

// The single-symbol stream spends 52 bits on its header and none after:
// the 4 padding bits and the 16 look-ahead bits are fetched but never
// consumed, whatever the length of the output.
TEST(Lh5Truncation, UnusedLookAheadAtTheEndIsNoTruncation)
{
    BitWriter w;
    w.Put(0, 16);
    w.Put(0, 5);
    w.Put(0, 5);
    w.Put(0, 9);
    w.Put(200, 9);
    w.Put(0, 4);
    w.Put(0, 4);
    ASSERT_EQ(w.bytes.size(), 7u);
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(w.bytes, 100000, &errorChunk);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(out, std::vector<uint8_t>(100000, 200));

    std::vector<uint8_t> six(w.bytes.begin(), w.bytes.begin() + 6);
    DecodeRecord(six, 1, &errorChunk);
    EXPECT_EQ(errorChunk, 0);
}

// The consumption count saturates: a record too long for 32 bits of count
// can never wrap round to look short.
TEST(Lh5Truncation, ConsumptionCountDoesNotWrap)
{
    std::vector<uint8_t> input(4, 0);
    Lh5Decoder.input = input.data();
    Lh5Decoder.inputLimit = 4;
    Lh5Start();
    Lh5Decoder.bitsConsumed = 0xFFFFFFF8u;
    Lh5FillBits(16);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0xFFFFFFFFu);
    Lh5GetBits(3);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 0xFFFFFFFFu);
}

} // namespace
