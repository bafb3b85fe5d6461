// Turning bytes into literal and match tokens.
#ifndef TOOLS_LH5ENC_LH5ENC_PARSE_H
#define TOOLS_LH5ENC_LH5ENC_PARSE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lh5enc_block.h"

namespace lh5enc {

// Greedy matching with one step of lazy evaluation: a match is deferred by a
// literal when the next position offers a longer one.
void LazyParse(const uint8_t *data, size_t size, std::vector<Token> *tokens);

}  // namespace lh5enc

#endif
