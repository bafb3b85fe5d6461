// Block headers, symbols and the LZ77 copy, on hand-built streams.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

void Start(const std::vector<uint8_t> &stream)
{
    Lh5Decoder.input = stream.data();
    Lh5Decoder.inputLimit = (uint32_t)stream.size();
    Lh5Decoder.error = 0;
    Lh5Start();
}

std::vector<Lh5Token> Literals(size_t count, uint32_t seed)
{
    std::vector<Lh5Token> tokens;
    for (size_t i = 0; i < count; i++)
        tokens.push_back({(int)((i * 131 + seed + (i >> 8)) & 0xFF), 0});
    return tokens;
}

Lh5Token Match(int length, uint32_t position)
{
    return {length + 253, position};
}

// One block with balanced codes over the symbols it uses.
std::vector<uint8_t> OneBlockStream(const std::vector<Lh5Token> &tokens)
{
    Lh5Block block;
    block.tokens = tokens;
    AutoCodes(block);
    BitWriter w;
    PutBlock(w, block);
    return w.bytes;
}

std::vector<uint8_t> Expected(const std::vector<Lh5Token> &tokens)
{
    std::vector<uint8_t> out;
    ApplyTokens(tokens, out);
    return out;
}

// Lengths 0..6 take three bits, 7 and up the escape 111 followed by (length
// - 7) ones and a zero: 1110 is 7, 11110 is 8, 111110 is 9.
TEST(Lh5Block, AuxLengthEscapesReadSevenEightAndNine)
{
    BitWriter w;
    w.Put(10, 5);                 // ten lengths
    w.Put(1, 3);
    w.Put(2, 3);
    w.Put(3, 3);
    w.Put(0, 2);                  // no zero run after the third
    w.Put(4, 3);
    w.Put(5, 3);
    w.Put(6, 3);
    w.Put(0xE, 4);                // 1110
    w.Put(0x1E, 5);               // 11110
    w.Put(0x3E, 6);               // 111110
    w.Put(0x3E, 6);
    w.Put(0x5555, 16);
    Start(w.bytes);
    std::memset(Lh5Decoder.auxLengths, 0xFF, sizeof Lh5Decoder.auxLengths);
    Lh5ReadAuxLengths(19, 5, 3);
    const uint8_t want[19] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, want, 19));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 46u);
    EXPECT_EQ(Lh5Decoder.error, 0);
    EXPECT_EQ(Lh5Decoder.auxTable[0], 0u);
    EXPECT_EQ(Lh5Decoder.auxTable[128], 1u);
    EXPECT_EQ(Lh5Decoder.auxTable[254], 7u);
    EXPECT_EQ(Lh5Decoder.auxTable[255], 19u); // the root of the tree for 8 and 9
}

// With the zero-run index 3, two bits after the third length skip that many
// zero lengths; the position code (no zero-run index) reads no such bits.
TEST(Lh5Block, ZeroRunAfterTheThirdAuxLengthOnlyForTheAuxCode)
{
    BitWriter w;
    w.Put(8, 5);
    w.Put(2, 3);
    w.Put(2, 3);
    w.Put(3, 3);
    w.Put(2, 2);                  // lengths 4 and 5 (indices 3, 4) are zero
    w.Put(3, 3);
    w.Put(3, 3);
    w.Put(3, 3);
    w.Put(4, 4);                  // the position code: {1, 2, 3, 3}
    w.Put(1, 3);
    w.Put(2, 3);
    w.Put(3, 3);
    w.Put(3, 3);
    w.Put(0, 16);
    Start(w.bytes);
    std::memset(Lh5Decoder.auxLengths, 9, sizeof Lh5Decoder.auxLengths);
    Lh5ReadAuxLengths(19, 5, 3);
    const uint8_t aux[19] = {2, 2, 3, 0, 0, 3, 3, 3};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, aux, 19));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 25u);
    EXPECT_EQ(Lh5Decoder.error, 0);

    Lh5ReadAuxLengths(14, 4, -1);
    const uint8_t position[14] = {1, 2, 3, 3};
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.auxLengths, position, 14));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 41u);
    EXPECT_EQ(Lh5Decoder.error, 0);
}

// Literal code with the single symbol 65 (count 0, value 65): five bytes of
// 65 with no bits spent per symbol, only the 52 header bits.
TEST(Lh5Block, SingleSymbolLiteralCodeSpendsNoBitsPerSymbol)
{
    BitWriter w;
    w.Put(5, 16);
    w.Put(0, 5);
    w.Put(0, 5);
    w.Put(0, 9);
    w.Put(65, 9);
    w.Put(0, 4);
    w.Put(0, 4);
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(w.bytes, 5, &errorChunk);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(out, std::vector<uint8_t>(5, 65));
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 52u);
    EXPECT_EQ(Lh5Decoder.blockRemaining, 0u);
}

// A header count of 0 is a block that never ends: no second header is read.
TEST(Lh5Block, HeaderCountZeroIsAnEndlessBlock)
{
    Lh5Block block;
    block.tokens = {{'a', 0}, {'b', 0}, {'c', 0}};
    block.countOverride = 0;
    AutoCodes(block);
    BitWriter w;
    PutBlock(w, block);
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(w.bytes, 3, &errorChunk);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(out, (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(Lh5Decoder.blockRemaining, 0xFFFFFFFDu);
}

// Position 0 copies from one byte back: a match of 256 repeats the last byte.
TEST(Lh5Block, LongestMatchAtPositionZeroIsARun)
{
    std::vector<Lh5Token> tokens{{'q', 0}, {'x', 0}, Match(256, 0), {'y', 0}};
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(OneBlockStream(tokens), 259, &errorChunk);
    EXPECT_EQ(errorChunk, -1);
    std::vector<uint8_t> want{'q'};
    want.insert(want.end(), 257, 'x');
    want.push_back('y');
    EXPECT_EQ(out, want);
}

// A match cut by the end of a chunk goes on at index 0 of the next chunk
// before any new symbol; a chunk smaller than the rest of the match returns
// with the match still pending.
TEST(Lh5Block, MatchesCarryOverChunkBoundaries)
{
    std::vector<Lh5Token> tokens = Literals(8190, 3);
    tokens.push_back(Match(10, 99));
    tokens.push_back({0x55, 0});
    tokens.push_back(Match(256, 0));
    std::vector<uint8_t> stream = OneBlockStream(tokens);
    std::vector<uint8_t> want = Expected(tokens);
    ASSERT_EQ(want.size(), 8457u);

    Start(stream);
    Lh5DecodeChunk(8192, Lh5Decoder.window);
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.window, want.data(), 8192));
    EXPECT_EQ(Lh5Decoder.copyRemaining, 8);
    uint32_t blockLeft = Lh5Decoder.blockRemaining;

    Lh5DecodeChunk(5, Lh5Decoder.window);
    EXPECT_EQ(0, std::memcmp(Lh5Decoder.window, want.data() + 8192, 5));
    EXPECT_EQ(Lh5Decoder.copyRemaining, 3);
    EXPECT_EQ(Lh5Decoder.blockRemaining, blockLeft); // no symbol decoded yet
    EXPECT_EQ(Lh5Decoder.error, 0);

    // The same stream in the installer's chunks: 8,192 then 265.
    int errorChunk;
    EXPECT_EQ(DecodeRecord(stream, 8457, &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
}

// Position symbol 1 is the value 1 with no extra bits; symbol 13 is 4,096 plus
// 12 extra bits, reaching back up to 8,192 bytes, across the chunk boundary.
TEST(Lh5Block, PositionSymbolsOneAndThirteenReachTheirDistances)
{
    std::vector<Lh5Token> tokens = Literals(8192, 7);
    tokens.push_back(Match(3, 1));
    tokens.push_back(Match(5, 4096));
    tokens.push_back(Match(7, 4096 + 1234));
    tokens.push_back(Match(9, 8191));
    tokens.push_back(Match(4, 1));
    Lh5Block block;
    block.tokens = tokens;
    AutoCodes(block);
    ASSERT_EQ(PositionSymbol(1), 1);
    ASSERT_EQ(PositionSymbol(8191), 13);
    BitWriter w;
    PutBlock(w, block);
    std::vector<uint8_t> want = Expected(tokens);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, (uint32_t)want.size(), &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, w.bitCount);
}

// Several blocks, each with its own codes, the first spanning two chunks.
TEST(Lh5Block, EachBlockBringsItsOwnCodes)
{
    std::vector<Lh5Token> first = Literals(9000, 1);
    first.push_back(Match(200, 4000));
    std::vector<Lh5Token> second{{'z', 0}, Match(100, 0), {'z', 0}};
    std::vector<Lh5Token> third = Literals(300, 9);
    third.push_back(Match(50, 8000));
    BitWriter w;
    std::vector<Lh5Token> all;
    for (const auto *tokens : {&first, &second, &third}) {
        Lh5Block block;
        block.tokens = *tokens;
        AutoCodes(block);
        PutBlock(w, block);
        all.insert(all.end(), tokens->begin(), tokens->end());
    }
    std::vector<uint8_t> want = Expected(all);
    int errorChunk;
    EXPECT_EQ(DecodeRecord(w.bytes, (uint32_t)want.size(), &errorChunk), want);
    EXPECT_EQ(errorChunk, -1);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, w.bitCount);
}

} // namespace
