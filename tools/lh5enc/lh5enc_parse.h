// Turning bytes into literal and match tokens.
#ifndef TOOLS_LH5ENC_LH5ENC_PARSE_H
#define TOOLS_LH5ENC_LH5ENC_PARSE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lh5enc_block.h"
#include "lh5enc_match.h"
#include "lh5enc_optimal.h"

namespace lh5enc {

// Greedy matching with one step of lazy evaluation over positions
// begin..end-1: a match is deferred by a literal when the next position
// offers a longer one. The finder has seen every position before begin;
// matches end at end at the latest.
void LazyParse(MatchFinder *finder, const uint8_t *data, size_t begin, size_t end,
               std::vector<Token> *tokens);

// The same over a range whose matches are already gathered, taking the
// longest one recorded at each position.
void LazyParse(const uint8_t *data, const RangeMatches &range, std::vector<Token> *tokens);

}   // namespace lh5enc

#endif
