// lh5 encoder for the vendor tools: turns bytes into a raw lh5 stream (the LHA
// "-lh5-" method, no archive header) that the setup program's decoder reads.
#ifndef TOOLS_LH5ENC_LH5_ENCODER_H
#define TOOLS_LH5ENC_LH5_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Compresses size bytes into a raw lh5 stream (no LHA header). The stream decodes to exactly
// these bytes with a decoder that starts from an unknown window (it never refers to bytes before
// the start of data). Deterministic: the same input gives the same bytes.
std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size);

#endif
