// One lh5 block: its codes, chosen from the block's own symbol statistics,
// and its exact bit layout (symbol count, the three code-length sets, the
// symbols).
#ifndef TOOLS_LH5ENC_LH5ENC_BLOCK_H
#define TOOLS_LH5ENC_LH5ENC_BLOCK_H

#include <cstddef>
#include <cstdint>

#include "lh5enc_bits.h"

namespace lh5enc {

constexpr int kWindowSize = 8192;
constexpr uint32_t kMinMatch = 3;
constexpr uint32_t kMaxMatch = 256;
constexpr int kLiteralSymbols = 510;   // 256 bytes, then match lengths 3..256
constexpr int kAuxSymbols = 19;
constexpr int kPositionSymbols = 14;
constexpr int kMaxCodeLength = 16;
constexpr size_t kMaxBlockSymbols = 65535;

// A literal (symbol below 256, position unused) or a match (symbol 256..509
// for lengths 3..256, position = distance - 1, 0..8191).
struct Token {
    uint16_t symbol;
    uint16_t position;
};

inline Token LiteralToken(uint8_t byte)
{
    return Token{byte, 0};
}
inline Token MatchToken(uint32_t length, uint32_t distance)
{
    return Token{static_cast<uint16_t>(length + 253), static_cast<uint16_t>(distance - 1)};
}

// Position symbol of a position value: 0 for 0, else its bit length (1..13),
// followed by that length minus one extra bits.
inline uint32_t PositionSymbol(uint32_t position)
{
    return position == 0 ? 0 : 32 - static_cast<uint32_t>(__builtin_clz(position));
}

struct SymbolCounts {
    uint32_t literal[kLiteralSymbols];
    uint32_t position[kPositionSymbols];
};

void CountSymbols(const Token *tokens, size_t count, SymbolCounts *counts);

// The codes of one block. A code with a single used symbol (or none) has all
// lengths 0 and is sent in the single-symbol form with value single*.
struct BlockCodes {
    uint8_t literalLengths[kLiteralSymbols];
    uint8_t positionLengths[kPositionSymbols];
    int singleLiteral;    // -1 when the literal code has lengths
    int singlePosition;   // -1 when the position code has lengths
};

void ChooseCodes(const SymbolCounts &counts, BlockCodes *codes);

// Bits of the block header: symbol count and the three code-length sets.
uint64_t HeaderBits(const BlockCodes &codes);

// Bits of the block's symbols alone.
uint64_t SymbolBits(const SymbolCounts &counts, const BlockCodes &codes);

// Writes one block of 1..65535 tokens.
void WriteBlock(const Token *tokens, size_t count, const BlockCodes &codes, BitWriter *out);

}   // namespace lh5enc

#endif
