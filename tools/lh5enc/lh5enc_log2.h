// Base-2 logarithm in integer arithmetic, so that every size estimate, and
// with it every choice the encoder makes, comes out the same on any machine
// and compiler (floating point may round differently from one to another).
#ifndef TOOLS_LH5ENC_LH5ENC_LOG2_H
#define TOOLS_LH5ENC_LH5ENC_LOG2_H

#include <cstdint>

namespace lh5enc {

// log2(x) in units of 1/65536, for x >= 1 (0 gives 0). Truncated, never more
// than 1/65536 below the true value.
inline uint32_t Log2Q16(uint64_t x)
{
    if (x == 0)
        return 0;
    uint32_t whole = 0;
    while ((x >> whole) > 1)
        ++whole;
    // The mantissa m = x / 2^whole in [1, 2), kept as a 1.31 fixed-point
    // number; squaring it doubles its logarithm, and a square of 2 or more
    // shows the next fraction bit.
    uint64_t m = whole >= 31 ? x >> (whole - 31) : x << (31 - whole);
    uint32_t fraction = 0;
    for (int bit = 15; bit >= 0; --bit) {
        m = (m * m) >> 31;
        if (m >= (uint64_t{1} << 32)) {
            m >>= 1;
            fraction |= 1u << bit;
        }
    }
    return (whole << 16) | fraction;
}

}   // namespace lh5enc

#endif
