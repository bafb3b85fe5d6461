// Deterministic test data, built in memory, shared by every test area.
#ifndef TESTS_SUPPORT_TEST_DATA_H
#define TESTS_SUPPORT_TEST_DATA_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

// Bytes from a fixed-seed generator: incompressible, and different from
// position to position, so that a misplaced or repeated piece shows.
Bytes RandomBytes(size_t size, uint32_t seed);
inline Bytes Pattern(size_t size, uint32_t seed)
{
    return RandomBytes(size, seed);
}

// English-like text made of words from a small vocabulary, with lines.
Bytes TextBytes(size_t size, uint32_t seed);

// Something like code: short repeated instruction patterns with varying
// operands and tables of small integers.
Bytes CodeLikeBytes(size_t size, uint32_t seed);

// Reads a whole file; empty when it cannot be read.
Bytes ReadFileBytes(const std::string &path);

#endif
