// The bit reader's working copy, private to the decoder's sources: the chunk
// loop keeps the bit state in locals (registers) instead of the state record,
// which every window store could alias, and writes it back before anything
// else reads Lh5Decoder. Filling is exactly Lh5FillBits.
#ifndef LH5_LH5_BIT_READER_H
#define LH5_LH5_BIT_READER_H

#include "lh5_decoder.h"

#include <string.h>

struct Lh5BitReader {
    uint32_t bitBuffer;
    uint32_t pendingByte;
    int32_t pendingBits;
    uint32_t inputIndex;
    uint32_t zeroBytes;         // bytes read past inputLimit since loading
    uint32_t loadedIndex;       // inputIndex and pendingBits when loaded
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

// The chunk loop's reader: up to 63 stream bits in a 64-bit word, first bit
// on top, refilled eight bytes at a time while eight input bytes remain and
// one byte at a time (zero bytes past inputLimit) near the end. Its top 16
// bits are bitBuffer. Bits below the valid count are either zero or the
// stream's next bits, so a later refill may OR the same bits in again.
//
// It reads ahead of the byte reader, so the state record is not derived from
// its fields but from the number of bits consumed since loading: the byte
// reader, given that many bits to fill from the loaded state, would have
// fetched a known number of bytes, and Lh5StoreWide writes exactly its state.
struct Lh5WideReader {
    uint64_t bits;
    uint32_t count;           // valid bits in bits; 56..63 after a refill
    uint32_t next;            // next input byte to enter bits
    uint32_t zeroBytes;       // zero bytes entered past inputLimit
    uint32_t fastEnd;         // next < fastEnd: eight input bytes remain
    uint32_t inputLimit;
    const uint8_t *input;
    uint32_t loadedNext;      // the record's inputIndex when loaded
    uint32_t loadedCount;     // 16 + the record's pendingBits when loaded
};

static inline void Lh5LoadWide(Lh5WideReader *w)
{
    // pendingBits is 0..8. The whole pending byte goes in below bitBuffer,
    // as the byte reader's next fill would OR it in; its used bits are
    // bitBuffer's low bits already.
    uint32_t pendingBits = (uint32_t)Lh5Decoder.pendingBits & 15u;
    w->bits = (uint64_t)Lh5Decoder.bitBuffer << 48 |
              (uint64_t)(Lh5Decoder.pendingByte & 0xFFu) << (48 - pendingBits);
    w->count = 16 + pendingBits;
    w->next = Lh5Decoder.inputIndex;
    w->zeroBytes = 0;
    w->inputLimit = Lh5Decoder.inputLimit;
    w->fastEnd = w->inputLimit >= 8 ? w->inputLimit - 7 : 0;
    w->input = Lh5Decoder.input;
    w->loadedNext = w->next;
    w->loadedCount = w->count;
}

// Brings the valid bits to 56 or more (at most 63).
static inline void Lh5WideRefill(Lh5WideReader *w)
{
    if (w->next < w->fastEnd) {
        const uint8_t *p = w->input + w->next;
        uint64_t v = (uint64_t)p[0] << 56 | (uint64_t)p[1] << 48 | (uint64_t)p[2] << 40 |
                     (uint64_t)p[3] << 32 | (uint64_t)p[4] << 24 | (uint64_t)p[5] << 16 |
                     (uint64_t)p[6] << 8 | (uint64_t)p[7];
        w->bits |= v >> w->count;
        w->next += (63 - w->count) >> 3;
        w->count |= 56;
        return;
    }
    while (w->count <= 55) {
        uint64_t b = 0;
        if (w->next < w->inputLimit)
            b = w->input[w->next++];
        else
            w->zeroBytes++;
        w->bits |= b << (56 - w->count);
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
    Lh5Decoder.bitBuffer = (uint16_t)(w->bits >> 48);
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

#endif
