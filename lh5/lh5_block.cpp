// Block decoding: block headers (three sets of code lengths), literal/length
// and position symbols, and the LZ77 copy into the 8 KiB window.
//
// Damage that the fixed arrays cannot hold (too many lengths, a zero run past
// the end, a single-symbol value outside the code, a tree walk that does not
// end in a symbol) sets error like an incomplete code does, and decoding goes
// on with safe values until the chunk is complete.
#include "lh5_bit_reader.h"
#include "lh5_decoder.h"

// Branch hints for the hot loop, where the compiler has them.
#if defined(__GNUC__)
#define LH5_LIKELY(x) __builtin_expect(!!(x), 1)
#define LH5_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define LH5_LIKELY(x) (x)
#define LH5_UNLIKELY(x) (x)
#endif

enum {
    kLiteralCountBits = 9,
    kAuxCountBits = 5,
    kPositionCountBits = 4,
    kAuxZeroRunIndex = 3,
    kMinMatch = 3,
    kWindowMask = kLh5WindowSize - 1
};

// Follows the trees below a table entry v that names a node, bit by bit
// from the bit after the table's index in the 16 bits at the head of the
// input, to a symbol below symbolCount. A walk that runs out of bits (only
// tables left over from a refused code get there) sets the error flag and
// yields symbol 0.
static inline uint32_t Lh5WalkTree(uint32_t v, uint32_t buffer, uint32_t tableBits,
                                   uint32_t symbolCount)
{
    uint32_t mask = 1u << (15 - tableBits);
    do {
        if (mask == 0) {
            Lh5Decoder.error = 1;
            return 0;
        }
        v = (buffer & mask) ? Lh5Decoder.right[v] : Lh5Decoder.left[v];
        mask >>= 1;
    } while (v >= symbolCount);
    return v;
}

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
        uint32_t x = Lh5LookUp(&bits, d->auxTable, kLh5AuxTableBits, kLh5AuxSymbols,
                               d->auxLengths);
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
    Lh5BuildTable(kLh5LiteralSymbols, d->literalLengths, kLh5LiteralTableBits,
                  d->literalTable);
}

// Reads a block header: the symbol count and the three codes.
static void Lh5ReadBlockHeader(void)
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
    uint32_t x = Lh5LookUp(bits, Lh5Decoder.auxTable, kLh5AuxTableBits, kLh5PositionSymbols,
                           Lh5Decoder.auxLengths);
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

// A sound stream never consumes more bits than its input holds (the final
// look-ahead is fetched, not consumed); more means the record was cut short
// and the tail was decoded from zero fill.
static void Lh5CheckConsumed(void)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if ((uint64_t)d->bitsConsumed > (uint64_t)d->inputLimit * 8u)
        d->error = 1;
}

static inline void Lh5Copy8(uint8_t *to, const uint8_t *from)
{
    uint64_t v;
    memcpy(&v, from, 8);
    memcpy(to, &v, 8);
}

static inline void Lh5Copy4(uint8_t *to, const uint8_t *from)
{
    uint32_t v;
    memcpy(&v, from, 4);
    memcpy(to, &v, 4);
}

// Copies n bytes from window[from] to window[to] as a byte-by-byte copy in
// increasing order would, so that a source behind the destination by less
// than n repeats the bytes the copy itself produces. from + n and to + n stay
// within the window, and nothing outside to .. to + n - 1 is written: the
// bytes after it are still the dictionary.
//  - Source and destination a word or more apart: whole words, the last one
//    overlapping the one before (it rewrites the same bytes).
//  - Source one byte behind: a run.
//  - Source 2 to 7 bytes behind: the first period-multiple of at least 8
//    bytes one by one, then words copied from that far back.
//  - Source 1 to 7 bytes ahead: words, each read before it is written.
static inline void Lh5CopyStretch(uint8_t *window, uint32_t to, uint32_t from, uint32_t n)
{
    uint8_t *dst = window + to;
    const uint8_t *src = window + from;
    uint32_t behind = to - from;
    uint32_t ahead = from - to;
    uint32_t i = 0;
    if (behind >= 8 && ahead >= 8) {
        if (n >= 8) {
            for (; i + 8 < n; i += 8)
                Lh5Copy8(dst + i, src + i);
            Lh5Copy8(dst + n - 8, src + n - 8);
        } else if (n >= 4) {
            Lh5Copy4(dst, src);
            Lh5Copy4(dst + n - 4, src + n - 4);
        } else {
            for (; i < n; i++)
                dst[i] = src[i];
        }
        return;
    }
    if (behind == 1) {
        memset(dst, *src, n);
        return;
    }
    if (behind != 0 && behind < 8) {
        uint32_t step = behind * ((8 + behind - 1) / behind);
        for (; i < n && i < step; i++)
            dst[i] = src[i];
        for (; i + 8 <= n; i += 8)
            Lh5Copy8(dst + i, dst + i - step);
    } else if (ahead != 0) {
        for (; i + 8 <= n; i += 8)
            Lh5Copy8(dst + i, src + i);
    }
    for (; i < n; i++)
        dst[i] = src[i];
}

// Decodes one symbol with the wide reader; as Lh5LookUp.
static inline uint32_t Lh5WideLookUp(Lh5WideReader *bits, const uint32_t *table,
                                     uint32_t tableBits, uint32_t symbolCount,
                                     const uint8_t *lengths)
{
    uint32_t buffer = (uint32_t)(bits->bits >> 48);
    uint32_t v = table[buffer >> (16 - tableBits)];
    if (v >= symbolCount)
        v = Lh5WalkTree(v, buffer, tableBits, symbolCount);
    Lh5WideDrop(bits, lengths[v]);
    return v;
}

// Decodes symbols while the block lasts, the chunk has room and eight input
// bytes remain for every refill, with the reader's fields in registers and
// every refill taking eight bytes at once. Each symbol gives at least one
// byte and each refill moves at most seven bytes on, so a budget of symbols
// replaces the per-symbol tests; a match shrinks it to the room left. A match
// that would wrap its source or pass the chunk's end is left to the careful
// loop in *copyRemaining and *copyPosition. Returns the new r.
static inline uint32_t Lh5DecodeRun(Lh5WideReader *reader, uint32_t *blockRemaining,
                                    int32_t *copyRemaining, uint32_t *copyPosition,
                                    uint8_t *window, uint32_t r, uint32_t count)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if (reader->next >= reader->fastEnd)
        return r;
    uint64_t bits = reader->bits;
    uint32_t have = reader->count;
    const uint8_t *in = reader->input + reader->next;
    uint32_t left = *blockRemaining;
    uint32_t budget = (reader->fastEnd - reader->next + 7) / 8;
    if (budget > left)
        budget = left;
    if (budget > count - r)
        budget = count - r;
    uint32_t stop = left - budget;
    while (left != stop) {
        left--;
        uint64_t v = (uint64_t)in[0] << 56 | (uint64_t)in[1] << 48 | (uint64_t)in[2] << 40 |
                     (uint64_t)in[3] << 32 | (uint64_t)in[4] << 24 | (uint64_t)in[5] << 16 |
                     (uint64_t)in[6] << 8 | (uint64_t)in[7];
        bits |= v >> have;
        in += (63 - have) >> 3;
        have |= 56;

        uint32_t top = (uint32_t)(bits >> 48);
        uint32_t s = d->literalTable[top >> (16 - kLh5LiteralTableBits)];
        if (LH5_UNLIKELY(s >= (uint32_t)kLh5LiteralSymbols))
            s = Lh5WalkTree(s, top, kLh5LiteralTableBits, kLh5LiteralSymbols);
        uint32_t n = d->literalLengths[s];
        bits <<= n;
        have -= n;
        if (LH5_LIKELY(s <= 255)) {
            window[r++] = (uint8_t)s;
            continue;
        }

        uint32_t length = s - (256 - kMinMatch);
        top = (uint32_t)(bits >> 48);
        uint32_t x = d->auxTable[top >> (16 - kLh5AuxTableBits)];
        if (LH5_UNLIKELY(x >= (uint32_t)kLh5PositionSymbols))
            x = Lh5WalkTree(x, top, kLh5AuxTableBits, kLh5PositionSymbols);
        n = d->auxLengths[x];
        bits <<= n;
        have -= n;
        uint32_t distance = 0;
        if (x != 0) {
            distance = (1u << (x - 1)) + ((uint32_t)(bits >> 48) >> (17 - x));
            bits <<= x - 1;
            have -= x - 1;
        }
        uint32_t from = (r - distance - 1) & kWindowMask;
        if (LH5_UNLIKELY(length > count - r || length > kLh5WindowSize - from)) {
            *copyRemaining = (int32_t)length;
            *copyPosition = from;
            break;
        }
        Lh5CopyStretch(window, r, from, length);
        r += length;
        *copyRemaining = 0;
        *copyPosition = (from + length) & kWindowMask;
        if (left - stop > count - r)
            stop = left - (count - r);
    }
    reader->bits = bits;
    reader->count = have;
    reader->next = (uint32_t)(in - reader->input);
    *blockRemaining = left;
    return r;
}

// Fills window[0 .. count - 1] with the record's next count bytes. Every
// chunk but the last is kLh5WindowSize bytes into the same window, so that
// window index r is the stream position modulo the window size and a match
// copying from (r - d - 1) reads the byte d + 1 positions back. A match cut
// by the end of a chunk continues at the start of the next one.
//
// The bit state, the block's symbol count and the match state live in locals
// for the loop and go back to Lh5Decoder around block headers and on return.
// One refill per symbol leaves at least 56 bits: enough for a literal/length
// code (16 bits), a position code (20 bits from a damaged code) and its
// extra bits (12).
void Lh5DecodeChunk(uint32_t count, uint8_t *window)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if (count == 0)
        return;
    if (count > (uint32_t)kLh5WindowSize) {
        d->error = 1;
        count = kLh5WindowSize;
    }

    Lh5WideReader bits;
    Lh5LoadWide(&bits);
    uint32_t blockRemaining = d->blockRemaining;
    int32_t copyRemaining = d->copyRemaining;
    uint32_t copyPosition = d->copyPosition;
    uint32_t r = 0;
    for (;;) {
        // In stretches that neither wrap the source nor pass the chunk's end.
        while (copyRemaining > 0) {
            uint32_t n = (uint32_t)copyRemaining;
            if (n > count - r)
                n = count - r;
            if (n > kLh5WindowSize - copyPosition)
                n = kLh5WindowSize - copyPosition;
            Lh5CopyStretch(window, r, copyPosition, n);
            r += n;
            copyRemaining -= (int32_t)n;
            copyPosition = (copyPosition + n) & kWindowMask;
            if (r == count)
                goto done;
        }

        // A header count of 0 leaves blockRemaining at 0 until the first
        // symbol's decrement wraps it: that symbol goes the careful way.
        int32_t fresh = 0;
        if (blockRemaining == 0) {
            Lh5StoreWide(&bits);
            Lh5ReadBlockHeader();
            Lh5LoadWide(&bits);
            blockRemaining = d->blockRemaining;
            fresh = blockRemaining == 0;
        }
        if (!fresh) {
            r = Lh5DecodeRun(&bits, &blockRemaining, &copyRemaining, &copyPosition, window, r,
                             count);
            if (r == count)
                goto done;
            if (copyRemaining > 0 || blockRemaining == 0)
                continue;
        }

        // Near the end of the input: one symbol, refilled byte by byte.
        blockRemaining--;
        Lh5WideRefill(&bits);
        uint32_t s = Lh5WideLookUp(&bits, d->literalTable, kLh5LiteralTableBits,
                                   kLh5LiteralSymbols, d->literalLengths);
        if (s <= 255) {
            window[r++] = (uint8_t)s;
            if (r == count)
                goto done;
            continue;
        }
        copyRemaining = (int32_t)s - (256 - kMinMatch);
        uint32_t x = Lh5WideLookUp(&bits, d->auxTable, kLh5AuxTableBits, kLh5PositionSymbols,
                                   d->auxLengths);
        uint32_t distance = 0;
        if (x != 0) {
            uint32_t extra = (uint32_t)(bits.bits >> 48) >> (17 - x);
            Lh5WideDrop(&bits, x - 1);
            distance = (1u << (x - 1)) + extra;
        }
        copyPosition = (r - distance - 1) & kWindowMask;
    }
done:
    Lh5StoreWide(&bits);
    d->blockRemaining = blockRemaining;
    d->copyRemaining = copyRemaining;
    d->copyPosition = copyPosition;
    Lh5CheckConsumed();
}
