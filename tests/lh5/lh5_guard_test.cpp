// Damaged streams: whatever they ask for, the decoder stays inside its arrays,
// sets error, and returns.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

// Starts on the stream, with sentinels in the arrays around the lengths.
void StartMarked(const BitWriter &w)
{
    static std::vector<uint8_t> stream;
    stream = w.bytes;
    stream.resize(stream.size() + 8);
    StartRecord(stream);
    std::memset(Lh5Decoder.auxLengths, 0x5A, sizeof Lh5Decoder.auxLengths);
    for (uint32_t &e : Lh5Decoder.literalTable)
        e = 0xC0DE;
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 0xC0DE;
}

void ExpectTableUntouched(const uint32_t *table, size_t n)
{
    for (size_t i = 0; i < n; i++)
        ASSERT_EQ(table[i], 0xC0DEu) << "entry " << i;
}

TEST(Lh5Guard, MoreSmallCodeLengthsThanSymbols)
{
    // 31 aux lengths for 19 symbols; the first 19 alone (13 of 4 bits, 6 of
    // 5) would be a complete code, but the set is damaged.
    BitWriter w;
    w.Put(31, 5);
    for (int i = 0; i < 31; i++) {
        w.Put(i < 13 ? 4 : 5, 3);
        if (i == 2)
            w.Put(0, 2);
    }
    StartMarked(w);
    Lh5ReadAuxLengths(19, 5, 3);
    EXPECT_EQ(Lh5Decoder.error, 1);
    ExpectTableUntouched(Lh5Decoder.literalTable, 4096);
    ExpectTableUntouched(Lh5Decoder.auxTable, 256);

    BitWriter p;   // 15 position lengths for 14 symbols
    p.Put(15, 4);
    for (int i = 0; i < 15; i++)
        p.Put(4, 3);
    StartMarked(p);
    Lh5ReadAuxLengths(14, 4, -1);
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(Lh5Decoder.auxLengths[14], 0x5A);
}

// With an aux code of the single symbol 3 (length 1) every literal length
// costs no bits; 511 of them would run one past the end. With the single
// symbol 2, one run of 531 zeros would run far past it.
TEST(Lh5Guard, LiteralLengthsPastTheirEnd)
{
    for (uint32_t auxSymbol : {3u, 2u}) {
        BitWriter w;
        w.Put(auxSymbol == 3 ? 511 : 510, 9);
        w.Put(511, 9);
        StartMarked(w);
        std::memset(Lh5Decoder.auxLengths, 0, sizeof Lh5Decoder.auxLengths);
        Lh5Decoder.auxLengths[18] = 0x77;
        for (uint32_t &e : Lh5Decoder.auxTable)
            e = auxSymbol;
        Lh5ReadLiteralLengths();
        EXPECT_EQ(Lh5Decoder.error, 1) << "aux symbol " << auxSymbol;
        EXPECT_EQ(Lh5Decoder.auxLengths[0], 0);
        EXPECT_EQ(Lh5Decoder.auxLengths[18], 0x77);
        ExpectTableUntouched(Lh5Decoder.literalTable, 4096);
    }
}

// A single-symbol value at or above the code's symbol count is refused and
// the table filled with the harmless symbol 0; in range the form is sound.
TEST(Lh5Guard, SingleSymbolOutsideTheCode)
{
    struct Case {
        int symbols, bits;
        uint32_t value;
        int error;
    };
    for (Case c : {Case{19, 5, 19, 1}, Case{19, 5, 31, 1}, Case{14, 4, 14, 1}, Case{14, 4, 15, 1},
                   Case{14, 4, 13, 0}, Case{510, 9, 510, 1}, Case{510, 9, 511, 1}}) {
        BitWriter w;
        w.Put(0, c.bits);
        w.Put(c.value, c.bits);
        StartMarked(w);
        if (c.symbols == 510)
            Lh5ReadLiteralLengths();
        else
            Lh5ReadAuxLengths(c.symbols, c.bits, c.symbols == 19 ? 3 : -1);
        EXPECT_EQ(Lh5Decoder.error, c.error) << "value " << c.value;
        const uint32_t *table = c.symbols == 510 ? Lh5Decoder.literalTable : Lh5Decoder.auxTable;
        EXPECT_EQ(table[100], c.error ? 0u : c.value);
    }
}

// An escape of 13 ones is the length 20, read in 17 bits; not a code length.
TEST(Lh5Guard, AuxLengthOfTwentyIsRefused)
{
    BitWriter w;
    w.Put(2, 5);
    w.Put(1, 3);
    w.Put(0x1FFFF, 17);
    w.Put(0x1234, 16);
    StartMarked(w);
    Lh5ReadAuxLengths(19, 5, 3);
    EXPECT_EQ(Lh5Decoder.auxLengths[1], 20);
    EXPECT_EQ(Lh5Decoder.bitBuffer, 0x1234u);
    EXPECT_EQ(Lh5Decoder.error, 1);
    ExpectTableUntouched(Lh5Decoder.auxTable, 256);
}

// Trees left from codes built for another symbol count can link back on
// themselves; a lookup still ends, with error set.
TEST(Lh5Guard, TreeWalkThatNeverReachesASymbolEnds)
{
    BitWriter w;
    w.Put(0xFFFFFFFF, 32);
    StartMarked(w);
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 20;
    Lh5Decoder.left[20] = Lh5Decoder.right[20] = 21;
    Lh5Decoder.left[21] = Lh5Decoder.right[21] = 20;
    EXPECT_LT(Lh5DecodePosition(), 8192u);
    EXPECT_EQ(Lh5Decoder.error, 1);
}

// The same in a chunk with input to spare: an endless literal walk gives
// symbol 0, an endless position walk position 0 (a run of the last byte).
TEST(Lh5Guard, TreeWalksThatNeverReachASymbolEndInAChunk)
{
    BitWriter w;
    for (int i = 0; i < 16; i++)
        w.Put(0xFFFFFFFF, 32);
    StartMarked(w);
    Lh5Decoder.blockRemaining = 1000;
    for (uint32_t &e : Lh5Decoder.literalTable)
        e = 600;
    Lh5Decoder.left[600] = Lh5Decoder.right[600] = 601;
    Lh5Decoder.left[601] = Lh5Decoder.right[601] = 600;
    std::memset(Lh5Decoder.literalLengths, 0, sizeof Lh5Decoder.literalLengths);
    Lh5DecodeChunk(16, Lh5Decoder.window);
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(std::vector<uint8_t>(Lh5Decoder.window, Lh5Decoder.window + 16), std::vector<uint8_t>(16, 0));

    StartMarked(w);
    Lh5Decoder.blockRemaining = 1000;
    for (uint32_t &e : Lh5Decoder.literalTable)
        e = 300;   // a match of 47
    Lh5Decoder.literalLengths[300] = 1;
    for (uint32_t &e : Lh5Decoder.auxTable)
        e = 20;
    Lh5Decoder.left[20] = Lh5Decoder.right[20] = 21;
    Lh5Decoder.left[21] = Lh5Decoder.right[21] = 20;
    std::memset(Lh5Decoder.auxLengths, 2, sizeof Lh5Decoder.auxLengths);
    Lh5Decoder.window[8190] = 'y';
    Lh5Decoder.window[8191] = 'z';
    Lh5DecodeChunk(100, Lh5Decoder.window);
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(std::vector<uint8_t>(Lh5Decoder.window, Lh5Decoder.window + 100),
              std::vector<uint8_t>(100, 'z'));
}

TEST(Lh5Guard, ChunkLargerThanTheWindowIsCut)
{
    std::vector<uint8_t> window(kLh5WindowSize + 16, 0xEE);
    BitWriter w;   // an endless block of the single literal 'k'
    w.Put(0, 16);
    w.Put(0, 19);
    w.Put('k', 9);
    w.Put(0, 8);
    StartMarked(w);
    Lh5DecodeChunk(kLh5WindowSize + 16, window.data());
    EXPECT_EQ(Lh5Decoder.error, 1);
    EXPECT_EQ(window[kLh5WindowSize - 1], 'k');
    EXPECT_EQ(window[kLh5WindowSize], 0xEE);
}

}   // namespace
