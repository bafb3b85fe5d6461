// The bit reader's working copy, private to the decoder's sources: the chunk
// loop keeps the bit state in locals (registers) instead of the state record,
// which every window store could alias, and writes it back before anything
// else reads Lh5Decoder. Filling is exactly Lh5FillBits.
#ifndef LH5_LH5_BIT_READER_H
#define LH5_LH5_BIT_READER_H

#include "lh5_decoder.h"

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

#endif
