// Lookup tables and overflow trees of canonical codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

void BuildAux(const std::vector<uint8_t> &lengths, uint32_t fill)
{
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = fill;
    Lh5Decoder.error = 0;
    std::memcpy(Lh5Decoder.auxLengths, lengths.data(), lengths.size());
    Lh5BuildTable((int32_t)lengths.size(), Lh5Decoder.auxLengths, 8, Lh5Decoder.auxTable);
}

void BuildLiteral(const std::vector<uint8_t> &lengths)
{
    Lh5Decoder.error = 0;
    std::memcpy(Lh5Decoder.literalLengths, lengths.data(), 510);
    Lh5BuildTable(510, Lh5Decoder.literalLengths, 12, Lh5Decoder.literalTable);
}

TEST(Lh5Table, ShortCodesFillTheirRangesOfTheTable)
{
    BuildAux({1, 1}, 0xDEAD);
    EXPECT_EQ(Lh5Decoder.error, 0);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(Lh5Decoder.auxTable[i], i < 128 ? 0u : 1u) << "entry " << i;

    BuildAux({1, 2, 3, 3}, 0xDEAD);
    EXPECT_EQ(Lh5Decoder.error, 0);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(Lh5Decoder.auxTable[i], i < 128 ? 0u : i < 192 ? 1u : i < 224 ? 2u : 3u);
}

// Incomplete, over-full and empty codes, and lengths above 16, are refused:
// error is set and the table keeps its previous contents.
TEST(Lh5Table, RefusedCodesSetErrorAndLeaveTheTableAlone)
{
    const std::vector<std::vector<uint8_t>> refused = {
        {1},                           // a lone 1-bit code is incomplete
        std::vector<uint8_t>(19, 0),   // no symbols at all
        {1, 2},                        // incomplete
        {1, 1, 1},                     // over-full
        {1, 1, 20},                    // complete below 17, plus a 20
        // lengths 1..15 and four of 17 would add up to a complete code
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 17, 17, 17},
    };
    for (const auto &lengths : refused) {
        BuildAux(lengths, 0xBEEF);
        EXPECT_EQ(Lh5Decoder.error, 1) << "code of " << lengths.size() << " lengths";
        for (uint32_t e : Lh5Decoder.auxTable)
            ASSERT_EQ(e, 0xBEEFu);
    }
}

// Symbols 0..16 with lengths 1, 2, ..., 16, 16: the codes of 13 bits and more
// share the prefix of twelve ones, so one chain of tree nodes, numbered from
// 510, hangs below literalTable[4095]; next bit 0 goes left.
TEST(Lh5Table, LongCodesHangInATreeBelowTheirTablePrefix)
{
    std::vector<uint8_t> lengths(510, 0);
    for (int s = 0; s < 16; s++)
        lengths[s] = (uint8_t)(s + 1);
    lengths[16] = 16;
    BuildLiteral(lengths);
    ASSERT_EQ(Lh5Decoder.error, 0);
    EXPECT_EQ(Lh5Decoder.literalTable[2047], 0u);
    EXPECT_EQ(Lh5Decoder.literalTable[2048], 1u);
    EXPECT_EQ(Lh5Decoder.literalTable[4094], 11u);
    EXPECT_EQ(Lh5Decoder.literalTable[4095], 510u);
    for (uint32_t node = 510; node < 514; node++) {
        EXPECT_EQ(Lh5Decoder.left[node], node - 498);
        EXPECT_EQ(Lh5Decoder.right[node], node == 513 ? 16u : node + 1);
    }
}

// Every codeword of random complete codes, up to 16 bits, decodes to its
// symbol through the symbol decoder and consumes exactly its length.
TEST(Lh5Table, EveryCodewordOfRandomCodesDecodesToItsSymbol)
{
    std::mt19937 rng(11);
    std::vector<int> all(510);
    for (int i = 0; i < 510; i++)
        all[i] = i;
    for (int round = 0; round < 24; round++) {
        std::shuffle(all.begin(), all.end(), rng);
        int used = round % 3 == 0 ? 510 : std::uniform_int_distribution<int>(2, 300)(rng);
        std::vector<int> symbols(all.begin(), all.begin() + used);
        std::vector<uint8_t> lengths = RandomCompleteLengths(rng, 510, symbols, 16, round % 2 ? 0.9 : 0.3);
        BuildLiteral(lengths);
        ASSERT_EQ(Lh5Decoder.error, 0);
        std::vector<uint32_t> codes = CanonicalCodes(lengths);
        for (int s : symbols) {
            BitWriter w;
            w.Put(codes[s], lengths[s]);
            w.Put(rng() & 0xFFFFFF, 24);
            StartRecord(w.bytes);
            Lh5Decoder.blockRemaining = 1000;
            ASSERT_EQ(Lh5DecodeSymbol(), (uint32_t)s) << "length " << int(lengths[s]);
            ASSERT_EQ(Lh5Decoder.bitsConsumed, lengths[s]);
        }
        EXPECT_EQ(Lh5Decoder.error, 0);
    }
}

}   // namespace
