// Bit input: a 16-bit look-ahead buffer fed one byte at a time, most
// significant bit first. Input past inputLimit reads as zero bits.
#include "lh5_bit_reader.h"
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
// n is 0..16 for a sound stream; a damaged one can ask for up to 20.
void Lh5FillBits(int32_t n)
{
    Lh5BitReader r;
    Lh5LoadReader(&r);
    Lh5ReaderFill(&r, n);
    Lh5StoreReader(&r);
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
