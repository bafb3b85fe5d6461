// Cost-driven parsing of one block: the cheapest sequence of literals and
// matches under the bit costs of a given set of codes.
#ifndef TOOLS_LH5ENC_LH5ENC_OPTIMAL_H
#define TOOLS_LH5ENC_LH5ENC_OPTIMAL_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lh5enc_block.h"
#include "lh5enc_match.h"

namespace lh5enc {

// The matches found at every position of a byte range, gathered once and
// reused by every parsing pass over that range.
struct RangeMatches {
    size_t begin = 0;
    size_t end = 0;
    std::vector<uint32_t> first;   // per position: index of its first match; one extra at the end
    std::vector<Match> matches;
    std::vector<uint8_t> quick;   // inside a long match: only its continuation, full length only
};

// Which of the matches found at a position the parse gets to see.
struct MatchKeeping {
    // Matches kept per position: the nearest half and the longest half.
    int keepMatches;
    // After a match at least this long, the positions it covers get only its
    // continuation as a match, and only at its full length: runs and long
    // repeats would otherwise cost a full search and up to 254 steps per byte.
    uint32_t niceLength;
    // A search stops at the first match this long.
    uint32_t goodLength;
};

// Feeds positions begin..end-1 of data to the finder (which has seen every
// position before begin) and records their matches.
void FindRangeMatches(MatchFinder *finder, const uint8_t *data, size_t begin, size_t end,
                      const MatchKeeping &keeping, RangeMatches *out);

// Bit costs, in sixteenths of a bit, of every literal/length symbol and of
// every position symbol with its extra bits.
struct CostModel {
    uint32_t literal[kLiteralSymbols];
    uint32_t position[kPositionSymbols];
};

// Costs from the codes the counts give; symbols the counts never saw are
// priced as rare ones.
void ModelFromCounts(const SymbolCounts &counts, CostModel *model);

// Buffers of the parse, kept between calls to spare the allocations.
struct ParseWorkspace {
    std::vector<uint32_t> price;          // cheapest cost of reaching each position
    std::vector<uint16_t> stepLength;     // last step there: 1 for a literal, else a match length
    std::vector<uint16_t> stepPosition;   // position value of that match
};

// The cheapest parse of positions from..to-1, which lie within the range,
// under model; matches running past to are cut short there.
void OptimalParse(const uint8_t *data, const RangeMatches &range, size_t from, size_t to,
                  const CostModel &model, ParseWorkspace *work, std::vector<Token> *tokens);

}   // namespace lh5enc

#endif
