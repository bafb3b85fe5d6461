// Lookup tables and overflow trees of canonical codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

void FillAuxTable(uint32_t value)
{
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = value;
}

void BuildAux(const std::vector<uint8_t> &lengths)
{
    Lh5Decoder.error = 0;
    std::memset(Lh5Decoder.auxLengths, 0, sizeof Lh5Decoder.auxLengths);
    std::memcpy(Lh5Decoder.auxLengths, lengths.data(), lengths.size());
    Lh5BuildTable((int32_t)lengths.size(), Lh5Decoder.auxLengths, 8, Lh5Decoder.auxTable);
}

void BuildLiteral(const std::vector<uint8_t> &lengths)
{
    Lh5Decoder.error = 0;
    std::memcpy(Lh5Decoder.literalLengths, lengths.data(), 510);
    Lh5BuildTable(510, Lh5Decoder.literalLengths, 12, Lh5Decoder.literalTable);
}

// A stream that starts with code (length bits), noise behind it.
std::vector<uint8_t> CodeStream(uint32_t code, int length, std::mt19937 &rng)
{
    BitWriter w;
    w.Put(code, length);
    w.Put(rng() & 0xFFFFFF, 24);
    return w.bytes;
}

void Start(const std::vector<uint8_t> &stream)
{
    Lh5Decoder.input = stream.data();
    Lh5Decoder.inputLimit = (uint32_t)stream.size();
    Lh5Start();
}

TEST(Lh5Table, TwoOneBitCodesSplitTheTableInHalves)
{
    FillAuxTable(0xDEAD);
    BuildAux({1, 1});
    EXPECT_EQ(Lh5Decoder.error, 0);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(Lh5Decoder.auxTable[i], i < 128 ? 0u : 1u) << "entry " << i;
}

TEST(Lh5Table, MixedShortCodesCoverTheirRanges)
{
    FillAuxTable(0xDEAD);
    BuildAux({1, 2, 3, 3});
    EXPECT_EQ(Lh5Decoder.error, 0);
    for (int i = 0; i < 256; i++) {
        uint32_t want = i < 128 ? 0 : i < 192 ? 1 : i < 224 ? 2 : 3;
        ASSERT_EQ(Lh5Decoder.auxTable[i], want) << "entry " << i;
    }
}

// Incomplete, over-full and empty codes, and lengths the counts cannot hold,
// are refused: error is set and the table keeps its previous contents.
TEST(Lh5Table, RefusedCodesSetErrorAndLeaveTheTableAlone)
{
    const std::vector<std::vector<uint8_t>> refused = {
        {1},                                  // a lone 1-bit code is incomplete
        std::vector<uint8_t>(19, 0),          // no symbols at all
        {1, 2},                               // incomplete
        {1, 1, 1},                            // over-full
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 17, 17, 17},
        {1, 1, 20},                           // complete below 17, plus a length of 20
        {1, 1, 17},
    };
    for (const auto &lengths : refused) {
        FillAuxTable(0xBEEF);
        BuildAux(lengths);
        EXPECT_EQ(Lh5Decoder.error, 1) << "code of " << lengths.size() << " lengths";
        for (uint32_t e : Lh5Decoder.auxTable)
            ASSERT_EQ(e, 0xBEEFu);
    }
}

// Symbols 0..16 with lengths 1, 2, ..., 16, 16: the codes of 13 bits and more
// share the 12-bit prefix 111111111111, so one chain of tree nodes hangs
// below literalTable[4095], numbered from 510, next bit 0 to the left.
TEST(Lh5Table, LongCodesHangInATreeBelowTheirTablePrefix)
{
    std::vector<uint8_t> lengths(510, 0);
    for (int s = 0; s < 16; s++)
        lengths[s] = (uint8_t)(s + 1);
    lengths[16] = 16;
    BuildLiteral(lengths);
    ASSERT_EQ(Lh5Decoder.error, 0);

    EXPECT_EQ(Lh5Decoder.literalTable[0], 0u);
    EXPECT_EQ(Lh5Decoder.literalTable[2047], 0u);
    EXPECT_EQ(Lh5Decoder.literalTable[2048], 1u);
    EXPECT_EQ(Lh5Decoder.literalTable[4094], 11u);
    EXPECT_EQ(Lh5Decoder.literalTable[4095], 510u);
    EXPECT_EQ(Lh5Decoder.left[510], 12u);
    EXPECT_EQ(Lh5Decoder.right[510], 511u);
    EXPECT_EQ(Lh5Decoder.left[511], 13u);
    EXPECT_EQ(Lh5Decoder.right[511], 512u);
    EXPECT_EQ(Lh5Decoder.left[512], 14u);
    EXPECT_EQ(Lh5Decoder.right[512], 513u);
    EXPECT_EQ(Lh5Decoder.left[513], 15u);
    EXPECT_EQ(Lh5Decoder.right[513], 16u);
}

// Every codeword of random complete codes, short and long, decodes to its
// symbol through the symbol decoder and consumes exactly its length.
TEST(Lh5Table, EveryCodewordOfRandomCodesDecodesToItsSymbol)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 24; round++) {
        std::vector<int> symbols;
        int used = round % 3 == 0 ? 510 : std::uniform_int_distribution<int>(2, 300)(rng);
        std::vector<int> all(510);
        for (int i = 0; i < 510; i++)
            all[i] = i;
        std::shuffle(all.begin(), all.end(), rng);
        symbols.assign(all.begin(), all.begin() + used);
        double deep = round % 2 ? 0.9 : 0.3;
        std::vector<uint8_t> lengths = RandomCompleteLengths(rng, 510, symbols, 16, deep);
        BuildLiteral(lengths);
        ASSERT_EQ(Lh5Decoder.error, 0);

        for (uint32_t e : Lh5Decoder.literalTable)
            ASSERT_LT(e, (uint32_t)kLh5TreeNodes);

        std::vector<uint32_t> codes = CanonicalCodes(lengths);
        for (int s : symbols) {
            std::vector<uint8_t> stream = CodeStream(codes[s], lengths[s], rng);
            Start(stream);
            Lh5Decoder.blockRemaining = 1000;
            ASSERT_EQ(Lh5DecodeSymbol(), (uint32_t)s) << "length " << int(lengths[s]);
            ASSERT_EQ(Lh5Decoder.bitsConsumed, lengths[s]);
        }
        EXPECT_EQ(Lh5Decoder.error, 0);
    }
}

// The small table (8 bits) with position codes of up to 16 bits: nodes from
// 14 upward, and the extra bits follow the codeword.
TEST(Lh5Table, LongPositionCodesDecodeThroughTheSmallTable)
{
    std::mt19937 rng(5);
    std::vector<int> symbols(14);
    for (int i = 0; i < 14; i++)
        symbols[i] = i;
    for (int round = 0; round < 20; round++) {
        std::vector<uint8_t> lengths = RandomCompleteLengths(rng, 14, symbols, 16, 0.8);
        BuildAux(lengths);
        ASSERT_EQ(Lh5Decoder.error, 0);
        std::vector<uint32_t> codes = CanonicalCodes(lengths);
        for (int x = 0; x < 14; x++) {
            uint32_t extra = x > 1 ? (uint32_t)rng() & ((1u << (x - 1)) - 1) : 0;
            BitWriter w;
            w.Put(codes[x], lengths[x]);
            if (x > 1)
                w.Put(extra, x - 1);
            w.Put(0, 16);
            Start(w.bytes);
            uint32_t want = x == 0 ? 0 : (1u << (x - 1)) + extra;
            ASSERT_EQ(Lh5DecodePosition(), want);
            ASSERT_EQ(Lh5Decoder.bitsConsumed, lengths[x] + (x > 1 ? x - 1 : 0));
        }
    }
}

} // namespace
