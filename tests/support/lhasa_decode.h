// The independent decoder: liblhasa's raw -lh5- decoder (build machine only).
#ifndef TESTS_SUPPORT_LHASA_DECODE_H
#define TESTS_SUPPORT_LHASA_DECODE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes a raw lh5 stream, fed exactly its bytes, asking for exactly size
// output bytes. Returns what lhasa produced (shorter when it stopped early).
std::vector<uint8_t> LhasaDecode(const std::vector<uint8_t> &stream, size_t size);

#endif
