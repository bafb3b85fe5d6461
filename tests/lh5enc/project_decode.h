// The setup program's own decoder, driven the way entry extraction drives it.
#ifndef TESTS_LH5ENC_PROJECT_DECODE_H
#define TESTS_LH5ENC_PROJECT_DECODE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes size bytes from stream in chunks of 8,192 bytes into the decoder's
// own window, which is first filled with windowFill (the leftovers of an
// earlier record). Returns false as soon as the decoder reports an error.
bool ProjectDecode(const std::vector<uint8_t> &stream, size_t size, uint8_t windowFill,
                   std::vector<uint8_t> *out);

#endif
