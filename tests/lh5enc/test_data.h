// Inputs for the encoder tests: deterministic, built in memory.
#ifndef TESTS_LH5ENC_TEST_DATA_H
#define TESTS_LH5ENC_TEST_DATA_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes from a fixed-seed generator: incompressible.
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);

// English-like text made of words from a small vocabulary, with lines.
std::vector<uint8_t> TextBytes(size_t size, uint32_t seed);

// Something like code: short repeated instruction patterns with varying
// operands and tables of small integers.
std::vector<uint8_t> CodeLikeBytes(size_t size, uint32_t seed);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string &path);

#endif
