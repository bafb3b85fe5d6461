// The bit reader's working copy, private to the decoder's sources: the chunk
// loop keeps the bit state in locals (registers) instead of the state record,
// which every window store could alias, and writes it back before anything
// else reads Lh5Decoder. Filling is exactly Lh5FillBits.
#ifndef LH5_LH5_BIT_READER_H
#define LH5_LH5_BIT_READER_H

#include "lh5_decoder.h"

#include <stdint.h>
#include <string.h>

struct Lh5BitReader {
    uint32_t bitBuffer;
    uint32_t pendingByte;
    int32_t pendingBits;
    uint32_t inputIndex;
    uint32_t zeroBytes;     // bytes read past inputLimit since loading
    uint32_t loadedIndex;   // inputIndex and pendingBits when loaded
    int32_t loadedPendingBits;
    uint32_t inputLimit;
    const uint8_t *input;
};

static inline void Lh5LoadReader(Lh5BitReader *r)
{
    r->bitBuffer = Lh5Decoder.bitBuffer;
    r->pendingByte = Lh5Decoder.pendingByte;
    r->pendingBits = Lh5Decoder.pendingBits;
    r->inputIndex = Lh5Decoder.inputIndex;
    r->zeroBytes = 0;
    r->loadedIndex = r->inputIndex;
    r->loadedPendingBits = r->pendingBits;
    r->inputLimit = Lh5Decoder.inputLimit;
    r->input = Lh5Decoder.input;
}

// Writes the state back. The bits consumed meanwhile are the bits that came
// in (whole bytes, zero fill included) less the growth of those still held
// (bitBuffer always holds 16, pendingByte pendingBits more); the count
// saturates rather than wraps.
static inline void Lh5StoreReader(const Lh5BitReader *r)
{
    uint64_t entered = 8u * ((uint64_t)(r->inputIndex - r->loadedIndex) + r->zeroBytes);
    uint64_t consumed = entered + (uint64_t)(int64_t)r->loadedPendingBits -
                        (uint64_t)(int64_t)r->pendingBits + Lh5Decoder.bitsConsumed;
    Lh5Decoder.bitsConsumed = consumed < 0xFFFFFFFFu ? (uint32_t)consumed : 0xFFFFFFFFu;
    Lh5Decoder.bitBuffer = (uint16_t)r->bitBuffer;
    Lh5Decoder.pendingByte = r->pendingByte;
    Lh5Decoder.pendingBits = r->pendingBits;
    Lh5Decoder.inputIndex = r->inputIndex;
}

// Drops the top n bits of bitBuffer and shifts n new bits in from below,
// one input byte at a time; past inputLimit the input reads as zero bytes.
// Any n is handled: bits shifted past the 16-bit buffer are dropped.
static inline void Lh5ReaderFill(Lh5BitReader *r, int32_t n)
{
    if (n <= 0)
        return;
    uint32_t buffer = n < 16 ? (r->bitBuffer << n) & 0xFFFFu : 0;
    uint32_t pending = r->pendingByte;
    int32_t pendingBits = r->pendingBits;
    while (n > pendingBits) {
        n -= pendingBits;
        if (n < 16)
            buffer = (buffer | (pending << n)) & 0xFFFFu;
        if (r->inputIndex < r->inputLimit) {
            pending = r->input[r->inputIndex++];
        } else {
            pending = 0;
            r->zeroBytes++;
        }
        pendingBits = 8;
    }
    pendingBits -= n;
    r->bitBuffer = buffer | (pending >> pendingBits);
    r->pendingByte = pending;
    r->pendingBits = pendingBits;
}

// The chunk loop's reader: stream bits in a machine word (64 bits on a
// 64-bit target, 32 on a 32-bit one, where 64-bit shifts take several
// instructions), first bit on top, refilled a word at a time while a word of
// input remains and one byte at a time (zero bytes past inputLimit) near the
// end. A refill leaves kLh5WordBits - 8 .. kLh5WordBits - 1 valid bits; the
// top 16 are bitBuffer. Bits below the valid count are either zero or the
// stream's next bits, so a later refill may OR the same bits in again.
//
// A symbol with its position takes up to 16 + 20 + 12 bits (a damaged
// position code may be 20 bits long): one refill covers it in a 64-bit word;
// a 32-bit word refills before the position code and before its extra bits
// as well (kLh5RefillsPerSymbol).
//
// It reads ahead of the byte reader, so the state record is not derived from
// its fields but from the number of bits consumed since loading: the byte
// reader, given that many bits to fill from the loaded state, would have
// fetched a known number of bytes, and Lh5StoreWide writes exactly its state.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t Lh5Word;
#else
typedef uint32_t Lh5Word;
#endif

enum {
    kLh5WordBytes = sizeof(Lh5Word),
    kLh5WordBits = 8 * kLh5WordBytes,
    kLh5RefillsPerSymbol = kLh5WordBits >= 64 ? 1 : 3,
    // Input bytes a symbol's refills move the reader on at most.
    kLh5SymbolAdvance = kLh5RefillsPerSymbol * (kLh5WordBytes - 1)
};

struct Lh5WideReader {
    Lh5Word bits;
    uint32_t count;       // valid bits in bits
    uint32_t next;        // next input byte to enter bits
    uint32_t zeroBytes;   // zero bytes entered past inputLimit
    uint32_t fastEnd;     // next < fastEnd: a symbol's word refills stay below inputLimit
    uint32_t inputLimit;
    const uint8_t *input;
    uint32_t loadedNext;    // the record's inputIndex when loaded
    uint32_t loadedCount;   // 16 + the record's pendingBits when loaded
};

// The top 16 bits.
static inline uint32_t Lh5WideTop(Lh5Word bits)
{
    return (uint32_t)(bits >> (kLh5WordBits - 16));
}

// A word of input, first byte on top.
static inline Lh5Word Lh5LoadWord(const uint8_t *p)
{
    Lh5Word v = 0;
    for (int i = 0; i < kLh5WordBytes; i++)
        v = v << 8 | p[i];
    return v;
}

static inline void Lh5LoadWide(Lh5WideReader *w)
{
    // pendingBits is 0..8. The whole pending byte goes in below bitBuffer,
    // as the byte reader's next fill would OR it in; its used bits are
    // bitBuffer's low bits already.
    uint32_t pendingBits = (uint32_t)Lh5Decoder.pendingBits & 15u;
    w->bits = (Lh5Word)Lh5Decoder.bitBuffer << (kLh5WordBits - 16) | (Lh5Word)(Lh5Decoder.pendingByte & 0xFFu)
                                                                         << (kLh5WordBits - 16 - pendingBits);
    w->count = 16 + pendingBits;
    w->next = Lh5Decoder.inputIndex;
    w->zeroBytes = 0;
    w->inputLimit = Lh5Decoder.inputLimit;
    w->fastEnd =
        w->inputLimit > (uint32_t)kLh5SymbolAdvance ? w->inputLimit - (uint32_t)kLh5SymbolAdvance : 0;
    w->input = Lh5Decoder.input;
    w->loadedNext = w->next;
    w->loadedCount = w->count;
}

// Brings the valid bits to kLh5WordBits - 8 or more (at most kLh5WordBits - 1).
static inline void Lh5WideRefill(Lh5WideReader *w)
{
    if (w->next < w->fastEnd) {
        w->bits |= Lh5LoadWord(w->input + w->next) >> w->count;
        w->next += (kLh5WordBits - 1 - w->count) >> 3;
        w->count |= kLh5WordBits - 8;
        return;
    }
    while (w->count <= kLh5WordBits - 9) {
        Lh5Word b = 0;
        if (w->next < w->inputLimit)
            b = w->input[w->next++];
        else
            w->zeroBytes++;
        w->bits |= b << (kLh5WordBits - 8 - w->count);
        w->count += 8;
    }
}

// Drops the top n bits, n <= count.
static inline void Lh5WideDrop(Lh5WideReader *w, uint32_t n)
{
    w->bits <<= n;
    w->count -= n;
}

// Writes the byte reader's state after the bits consumed since loading.
static inline void Lh5StoreWide(Lh5WideReader *w)
{
    Lh5WideRefill(w);
    uint32_t consumed = 8 * (w->next - w->loadedNext + w->zeroBytes) + w->loadedCount - w->count;
    if (consumed == 0)
        return;
    uint64_t total = (uint64_t)Lh5Decoder.bitsConsumed + consumed;
    Lh5Decoder.bitsConsumed = total < 0xFFFFFFFFu ? (uint32_t)total : 0xFFFFFFFFu;
    Lh5Decoder.bitBuffer = (uint16_t)Lh5WideTop(w->bits);
    uint32_t pendingBits = w->loadedCount - 16;
    if (consumed <= pendingBits) {
        Lh5Decoder.pendingBits = (int32_t)(pendingBits - consumed);
        return;
    }
    // The byte reader fetched `fetched` bytes from loadedNext on, real ones
    // while below inputLimit, zero bytes after.
    uint32_t fetched = (consumed - pendingBits + 7) >> 3;
    Lh5Decoder.pendingBits = (int32_t)(8 * fetched + pendingBits - consumed);
    uint32_t index = w->loadedNext;
    uint32_t real = 0;
    if (index < w->inputLimit)
        real = w->inputLimit - index < fetched ? w->inputLimit - index : fetched;
    Lh5Decoder.inputIndex = index + real;
    Lh5Decoder.pendingByte = real == fetched ? w->input[index + fetched - 1] : 0;
}

// Follows the trees below a table entry v that names a node, bit by bit
// from the bit after the table's index in the 16 bits at the head of the
// input, to a symbol below symbolCount. A walk that runs out of bits (only
// tables left over from a refused code get there) sets the error flag and
// yields symbol 0.
static inline uint32_t Lh5WalkTree(uint32_t v, uint32_t buffer, uint32_t tableBits, uint32_t symbolCount)
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

#endif
