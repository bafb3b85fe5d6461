// Damaged streams: whatever they ask for, the decoder stays inside its arrays,
// sets error, and always returns.
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

// Sentinels in the arrays that lie behind the length arrays.
void MarkNeighbours()
{
    std::memset(Lh5Decoder.auxLengths, 0x5A, sizeof Lh5Decoder.auxLengths);
    for (uint32_t &e : Lh5Decoder.literalTable)
        e = 0xC0DE;
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 0xC0DE;
}

TEST(Lh5Guard, MoreSmallCodeLengthsThanSymbolsSetError)
{
    // 31 aux lengths announced for 19 symbols; the first 19 alone would be
    // a complete code (13 of length 4, 6 of length 5), but the set is damaged.
    BitWriter w;
    w.Put(31, 5);
    for (int i = 0; i < 31; i++) {
        w.Put(i < 13 ? 4 : 5, 3);
        if (i == 2)
            w.Put(0, 2);
    }
    w.Put(0, 32);
    Start(w.bytes);
    MarkNeighbours();
    Lh5ReadAuxLengths(19, 5, 3);
    EXPECT_EQ(Lh5Decoder.error, 1);
    for (uint32_t e : Lh5Decoder.literalTable)
        ASSERT_EQ(e, 0xC0DEu);
    for (uint32_t e : Lh5Decoder.auxTable)
        ASSERT_EQ(e, 0xC0DEu);

    // 15 position lengths for 14 symbols.
    BitWriter p;
    p.Put(15, 4);
    for (int i = 0; i < 15; i++)
        p.Put(4, 3);
    p.Put(0, 32);
    Start(p.bytes);
    MarkNeighbours();
    Lh5ReadAuxLengths(14, 4, -1);
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(Lh5Decoder.auxLengths[14], 0x5A);
}

// The aux code is the single symbol 3 (length 1, read from zero bits), so
// every literal length costs nothing; 511 of them would run one past the end.
TEST(Lh5Guard, MoreLiteralLengthsThanSymbolsSetError)
{
    BitWriter w;
    w.Put(511, 9);
    w.Put(0, 32);
    Start(w.bytes);
    std::memset(Lh5Decoder.auxLengths, 0, sizeof Lh5Decoder.auxLengths);
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 3;
    for (uint32_t &e : Lh5Decoder.literalTable)
        e = 0xC0DE;
    Lh5ReadLiteralLengths();
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(Lh5Decoder.auxLengths[0], 0);
    EXPECT_EQ(Lh5Decoder.literalTable[0], 0xC0DEu);
}

// The aux code is the single symbol 2: each item is a run of 20 + 9 bits of
// zeros; 511 + 20 zeros at once runs far past the 510 literal lengths.
TEST(Lh5Guard, ZeroRunPastTheLiteralLengthsSetsError)
{
    BitWriter w;
    w.Put(510, 9);
    w.Put(511, 9);
    w.Put(0, 32);
    Start(w.bytes);
    std::memset(Lh5Decoder.auxLengths, 0, sizeof Lh5Decoder.auxLengths);
    Lh5Decoder.auxLengths[18] = 0x77;
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 2;
    std::memset(Lh5Decoder.literalLengths, 1, sizeof Lh5Decoder.literalLengths);
    Lh5ReadLiteralLengths();
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(Lh5Decoder.auxLengths[0], 0);
    EXPECT_EQ(Lh5Decoder.auxLengths[18], 0x77);
    for (uint8_t len : Lh5Decoder.literalLengths)
        ASSERT_EQ(len, 0);
}

// A single-symbol value at or above the code's symbol count is refused and
// the table filled with the harmless symbol 0.
TEST(Lh5Guard, SingleSymbolOutsideTheCodeSetsError)
{
    struct Case {
        int countBits;
        uint32_t value;
        int symbols;
    };
    for (Case c : {Case{5, 19, 19}, Case{5, 31, 19}, Case{4, 14, 14}, Case{4, 15, 14}}) {
        BitWriter w;
        w.Put(0, c.countBits);
        w.Put(c.value, c.countBits);
        w.Put(0, 16);
        Start(w.bytes);
        MarkNeighbours();
        Lh5ReadAuxLengths(c.symbols, c.countBits, c.symbols == 19 ? 3 : -1);
        EXPECT_EQ(Lh5Decoder.error, 1) << "value " << c.value;
        for (uint32_t e : Lh5Decoder.auxTable)
            ASSERT_EQ(e, 0u);
    }
    for (uint32_t value : {510u, 511u}) {
        BitWriter w;
        w.Put(0, 9);
        w.Put(value, 9);
        w.Put(0, 16);
        Start(w.bytes);
        MarkNeighbours();
        Lh5ReadLiteralLengths();
        EXPECT_EQ(Lh5Decoder.error, 1) << "value " << value;
        for (uint32_t e : Lh5Decoder.literalTable)
            ASSERT_EQ(e, 0u);
    }
    // In range, the same form is sound.
    BitWriter ok;
    ok.Put(0, 4);
    ok.Put(13, 4);
    ok.Put(0, 16);
    Start(ok.bytes);
    Lh5ReadAuxLengths(14, 4, -1);
    EXPECT_EQ(Lh5Decoder.error, 0);
    EXPECT_EQ(Lh5Decoder.auxTable[200], 13u);
}

// An escape of 13 ones is the length 20, read in 17 bits; it cannot be a code
// length, so the code is refused.
TEST(Lh5Guard, AuxLengthOfTwentyIsRefused)
{
    BitWriter w;
    w.Put(2, 5);
    w.Put(1, 3);
    w.Put(7, 3);
    w.PutRepeated(1, 14);
    w.Put(0x1234, 16);
    Start(w.bytes);
    MarkNeighbours();
    Lh5ReadAuxLengths(19, 5, 3);
    EXPECT_EQ(Lh5Decoder.auxLengths[0], 1);
    EXPECT_EQ(Lh5Decoder.auxLengths[1], 20);
    EXPECT_EQ(Lh5Decoder.bitsConsumed, 25u);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x1234u);
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(Lh5Decoder.auxTable[0], 0xC0DEu);
}

// Trees left over from codes that were built for another symbol count can
// link back on themselves; a lookup still ends, with error set.
TEST(Lh5Guard, TreeWalkThatNeverReachesASymbolEnds)
{
    std::vector<uint8_t> stream(8, 0xFF);
    Start(stream);
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 20;
    Lh5Decoder.left[20] = 21;
    Lh5Decoder.right[20] = 21;
    Lh5Decoder.left[21] = 20;
    Lh5Decoder.right[21] = 20;
    std::memset(Lh5Decoder.auxLengths, 1, sizeof Lh5Decoder.auxLengths);
    uint32_t position = Lh5DecodePosition();
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_LT(position, 8192u);
}

TEST(Lh5Guard, ChunkLargerThanTheWindowIsCut)
{
    std::vector<uint8_t> window(kLh5WindowSize + 16, 0xEE);
    BitWriter w;
    w.Put(0, 16);                 // endless block
    w.Put(0, 5);
    w.Put(0, 5);
    w.Put(0, 9);
    w.Put('k', 9);
    w.Put(0, 8);
    Start(w.bytes);
    Lh5DecodeChunk(kLh5WindowSize + 16, window.data());
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(window[kLh5WindowSize - 1], 'k');
    EXPECT_EQ(window[kLh5WindowSize], 0xEE);
}

} // namespace
