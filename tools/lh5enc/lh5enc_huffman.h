// Length-limited Huffman code lengths and the canonical codes the lh5
// decoder assigns to them.
#ifndef TOOLS_LH5ENC_LH5ENC_HUFFMAN_H
#define TOOLS_LH5ENC_LH5ENC_HUFFMAN_H

#include <cstdint>

namespace lh5enc {

// Optimal code lengths (package-merge) for count symbols with the given
// frequencies, none longer than maxLength. Symbols of frequency 0 get length
// 0. With fewer than two used symbols every length is 0: such a code is sent
// in the single-symbol form. Returns the number of used symbols.
int LimitedCodeLengths(const uint32_t *freq, int count, int maxLength, uint8_t *lengths);

// Canonical codes: shorter codes first, equal lengths in increasing symbol
// order, codes counted up from 0 (the order the decoder's table builder uses).
void CanonicalCodes(const uint8_t *lengths, int count, uint16_t *codes);

}   // namespace lh5enc

#endif
