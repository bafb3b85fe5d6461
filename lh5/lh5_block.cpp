// Block headers (three sets of code lengths) and the literal/length and
// position symbols one at a time; the chunk loop that decodes most of a
// record is in lh5_chunk.cpp.
//
// Damage that the fixed arrays cannot hold (too many lengths, a zero run past
// the end, a single-symbol value outside the code, a tree walk that does not
// end in a symbol) sets error like an incomplete code does, and decoding goes
// on with safe values until the chunk is complete.
#include "lh5_bit_reader.h"
#include "lh5_decoder.h"

enum {
    kLiteralCountBits = 9,
    kAuxCountBits = 5,
    kPositionCountBits = 4,
    kAuxZeroRunIndex = 3
};

// Decodes one symbol of a code with symbolCount symbols from its table of
// 2^tableBits entries and its trees, and consumes the symbol's bits.
static inline uint32_t Lh5LookUp(Lh5BitReader *bits, const uint32_t *table, uint32_t tableBits,
                                 uint32_t symbolCount, const uint8_t *lengths)
{
    uint32_t buffer = bits->bitBuffer;
    uint32_t v = table[buffer >> (16 - tableBits)];
    if (v >= symbolCount)
        v = Lh5WalkTree(v, buffer, tableBits, symbolCount);
    Lh5ReaderFill(bits, lengths[v]);
    return v;
}

// Reads the lengths of a small code (the 19-symbol aux code or the 14-symbol
// position code) into auxLengths and builds auxTable. Lengths 0..6 take three
// bits; 7 and up are 111 followed by (length - 7) one bits and a zero bit.
// After the length at index special, two bits give a run of zero lengths.
void Lh5ReadAuxLengths(int32_t count, int32_t countBits, int32_t special)
{
    Lh5DecoderState *d = &Lh5Decoder;
    int32_t damaged = 0;
    if (count > kLh5AuxSymbols) {
        count = kLh5AuxSymbols;
        damaged = 1;
    }

    int32_t n = (int32_t)Lh5GetBits(countBits);
    if (n == 0) {
        // A single symbol, decoded from zero bits.
        uint32_t v = Lh5GetBits(countBits);
        if (v >= (uint32_t)count) {
            d->error = 1;
            v = 0;
        }
        for (int32_t i = 0; i < count; i++)
            d->auxLengths[i] = 0;
        for (int32_t i = 0; i < (1 << kLh5AuxTableBits); i++)
            d->auxTable[i] = v;
        return;
    }
    if (n > count) {
        n = count;
        damaged = 1;
    }

    int32_t i = 0;
    while (i < n) {
        uint32_t x = (uint32_t)d->bitBuffer >> 13;
        if (x == 7) {
            uint32_t mask = 1u << 12;
            while (d->bitBuffer & mask) {
                mask >>= 1;
                x++;
            }
        }
        Lh5FillBits(x < 7 ? 3 : (int32_t)x - 3);
        d->auxLengths[i++] = (uint8_t)x;
        if (i == special) {
            uint32_t z = Lh5GetBits(2);
            while (z > 0 && i < count) {
                d->auxLengths[i++] = 0;
                z--;
            }
        }
    }
    while (i < count)
        d->auxLengths[i++] = 0;

    if (damaged) {
        d->error = 1;
        return;
    }
    Lh5BuildTable(count, d->auxLengths, kLh5AuxTableBits, d->auxTable);
}

// Reads the 510 literal/length code lengths, coded with the aux code, and
// builds literalTable. Aux symbols 0, 1 and 2 are runs of 1, 3..18 and
// 20..531 zero lengths; symbol x >= 3 is the length x - 2.
void Lh5ReadLiteralLengths(void)
{
    Lh5DecoderState *d = &Lh5Decoder;
    int32_t damaged = 0;

    int32_t n = (int32_t)Lh5GetBits(kLiteralCountBits);
    if (n == 0) {
        uint32_t v = Lh5GetBits(kLiteralCountBits);
        if (v >= (uint32_t)kLh5LiteralSymbols) {
            d->error = 1;
            v = 0;
        }
        for (int32_t i = 0; i < kLh5LiteralSymbols; i++)
            d->literalLengths[i] = 0;
        for (int32_t i = 0; i < (1 << kLh5LiteralTableBits); i++)
            d->literalTable[i] = v;
        return;
    }
    if (n > kLh5LiteralSymbols) {
        n = kLh5LiteralSymbols;
        damaged = 1;
    }

    int32_t i = 0;
    while (i < n) {
        Lh5BitReader bits;
        Lh5LoadReader(&bits);
        uint32_t x = Lh5LookUp(&bits, d->auxTable, kLh5AuxTableBits, kLh5AuxSymbols, d->auxLengths);
        Lh5StoreReader(&bits);
        if (x > 2) {
            d->literalLengths[i++] = (uint8_t)(x - 2);
            continue;
        }
        int32_t run;
        if (x == 0)
            run = 1;
        else if (x == 1)
            run = (int32_t)Lh5GetBits(4) + 3;
        else
            run = (int32_t)Lh5GetBits(9) + 20;
        if (run > kLh5LiteralSymbols - i) {
            run = kLh5LiteralSymbols - i;
            damaged = 1;
        }
        while (run-- > 0)
            d->literalLengths[i++] = 0;
    }
    while (i < kLh5LiteralSymbols)
        d->literalLengths[i++] = 0;

    if (damaged) {
        d->error = 1;
        return;
    }
    Lh5BuildTable(kLh5LiteralSymbols, d->literalLengths, kLh5LiteralTableBits, d->literalTable);
}

// Reads a block header: the symbol count and the three codes.
void Lh5ReadBlockHeader(void)
{
    Lh5Decoder.blockRemaining = Lh5GetBits(16);
    Lh5ReadAuxLengths(kLh5AuxSymbols, kAuxCountBits, kAuxZeroRunIndex);
    Lh5ReadLiteralLengths();
    Lh5ReadAuxLengths(kLh5PositionSymbols, kPositionCountBits, -1);
}

static inline uint32_t Lh5LookUpSymbol(Lh5BitReader *bits)
{
    return Lh5LookUp(bits, Lh5Decoder.literalTable, kLh5LiteralTableBits, kLh5LiteralSymbols,
                     Lh5Decoder.literalLengths);
}

static inline uint32_t Lh5LookUpPosition(Lh5BitReader *bits)
{
    uint32_t x =
        Lh5LookUp(bits, Lh5Decoder.auxTable, kLh5AuxTableBits, kLh5PositionSymbols, Lh5Decoder.auxLengths);
    if (x == 0)
        return 0;
    uint32_t extra = bits->bitBuffer >> (17 - x);
    Lh5ReaderFill(bits, (int32_t)x - 1);
    return (1u << (x - 1)) + extra;
}

// Returns the next literal/length symbol (0..509), reading a block header
// first when the current block is used up. A header count of 0 wraps to a
// block of 2^32 symbols.
uint32_t Lh5DecodeSymbol(void)
{
    if (Lh5Decoder.blockRemaining == 0)
        Lh5ReadBlockHeader();
    Lh5Decoder.blockRemaining--;
    Lh5BitReader bits;
    Lh5LoadReader(&bits);
    uint32_t s = Lh5LookUpSymbol(&bits);
    Lh5StoreReader(&bits);
    return s;
}

// Returns the next position value, 0..8191: symbol 0 is 0, symbol x >= 1 is
// 2^(x-1) plus x - 1 further bits.
uint32_t Lh5DecodePosition(void)
{
    Lh5BitReader bits;
    Lh5LoadReader(&bits);
    uint32_t position = Lh5LookUpPosition(&bits);
    Lh5StoreReader(&bits);
    return position;
}
