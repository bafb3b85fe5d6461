// Appending little-endian integers to a byte buffer, as BMP and ICO files
// store them.
#ifndef TOOLS_SAMPLEGEN_LE_BYTES_H
#define TOOLS_SAMPLEGEN_LE_BYTES_H

#include <cstdint>
#include <vector>

inline void Put16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

#endif
