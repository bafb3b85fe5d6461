#include "lh5enc_split.h"

#include <algorithm>

#include "lh5enc_log2.h"

namespace lh5enc {

namespace {

constexpr int kSymbols = kLiteralSymbols + kPositionSymbols;

// f * log2(f) in 1/65536 bits; counts are mostly small, so those come from a
// table filled once.
constexpr size_t kFLogFTable = 4096;

const uint64_t *FLogFTable()
{
    static const std::vector<uint64_t> table = [] {
        std::vector<uint64_t> t(kFLogFTable);
        for (size_t f = 0; f < kFLogFTable; ++f)
            t[f] = f * uint64_t{Log2Q16(f)};
        return t;
    }();
    return table.data();
}

// Running symbol counts at every candidate boundary, so that the counts of
// any stretch between candidates are one subtraction away.
class PrefixCounts {
public:
    PrefixCounts(const Token *tokens, size_t count, size_t step) : fLogF_(FLogFTable())
    {
        const size_t candidates = (count + step - 1) / step;
        table_.assign((candidates + 1) * kSymbols, 0);
        offsets_.push_back(0);
        std::vector<uint32_t> running(kSymbols, 0);
        for (size_t c = 0; c < candidates; ++c) {
            const size_t end = std::min(count, (c + 1) * step);
            for (size_t i = c * step; i < end; ++i) {
                ++running[tokens[i].symbol];
                if (tokens[i].symbol >= 256) {
                    ++running[kLiteralSymbols + PositionSymbol(tokens[i].position)];
                }
            }
            std::copy(running.begin(), running.end(), table_.begin() + (c + 1) * kSymbols);
            offsets_.push_back(end);
        }
    }

    size_t Candidates() const { return offsets_.size() - 1; }
    size_t Offset(size_t c) const { return offsets_[c]; }

    void Range(size_t from, size_t to, SymbolCounts *counts) const
    {
        const uint32_t *a = &table_[from * kSymbols];
        const uint32_t *b = &table_[to * kSymbols];
        for (int s = 0; s < kLiteralSymbols; ++s)
            counts->literal[s] = b[s] - a[s];
        for (int x = 0; x < kPositionSymbols; ++x) {
            counts->position[x] = b[kLiteralSymbols + x] - a[kLiteralSymbols + x];
        }
    }

    // Quick estimate of a stretch's size as a block, in 1/65536 bits:
    // entropy of both codes, extra bits, and a rough price for the tables.
    uint64_t Estimate(size_t from, size_t to) const
    {
        const uint32_t *a = &table_[from * kSymbols];
        const uint32_t *b = &table_[to * kSymbols];
        uint64_t bits = 0;
        for (int part = 0; part < 2; ++part) {
            const int lo = part == 0 ? 0 : kLiteralSymbols;
            const int hi = part == 0 ? kLiteralSymbols : kSymbols;
            uint64_t total = 0, sumFLogF = 0, extra = 0, used = 0;
            for (int s = lo; s < hi; ++s) {
                const uint64_t f = b[s] - a[s];
                if (f == 0)
                    continue;
                total += f;
                sumFLogF += FLogF(f);
                ++used;
                if (part == 1 && s - lo > 1)
                    extra += f * static_cast<uint64_t>(s - lo - 1);
            }
            // sum f * log2(total / f), which rounding can never make negative
            const uint64_t entropy = FLogF(total);
            bits += (entropy > sumFLogF ? entropy - sumFLogF : 0) + (extra << 16);
            bits += used * (part == 0 ? 4u << 16 : 7u << 15);
        }
        return bits + (40u << 16);
    }

private:
    uint64_t FLogF(uint64_t f) const { return f < kFLogFTable ? fLogF_[f] : f * Log2Q16(f); }

    const uint64_t *fLogF_;
    std::vector<uint32_t> table_;
    std::vector<size_t> offsets_;
};

uint64_t ExactBits(const PrefixCounts &prefix, size_t from, size_t to)
{
    SymbolCounts counts;
    prefix.Range(from, to, &counts);
    return BlockBits(counts);
}

// Splits candidates [from, to) at the point the estimate likes best, when the
// exact sizes agree that two blocks beat one; then the halves likewise.
// With a stride above 1, the estimate is asked at every stride-th candidate
// first, then at every candidate around the best of those.
void SplitRange(const PrefixCounts &prefix, size_t from, size_t to, size_t stride, std::vector<size_t> *cuts)
{
    if (to - from < 2)
        return;
    uint64_t bestEstimate = 0;
    size_t best = 0;
    auto consider = [&](size_t m) {
        const uint64_t estimate = prefix.Estimate(from, m) + prefix.Estimate(m, to);
        if (best == 0 || estimate < bestEstimate || (estimate == bestEstimate && m < best)) {
            bestEstimate = estimate;
            best = m;
        }
    };
    if (stride <= 1 || to - from <= 2 * stride) {
        for (size_t m = from + 1; m < to; ++m)
            consider(m);
    } else {
        for (size_t m = from + 1; m < to; m += stride)
            consider(m);
        const size_t low = best > from + stride ? best - stride + 1 : from + 1;
        const size_t high = best + stride < to ? best + stride : to;
        for (size_t m = low; m < high; ++m)
            consider(m);
    }
    const uint64_t whole = ExactBits(prefix, from, to);
    const uint64_t parts = ExactBits(prefix, from, best) + ExactBits(prefix, best, to);
    if (parts >= whole)
        return;
    SplitRange(prefix, from, best, stride, cuts);
    cuts->push_back(best);
    SplitRange(prefix, best, to, stride, cuts);
}

}   // namespace

uint64_t BlockBits(const SymbolCounts &counts)
{
    BlockCodes codes;
    ChooseCodes(counts, &codes);
    return HeaderBits(codes) + SymbolBits(counts, codes);
}

std::vector<size_t> SplitBlocks(const Token *tokens, size_t count, size_t maxTokens, size_t step,
                                size_t stride)
{
    std::vector<size_t> bounds{0};
    if (count == 0)
        return bounds;
    // Candidate boundaries every step tokens; coarser for very long inputs so
    // that the search stays fast.
    while (count / step > 16384)
        step *= 2;
    PrefixCounts prefix(tokens, count, step);
    std::vector<size_t> cuts;
    SplitRange(prefix, 0, prefix.Candidates(), stride, &cuts);
    cuts.push_back(prefix.Candidates());
    size_t start = 0;
    for (size_t cut : cuts) {
        const size_t end = prefix.Offset(cut);
        // Too many tokens for one block: equal parts.
        const size_t parts = (end - start + maxTokens - 1) / maxTokens;
        for (size_t k = 1; k < parts; ++k)
            bounds.push_back(start + (end - start) * k / parts);
        bounds.push_back(end);
        start = end;
    }
    return bounds;
}

}   // namespace lh5enc
