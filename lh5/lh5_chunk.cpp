// The chunk loop: literal/length and position symbols decoded with the
// word-wide reader, and the LZ77 copy into the 8 KiB window. This is where a
// record's decoding spends its time; block headers are read by
// lh5_block.cpp.
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
    kMinMatch = 3,
    kWindowMask = kLh5WindowSize - 1
};

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
//  - Source one byte behind: a run, stored a word at a time.
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
        Lh5Word run = (Lh5Word)*src * ((Lh5Word)-1 / 0xFF);
        for (; i + kLh5WordBytes <= n; i += kLh5WordBytes)
            memcpy(dst + i, &run, kLh5WordBytes);
        for (; i < n; i++)
            dst[i] = (uint8_t)run;
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
static inline uint32_t Lh5WideLookUp(Lh5WideReader *bits, const uint32_t *table, uint32_t tableBits,
                                     uint32_t symbolCount, const uint8_t *lengths)
{
    uint32_t buffer = Lh5WideTop(bits->bits);
    uint32_t v = table[buffer >> (16 - tableBits)];
    if (v >= symbolCount)
        v = Lh5WalkTree(v, buffer, tableBits, symbolCount);
    Lh5WideDrop(bits, lengths[v]);
    return v;
}

// Lh5WideRefill's word step on the run loop's register copy of the reader.
static inline void Lh5RunRefill(Lh5Word *bits, uint32_t *have, const uint8_t **in)
{
    *bits |= Lh5LoadWord(*in) >> *have;
    *in += (kLh5WordBits - 1 - *have) >> 3;
    *have |= kLh5WordBits - 8;
}

// Decodes symbols while the block lasts, the chunk has room and a word of
// input remains for every refill, with the reader's fields in registers and
// every refill taking a word at once. Each symbol gives at least one byte and
// its refills move at most kLh5SymbolAdvance bytes on, so a budget of symbols
// replaces the per-symbol tests; a match shrinks it to the room left. A match
// that would wrap its source or pass the chunk's end is left to the careful
// loop in *copyRemaining and *copyPosition. Returns the new r.
static inline uint32_t Lh5DecodeRun(Lh5WideReader *reader, uint32_t *blockRemaining, int32_t *copyRemaining,
                                    uint32_t *copyPosition, uint8_t *window, uint32_t r, uint32_t count)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if (reader->next >= reader->fastEnd)
        return r;
    Lh5Word bits = reader->bits;
    uint32_t have = reader->count;
    const uint8_t *in = reader->input + reader->next;
    uint32_t left = *blockRemaining;
    uint32_t budget = (reader->fastEnd - reader->next + kLh5SymbolAdvance - 1) / kLh5SymbolAdvance;
    if (budget > left)
        budget = left;
    if (budget > count - r)
        budget = count - r;
    uint32_t stop = left - budget;
    while (left != stop) {
        left--;
        Lh5RunRefill(&bits, &have, &in);

        uint32_t top = Lh5WideTop(bits);
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
        if (kLh5WordBits < 64)
            Lh5RunRefill(&bits, &have, &in);
        top = Lh5WideTop(bits);
        uint32_t x = d->auxTable[top >> (16 - kLh5AuxTableBits)];
        if (LH5_UNLIKELY(x >= (uint32_t)kLh5PositionSymbols))
            x = Lh5WalkTree(x, top, kLh5AuxTableBits, kLh5PositionSymbols);
        n = d->auxLengths[x];
        bits <<= n;
        have -= n;
        uint32_t distance = 0;
        if (x != 0) {
            if (kLh5WordBits < 64)
                Lh5RunRefill(&bits, &have, &in);
            distance = (1u << (x - 1)) + (Lh5WideTop(bits) >> (17 - x));
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
// A 64-bit reader's refill per symbol leaves at least 56 bits: enough for a
// literal/length code (16 bits), a position code (20 bits from a damaged
// code) and its extra bits (12); a 32-bit one refills before each of the
// three.
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
            r = Lh5DecodeRun(&bits, &blockRemaining, &copyRemaining, &copyPosition, window, r, count);
            if (r == count)
                goto done;
            if (copyRemaining > 0 || blockRemaining == 0)
                continue;
        }

        // Near the end of the input: one symbol, refilled byte by byte.
        blockRemaining--;
        Lh5WideRefill(&bits);
        uint32_t s = Lh5WideLookUp(&bits, d->literalTable, kLh5LiteralTableBits, kLh5LiteralSymbols,
                                   d->literalLengths);
        if (s <= 255) {
            window[r++] = (uint8_t)s;
            if (r == count)
                goto done;
            continue;
        }
        copyRemaining = (int32_t)s - (256 - kMinMatch);
        if (kLh5WordBits < 64)
            Lh5WideRefill(&bits);
        uint32_t x = Lh5WideLookUp(&bits, d->auxTable, kLh5AuxTableBits, kLh5PositionSymbols, d->auxLengths);
        uint32_t distance = 0;
        if (x != 0) {
            if (kLh5WordBits < 64)
                Lh5WideRefill(&bits);
            uint32_t extra = Lh5WideTop(bits.bits) >> (17 - x);
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
