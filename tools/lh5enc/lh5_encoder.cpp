// Encoding in three steps: a quick lazy parse shows where the data change
// character and so where blocks should end; each block is then parsed again
// for the lowest cost under its own codes, a few times over as the codes
// settle; finally the block is written with the codes of its best parse.
#include "lh5_encoder.h"

#include <algorithm>

#include "lh5enc_bits.h"
#include "lh5enc_block.h"
#include "lh5enc_match.h"
#include "lh5enc_optimal.h"
#include "lh5enc_parse.h"
#include "lh5enc_split.h"

using namespace lh5enc;

namespace {

// Candidates examined per position when gathering matches for the cost-driven
// parse.
const int kOptimalChain = 128;
// Cost-driven passes per block; each prices symbols with the codes of the
// one before, the first with those of the lazy parse.
const int kPasses = 3;
// Input bytes one block may cover at most.
const size_t kMaxBlockBytes = size_t{1} << 20;

// Writes tokens as one block, or as several when they are too many for one.
void WriteTokens(const std::vector<Token> &tokens, BitWriter *out) {
    for (size_t start = 0; start < tokens.size(); start += kMaxBlockSymbols) {
        const size_t count = std::min(kMaxBlockSymbols, tokens.size() - start);
        SymbolCounts counts;
        CountSymbols(&tokens[start], count, &counts);
        BlockCodes codes;
        ChooseCodes(counts, &codes);
        WriteBlock(&tokens[start], count, codes, out);
    }
}

size_t TokenBytes(const Token &token) { return token.symbol < 256 ? 1 : token.symbol - 253u; }

// Cuts blocks that cover more than maxBytes of input: the cost-driven parse
// keeps a few words per input byte of its block, and data that compress this
// well lose next to nothing to one more block header.
std::vector<size_t> LimitBlockBytes(const std::vector<Token> &tokens,
                                    const std::vector<size_t> &bounds, size_t maxBytes) {
    std::vector<size_t> limited{0};
    for (size_t b = 0; b + 1 < bounds.size(); ++b) {
        size_t bytes = 0;
        for (size_t t = bounds[b]; t < bounds[b + 1]; ++t) {
            const size_t more = TokenBytes(tokens[t]);
            if (bytes + more > maxBytes && t > limited.back()) {
                limited.push_back(t);
                bytes = 0;
            }
            bytes += more;
        }
        limited.push_back(bounds[b + 1]);
    }
    return limited;
}

}  // namespace

std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size) {
    if (size == 0) return {};
    std::vector<Token> lazy;
    LazyParse(data, size, &lazy);
    const std::vector<size_t> bounds = LimitBlockBytes(
        lazy, SplitBlocks(lazy.data(), lazy.size(), kMaxBlockSymbols), kMaxBlockBytes);

    BitWriter out;
    MatchFinder finder(data, size, kOptimalChain);
    RangeMatches range;
    ParseWorkspace work;
    std::vector<Token> best, trial;
    size_t byteBegin = 0;
    for (size_t b = 0; b + 1 < bounds.size(); ++b) {
        const auto first = lazy.begin() + static_cast<std::ptrdiff_t>(bounds[b]);
        const auto last = lazy.begin() + static_cast<std::ptrdiff_t>(bounds[b + 1]);
        size_t byteEnd = byteBegin;
        for (auto t = first; t != last; ++t) byteEnd += TokenBytes(*t);

        best.assign(first, last);
        SymbolCounts counts;
        CountSymbols(best.data(), best.size(), &counts);
        uint64_t bestBits = BlockBits(counts);
        FindRangeMatches(&finder, data, byteBegin, byteEnd, &range);
        for (int pass = 0; pass < kPasses; ++pass) {
            CostModel model;
            ModelFromCounts(counts, &model);
            OptimalParse(data, range, model, &work, &trial);
            CountSymbols(trial.data(), trial.size(), &counts);
            const uint64_t bits = BlockBits(counts);
            if (bits >= bestBits) break;
            bestBits = bits;
            best.swap(trial);
        }
        WriteTokens(best, &out);
        byteBegin = byteEnd;
    }
    return out.Finish();
}
