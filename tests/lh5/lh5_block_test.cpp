// Block headers, symbols and the LZ77 copy, on hand-built streams.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

std::vector<Lh5Token> Literals(size_t count)
{
    std::vector<Lh5Token> tokens;
    for (size_t i = 0; i < count; i++)
        tokens.push_back({(int)((i * 131 + (i >> 8)) & 0xFF), 0});
    return tokens;
}

// One block with flat codes; returns the stream and the bytes it makes.
std::vector<uint8_t> OneBlock(const std::vector<Lh5Token> &tokens, std::vector<uint8_t> *want,
                              int64_t count = -1)
{
    Lh5Block block;
    block.tokens = tokens;
    block.countOverride = count;
    AutoCodes(block);
    BitWriter w;
    PutBlock(w, block);
    want->clear();
    ApplyTokens(tokens, *want);
    return w.bytes;
}

// Lengths 0..6 take three bits, 7 and up 111 then (length - 7) ones and a
// zero: 1110 is 7, 11110 is 8, 111110 is 9. After the third length of the
// aux code (not the position code) two bits give a run of zero lengths.
TEST(Lh5Block, SmallCodeLengthsWithEscapesAndTheZeroRun)
{
    BitWriter w;
    w.Put(10, 5);
    for (uint32_t len : {1, 2, 3})
        w.Put(len, 3);
    w.Put(0, 2);   // no zero run
    for (uint32_t len : {4, 5, 6})
        w.Put(len, 3);
    w.Put(0xE, 4);    // 7
    w.Put(0x1E, 5);   // 8
    w.Put(0x3E, 6);   // 9
    w.Put(0x3E, 6);   // 9
    w.Put(8, 5);      // second aux code
    for (uint32_t len : {2, 2, 3})
        w.Put(len, 3);
    w.Put(2, 2);   // lengths 4 and 5 are zero
    for (uint32_t len : {3, 3, 3})
        w.Put(len, 3);
    w.Put(4, 4);   // position code
    for (uint32_t len : {1, 2, 3, 3})
        w.Put(len, 3);
    w.Put(0, 16);
    StartRecord(w.bytes);

    Lh5ReadAuxLengths(19, 5, 3);
    const uint8_t first[19] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, first, 19));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 46u);
    EXPECT_EQ(Lh5Decoder.auxTable[254], 7u);
    EXPECT_EQ(Lh5Decoder.auxTable[255], 19u);   // tree root for the 9-bit codes

    std::memset(Lh5Decoder.auxLengths, 9, sizeof Lh5Decoder.auxLengths);
    Lh5ReadAuxLengths(19, 5, 3);
    const uint8_t second[19] = {2, 2, 3, 0, 0, 3, 3, 3};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, second, 19));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 71u);

    Lh5ReadAuxLengths(14, 4, -1);
    const uint8_t position[14] = {1, 2, 3, 3};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, position, 14));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 87u);
    EXPECT_EQ(Lh5Decoder.error, 0);
}

// Literal code with the single symbol 65 (count 0, value 65): five bytes of
// 65 with no bits spent per symbol, only the 52 header bits. A header count
// of 0 is a block that never ends.
TEST(Lh5Block, SingleSymbolCodesAndTheEndlessBlock)
{
    BitWriter w;
    w.Put(5, 16);
    w.Put(0, 10);
    w.Put(65, 18);
    w.Put(0, 8);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, 5, &errorChunk), std::vector<uint8_t>(5, 65));
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 52u);

    std::vector<uint8_t> want;
    std::vector<uint8_t> endless = OneBlock({{'a', 0}, {'b', 0}, {'c', 0}}, &want, 0);
    EXPECT_EQ(DecodeRecord(endless, 3, &errorChunk), want);
    EXPECT_EQ(Lh5Decoder.blockRemaining, 0xFFFFFFFDu);
}

// Position 0 copies from one byte back: a match of 256 repeats the last byte.
TEST(Lh5Block, LongestMatchAtPositionZeroIsARun)
{
    std::vector<uint8_t> want;
    std::vector<uint8_t> stream = OneBlock({{'q', 0}, {'x', 0}, {509, 0}, {'y', 0}}, &want);
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(stream, 259, &errorChunk);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(out, want);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 1, out.end() - 1), std::vector<uint8_t>(257, 'x'));
}

// A match cut by the end of a chunk goes on at index 0 of the next chunk
// before any new symbol; a chunk smaller than the rest of the match returns
// with the match still pending.
TEST(Lh5Block, MatchesCarryOverChunkBoundaries)
{
    std::vector<Lh5Token> tokens = Literals(8190);
    tokens.push_back({10 + 253, 99});
    tokens.push_back({0x55, 0});
    tokens.push_back({256 + 253, 0});
    std::vector<uint8_t> want;
    std::vector<uint8_t> stream = OneBlock(tokens, &want);

    StartRecord(stream);
    Lh5DecodeChunk(8192, Lh5Decoder.window);
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.window, want.data(), 8192));
    EXPECT_EQ(Lh5Decoder.copyRemaining, 8);
    uint32_t blockLeft = Lh5Decoder.blockRemaining;
    Lh5DecodeChunk(5, Lh5Decoder.window);
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.window, want.data() + 8192, 5));
    EXPECT_EQ(Lh5Decoder.copyRemaining, 3);
    EXPECT_EQ(Lh5Decoder.blockRemaining, blockLeft);   // no symbol decoded yet

    int errorChunk;   // the same stream in the installer's chunks: 8,192 + 265
    EXPECT_EQ(DecodeRecord(stream, 8457, &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
}

// Position symbol 1 is the value 1 with no extra bits; symbol 13 is 4,096 plus
// 12 extra bits, reaching back up to 8,192 bytes across the chunk boundary.
TEST(Lh5Block, PositionSymbolsOneAndThirteenReachTheirDistances)
{
    ASSERT_EQ(PositionSymbol(1), 1);
    ASSERT_EQ(PositionSymbol(4096), 13);
    ASSERT_EQ(PositionSymbol(8191), 13);
    std::vector<Lh5Token> tokens = Literals(8192);
    for (uint32_t position : {1, 4096, 4096 + 1234, 8191, 1})
        tokens.push_back({3 + 253 + (int)(position % 7), position});
    std::vector<uint8_t> want;
    std::vector<uint8_t> stream = OneBlock(tokens, &want);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(stream, (uint32_t)want.size(), &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
}

}   // namespace
