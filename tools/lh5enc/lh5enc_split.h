// Choosing block boundaries: a block pays for its own code tables, and in
// return its codes fit its own statistics.
#ifndef TOOLS_LH5ENC_LH5ENC_SPLIT_H
#define TOOLS_LH5ENC_LH5ENC_SPLIT_H

#include <cstddef>
#include <vector>

#include "lh5enc_block.h"

namespace lh5enc {

// Exact size in bits of tokens with the given counts sent as one block.
uint64_t BlockBits(const SymbolCounts &counts);

// Block boundaries for tokens, as token indices: 0, ..., count. Blocks are
// split where the separate codes save more than the extra header costs, and
// no block exceeds maxTokens. Cuts are considered every step tokens (more
// for very long inputs); with a stride above 1, a coarse search over every
// stride-th of them, refined around its best, stands in for trying them all.
std::vector<size_t> SplitBlocks(const Token *tokens, size_t count, size_t maxTokens, size_t step,
                                size_t stride);

}   // namespace lh5enc

#endif
