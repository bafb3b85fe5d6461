// Bit input: a 16-bit look-ahead buffer fed one byte at a time, most
// significant bit first. Input past inputLimit reads as zero bits.
#include "lh5_decoder.h"

// Starts the bit reader at the first input byte and fills the look-ahead.
// Those 16 bits are fetched, not consumed: bitsConsumed starts at 0.
void Lh5InitBits(void)
{
    Lh5Decoder.bitBuffer = 0;
    Lh5Decoder.pendingByte = 0;
    Lh5Decoder.pendingBits = 0;
    Lh5Decoder.inputIndex = 0;
    Lh5FillBits(16);
    Lh5Decoder.bitsConsumed = 0;
}

// Drops the top n bits of bitBuffer and shifts n new bits in from below.
// n is 0..16 for a sound stream; a damaged one can ask for up to 20, and any
// n is handled (bits shifted out past the buffer are simply dropped).
void Lh5FillBits(int32_t n)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if (n <= 0)
        return;

    // Consumption count for the truncation check; saturates instead of
    // wrapping so that an overlong stream can never look short again.
    uint32_t consumed = d->bitsConsumed + (uint32_t)n;
    d->bitsConsumed = consumed >= (uint32_t)n ? consumed : 0xFFFFFFFFu;

    uint32_t buffer = n < 16 ? ((uint32_t)d->bitBuffer << n) & 0xFFFFu : 0;
    uint32_t pending = d->pendingByte;
    int32_t pendingBits = d->pendingBits;
    while (n > pendingBits) {
        n -= pendingBits;
        if (n < 16)
            buffer = (buffer | (pending << n)) & 0xFFFFu;
        if (d->inputIndex < d->inputLimit)
            pending = d->input[d->inputIndex++];
        else
            pending = 0;
        pendingBits = 8;
    }
    pendingBits -= n;
    buffer |= pending >> pendingBits;

    d->bitBuffer = (uint16_t)buffer;
    d->pendingByte = pending;
    d->pendingBits = pendingBits;
}

// Returns the top n bits of bitBuffer (0 for n = 0) and consumes them.
// n is 0..16.
uint32_t Lh5GetBits(int32_t n)
{
    if (n <= 0)
        return 0;
    uint32_t value = (uint32_t)Lh5Decoder.bitBuffer >> (16 - n);
    Lh5FillBits(n);
    return value;
}
