#include "lh5enc_optimal.h"

#include <limits>

#include "lh5enc_log2.h"

namespace lh5enc {

namespace {

const uint32_t kScale = 16;

uint32_t ScaledLength(uint8_t length)
{
    return static_cast<uint32_t>(length) * kScale;
}

// Price of a symbol the current code lacks: a little more than its rarest used
// symbol, since a code that gains a symbol lengthens others.
uint32_t UnseenPrice(uint32_t total)
{
    const uint32_t price = (Log2Q16(uint64_t{total} + 2) >> 12) + 2 * kScale;
    return price < (kMaxCodeLength + 2) * kScale ? price : (kMaxCodeLength + 2) * kScale;
}

}   // namespace

void FindRangeMatches(MatchFinder *finder, const uint8_t *data, size_t begin, size_t end,
                      const MatchKeeping &keeping, RangeMatches *out)
{
    const int keep = keeping.keepMatches;
    out->begin = begin;
    out->end = end;
    out->first.assign(end - begin + 1, 0);
    out->matches.clear();
    out->quick.assign(end - begin, 0);
    Match found[kMaxMatch];
    // The last long match: its distance, and how far the bytes are known to
    // repeat at that distance.
    size_t quickUntil = begin, repeatEnd = begin;
    uint32_t repeatDistance = 0;
    for (size_t p = begin; p < end; ++p) {
        out->first[p - begin] = static_cast<uint32_t>(out->matches.size());
        if (p < quickUntil) {
            // Inside a long match: only its continuation, found in constant
            // time by extending the known repeat.
            while (repeatEnd < end && repeatEnd - p < kMaxMatch &&
                   data[repeatEnd] == data[repeatEnd - repeatDistance]) {
                ++repeatEnd;
            }
            const uint32_t length = static_cast<uint32_t>(repeatEnd - p);
            if (length >= kMinMatch)
                out->matches.push_back(Match{length, repeatDistance});
            out->quick[p - begin] = 1;
            finder->Insert(p);
            continue;
        }
        int n = finder->AllMatches(p, end, found, keeping.goodLength);
        finder->Insert(p);
        int from = 0;
        if (n > keep) {
            // Keep the nearest half and the longest half.
            for (int i = 0; i < keep / 2; ++i)
                out->matches.push_back(found[i]);
            from = n - keep / 2;
        }
        for (int i = from; i < n; ++i)
            out->matches.push_back(found[i]);
        if (n > 0 && found[n - 1].length >= keeping.niceLength) {
            quickUntil = p + found[n - 1].length;
            repeatEnd = quickUntil;
            repeatDistance = found[n - 1].distance;
        }
    }
    out->first[end - begin] = static_cast<uint32_t>(out->matches.size());
}

void ModelFromCounts(const SymbolCounts &counts, CostModel *model)
{
    BlockCodes codes;
    ChooseCodes(counts, &codes);
    uint32_t literalTotal = 0, positionTotal = 0;
    for (int s = 0; s < kLiteralSymbols; ++s)
        literalTotal += counts.literal[s];
    for (int x = 0; x < kPositionSymbols; ++x)
        positionTotal += counts.position[x];
    const uint32_t literalUnseen = UnseenPrice(literalTotal);
    const uint32_t positionUnseen = UnseenPrice(positionTotal);
    for (int s = 0; s < kLiteralSymbols; ++s) {
        if (codes.singleLiteral >= 0) {
            model->literal[s] = s == codes.singleLiteral ? kScale : literalUnseen;
        } else {
            model->literal[s] =
                counts.literal[s] != 0 ? ScaledLength(codes.literalLengths[s]) : literalUnseen;
        }
    }
    for (int x = 0; x < kPositionSymbols; ++x) {
        uint32_t price;
        if (codes.singlePosition >= 0) {
            price = x == codes.singlePosition ? kScale : positionUnseen;
        } else {
            price = counts.position[x] != 0 ? ScaledLength(codes.positionLengths[x]) : positionUnseen;
        }
        model->position[x] = price + (x > 1 ? static_cast<uint32_t>(x - 1) * kScale : 0);
    }
}

void OptimalParse(const uint8_t *data, const RangeMatches &range, size_t from, size_t to,
                  const CostModel &model, ParseWorkspace *work, std::vector<Token> *tokens)
{
    const size_t n = to - from;
    const size_t skip = from - range.begin;   // index of from in the range's tables
    const uint32_t kUnreached = std::numeric_limits<uint32_t>::max();
    work->price.assign(n + 1, kUnreached);
    work->stepLength.resize(n + 1);
    work->stepPosition.resize(n + 1);
    uint32_t *price = work->price.data();
    uint16_t *stepLength = work->stepLength.data();
    uint16_t *stepPosition = work->stepPosition.data();
    price[0] = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t here = price[i];
        if (here == kUnreached)
            continue;
        const uint32_t literal = here + model.literal[data[from + i]];
        if (literal < price[i + 1]) {
            price[i + 1] = literal;
            stepLength[i + 1] = 1;
        }
        // Matches found for the whole range may run past this part's end.
        const uint32_t room = n - i < kMaxMatch ? static_cast<uint32_t>(n - i) : kMaxMatch;
        uint32_t length = kMinMatch;
        if (range.quick[skip + i]) {
            for (uint32_t k = range.first[skip + i]; k < range.first[skip + i + 1]; ++k) {
                const Match &m = range.matches[k];
                const uint32_t mLength = m.length < room ? m.length : room;
                if (mLength < kMinMatch)
                    continue;
                const uint32_t cost =
                    here + model.position[PositionSymbol(m.distance - 1)] + model.literal[mLength + 253];
                if (cost < price[i + mLength]) {
                    price[i + mLength] = cost;
                    stepLength[i + mLength] = static_cast<uint16_t>(mLength);
                    stepPosition[i + mLength] = static_cast<uint16_t>(m.distance - 1);
                }
            }
            continue;
        }
        for (uint32_t k = range.first[skip + i]; k < range.first[skip + i + 1]; ++k) {
            const Match &m = range.matches[k];
            const uint32_t base = here + model.position[PositionSymbol(m.distance - 1)];
            const uint32_t mLength = m.length < room ? m.length : room;
            for (; length <= mLength; ++length) {
                const uint32_t cost = base + model.literal[length + 253];
                if (cost < price[i + length]) {
                    price[i + length] = cost;
                    stepLength[i + length] = static_cast<uint16_t>(length);
                    stepPosition[i + length] = static_cast<uint16_t>(m.distance - 1);
                }
            }
        }
    }
    // Count the steps walking back from the end, then fill them in forwards.
    size_t steps = 0;
    for (size_t i = n; i > 0; i -= stepLength[i])
        ++steps;
    tokens->resize(steps);
    size_t t = steps;
    for (size_t i = n; i > 0; i -= stepLength[i]) {
        const uint32_t length = stepLength[i];
        (*tokens)[--t] = length == 1 ? LiteralToken(data[from + i - 1])
                                     : Token{static_cast<uint16_t>(length + 253), stepPosition[i]};
    }
}

}   // namespace lh5enc
