// Encoding in three steps: a quick lazy parse shows where the data change
// character and so where blocks should end; each block is then parsed again
// for the lowest cost under its own codes, a few times over as the codes
// settle; finally the block is written with the codes of its best parse.
// The fast level does the same with shorter searches and a single pass, on
// pieces of the input that are encoded independently.
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

// How much searching a level does.
struct Effort {
    // Candidates examined per position by the lazy parse.
    int lazyChain;
    // Token step between candidate block boundaries, and the stride of the
    // coarse search among them (1: every candidate is tried).
    size_t splitStep;
    size_t splitStride;
    // Candidates examined per position when gathering matches for the
    // cost-driven parse.
    int optimalChain;
    MatchKeeping keeping;
    // Cost-driven passes per block; each prices symbols with the codes of the
    // one before, the first with those of the lazy parse. Passes stop early
    // once the block no longer shrinks.
    int passes;
    // Matches gathered once for the whole range and used by the lazy parse
    // too (which then ignores lazyChain), instead of per block after a lazy
    // parse with its own search.
    bool matchesOnce;
};

const Effort kBestEffort{64, 64, 1, 128, {24, 256, 256}, 3, false};
const Effort kFastEffort{16, 128, 8, 32, {8, 64, 256}, 1, true};

// Input bytes one block may cover at most.
const size_t kMaxBlockBytes = size_t{1} << 20;

// Writes tokens as one block, or as several when they are too many for one.
void WriteTokens(const std::vector<Token> &tokens, BitWriter *out)
{
    for (size_t start = 0; start < tokens.size(); start += kMaxBlockSymbols) {
        const size_t count = std::min(kMaxBlockSymbols, tokens.size() - start);
        SymbolCounts counts;
        CountSymbols(&tokens[start], count, &counts);
        BlockCodes codes;
        ChooseCodes(counts, &codes);
        WriteBlock(&tokens[start], count, codes, out);
    }
}

size_t TokenBytes(const Token &token)
{
    return token.symbol < 256 ? 1 : token.symbol - 253u;
}

// Cuts blocks that cover more than maxBytes of input: the cost-driven parse
// keeps a few words per input byte of its block, and data that compress this
// well lose next to nothing to one more block header.
std::vector<size_t> LimitBlockBytes(const std::vector<Token> &tokens, const std::vector<size_t> &bounds,
                                    size_t maxBytes)
{
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

// Encodes data[begin..end) (matches may reach back to data[0]) as whole blocks.
void EncodeRange(const uint8_t *data, size_t size, size_t begin, size_t end, const Effort &effort,
                 BitWriter *out)
{
    MatchFinder finder(data, size, effort.optimalChain);
    finder.InsertBefore(begin);
    RangeMatches range;
    std::vector<Token> lazy;
    if (effort.matchesOnce) {
        FindRangeMatches(&finder, data, begin, end, effort.keeping, &range);
        LazyParse(data, range, &lazy);
    } else {
        MatchFinder lazyFinder(data, size, effort.lazyChain);
        lazyFinder.InsertBefore(begin);
        LazyParse(&lazyFinder, data, begin, end, &lazy);
    }
    const std::vector<size_t> bounds = LimitBlockBytes(
        lazy, SplitBlocks(lazy.data(), lazy.size(), kMaxBlockSymbols, effort.splitStep, effort.splitStride),
        kMaxBlockBytes);

    ParseWorkspace work;
    std::vector<Token> best, trial;
    size_t byteBegin = begin;
    for (size_t b = 0; b + 1 < bounds.size(); ++b) {
        const auto first = lazy.begin() + static_cast<std::ptrdiff_t>(bounds[b]);
        const auto last = lazy.begin() + static_cast<std::ptrdiff_t>(bounds[b + 1]);
        size_t byteEnd = byteBegin;
        for (auto t = first; t != last; ++t)
            byteEnd += TokenBytes(*t);

        best.assign(first, last);
        SymbolCounts counts;
        CountSymbols(best.data(), best.size(), &counts);
        uint64_t bestBits = BlockBits(counts);
        if (!effort.matchesOnce)
            FindRangeMatches(&finder, data, byteBegin, byteEnd, effort.keeping, &range);
        for (int pass = 0; pass < effort.passes; ++pass) {
            CostModel model;
            ModelFromCounts(counts, &model);
            OptimalParse(data, range, byteBegin, byteEnd, model, &work, &trial);
            CountSymbols(trial.data(), trial.size(), &counts);
            const uint64_t bits = BlockBits(counts);
            if (bits >= bestBits)
                break;
            bestBits = bits;
            best.swap(trial);
        }
        WriteTokens(best, out);
        byteBegin = byteEnd;
    }
}

}   // namespace

size_t Lh5PieceCount(size_t size, Lh5Level level)
{
    if (size == 0)
        return 0;
    if (level == Lh5Level::kBest)
        return 1;
    return (size + kLh5FastPieceBytes - 1) / kLh5FastPieceBytes;
}

Lh5Piece Lh5EncodePiece(const uint8_t *data, size_t size, size_t piece, Lh5Level level)
{
    Lh5Piece result;
    if (piece >= Lh5PieceCount(size, level))
        return result;
    BitWriter out;
    if (level == Lh5Level::kBest) {
        EncodeRange(data, size, 0, size, kBestEffort, &out);
    } else {
        const size_t begin = piece * kLh5FastPieceBytes;
        EncodeRange(data, size, begin, std::min(size, begin + kLh5FastPieceBytes), kFastEffort, &out);
    }
    result.bitCount = out.BitCount();
    result.bytes = out.Finish();
    return result;
}

std::vector<uint8_t> Lh5JoinPieces(const std::vector<Lh5Piece> &pieces)
{
    if (pieces.size() == 1)
        return pieces[0].bytes;
    BitWriter out;
    for (const Lh5Piece &piece : pieces)
        out.PutBits(piece.bytes, piece.bitCount);
    return out.Finish();
}

std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size, Lh5Level level)
{
    std::vector<Lh5Piece> pieces(Lh5PieceCount(size, level));
    for (size_t k = 0; k < pieces.size(); ++k)
        pieces[k] = Lh5EncodePiece(data, size, k, level);
    return Lh5JoinPieces(pieces);
}

std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size)
{
    return Lh5Encode(data, size, Lh5Level::kBest);
}
