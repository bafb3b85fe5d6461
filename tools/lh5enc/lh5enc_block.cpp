#include "lh5enc_block.h"

#include <cstring>

#include "lh5enc_huffman.h"

namespace lh5enc {

namespace {

// Counts bits instead of writing them, for size estimates.
class BitCounter {
public:
    void Put(uint32_t, int count) { bits_ += static_cast<uint64_t>(count); }
    uint64_t BitCount() const { return bits_; }

private:
    uint64_t bits_ = 0;
};

// One step of the literal code lengths as sent with the aux code: symbol 0 is
// one zero length, 1 a run of 3..18 zeros (4 extra bits), 2 a run of 20..531
// zeros (9 extra bits), 3..18 the lengths 1..16.
struct AuxStep {
    uint8_t symbol;
    uint8_t extraBits;
    uint16_t extra;
};

struct AuxPlan {
    AuxStep steps[kLiteralSymbols];
    int stepCount;
    int literalCount;   // literal lengths sent: up to the last nonzero one
    uint8_t lengths[kAuxSymbols];
    uint16_t codes[kAuxSymbols];
    int single;   // single-symbol form value, or -1
};

const uint64_t kUnusable = uint64_t{1} << 32;   // a symbol the aux code lacks

// The cheapest way to send a run of r zero lengths, for every r, given the
// price of each of the three run symbols: cost[r], and the size of the last
// piece of that way in piece[r].
struct RunPlan {
    uint64_t cost[kLiteralSymbols + 1];
    uint16_t piece[kLiteralSymbols + 1];
};

void PlanRuns(const uint64_t price[3], RunPlan *runs)
{
    runs->cost[0] = 0;
    runs->piece[0] = 0;
    for (int r = 1; r <= kLiteralSymbols; ++r) {
        uint64_t best = runs->cost[r - 1] + price[0];
        int piece = 1;
        for (int k = 3; k <= 18 && k <= r; ++k) {
            const uint64_t cost = runs->cost[r - k] + price[1] + 4;
            if (cost < best)
                best = cost, piece = k;
        }
        // One long-run piece (20..531 zeros) covers any run of 20 or more
        // whole; splitting it could only add to its price.
        if (r >= 20 && price[2] + 9 < best)
            best = price[2] + 9, piece = r;
        runs->cost[r] = best;
        runs->piece[r] = static_cast<uint16_t>(piece);
    }
}

void AddPiece(int piece, AuxPlan *plan)
{
    AuxStep &step = plan->steps[plan->stepCount++];
    if (piece >= 20) {
        step = AuxStep{2, 9, static_cast<uint16_t>(piece - 20)};
    } else if (piece >= 3) {
        step = AuxStep{1, 4, static_cast<uint16_t>(piece - 3)};
    } else {
        step = AuxStep{0, 0, 0};
    }
}

// A run of zero lengths: in the pieces runs chose, or without a plan in the
// usual way (one long-run symbol per 531 zeros, one short-run symbol for 3 to
// 18, single zeros otherwise).
void AddZeroRun(int run, const RunPlan *runs, AuxPlan *plan)
{
    if (runs != nullptr) {
        for (; run > 0; run -= runs->piece[run])
            AddPiece(runs->piece[run], plan);
        return;
    }
    while (run > 0) {
        int piece = run >= 20 ? (run > 531 ? 531 : run) : (run >= 3 && run != 19) ? run : 1;
        AddPiece(piece, plan);
        run -= piece;
    }
}

void StepsFor(const BlockCodes &codes, const RunPlan *runs, AuxPlan *plan)
{
    plan->stepCount = 0;
    int run = 0;
    for (int s = 0; s < plan->literalCount; ++s) {
        const uint8_t len = codes.literalLengths[s];
        if (len == 0) {
            ++run;
            continue;
        }
        AddZeroRun(run, runs, plan);
        run = 0;
        plan->steps[plan->stepCount++] = AuxStep{static_cast<uint8_t>(len + 2), 0, 0};
    }
}

// A code length as the small-code reader takes it: 3 bits below 7, else 111
// followed by (length - 7) one bits and a zero bit.
template <class Sink>
void PutSmallLength(uint8_t len, Sink *out)
{
    if (len < 7) {
        out->Put(len, 3);
    } else {
        out->Put(7, 3);
        int ones = len - 7;
        out->Put((1u << ones) - 1, ones);
        out->Put(0, 1);
    }
}

// A small code (aux or position): count of lengths, then the lengths; with a
// special index, two bits after that many lengths give a run of zeros.
template <class Sink>
void PutSmallCode(const uint8_t *lengths, int count, int countBits, int special, int single, Sink *out)
{
    if (single >= 0) {
        out->Put(0, countBits);
        out->Put(static_cast<uint32_t>(single), countBits);
        return;
    }
    int n = 0;
    for (int s = 0; s < count; ++s) {
        if (lengths[s] != 0)
            n = s + 1;
    }
    out->Put(static_cast<uint32_t>(n), countBits);
    int i = 0;
    while (i < n) {
        PutSmallLength(lengths[i], out);
        ++i;
        if (i == special) {
            int zeros = 0;
            while (zeros < 3 && i + zeros < n && lengths[i + zeros] == 0)
                ++zeros;
            out->Put(static_cast<uint32_t>(zeros), 2);
            i += zeros;
        }
    }
}

// Fills in the aux code for the planned steps: of the length limits worth
// trying, the one that makes the aux code's own lengths plus the steps coded
// with it cheapest. Returns that total in bits, extra bits included.
uint64_t ChooseAuxCode(AuxPlan *plan)
{
    uint32_t freq[kAuxSymbols] = {};
    uint64_t extraBits = 0;
    for (int i = 0; i < plan->stepCount; ++i) {
        ++freq[plan->steps[i].symbol];
        extraBits += plan->steps[i].extraBits;
    }
    uint64_t best = 0;
    bool found = false;
    uint8_t lengths[kAuxSymbols];
    // Lengths of 7 and more cost extra bits in the header; a tighter limit
    // can pay for itself.
    for (int limit : {kMaxCodeLength, 7, 6, 5}) {
        int single = -1;
        const int used = LimitedCodeLengths(freq, kAuxSymbols, limit, lengths);
        if (used < 2) {
            single = 0;
            for (int s = 0; s < kAuxSymbols; ++s) {
                if (freq[s] != 0)
                    single = s;
            }
        }
        BitCounter counter;
        PutSmallCode(lengths, kAuxSymbols, 5, 3, single, &counter);
        uint64_t bits = counter.BitCount() + extraBits;
        for (int s = 0; s < kAuxSymbols; ++s)
            bits += static_cast<uint64_t>(freq[s]) * lengths[s];
        if (!found || bits < best) {
            found = true;
            best = bits;
            plan->single = single;
            for (int s = 0; s < kAuxSymbols; ++s)
                plan->lengths[s] = lengths[s];
        }
        if (used < 2)
            break;
    }
    if (plan->single < 0)
        CanonicalCodes(plan->lengths, kAuxSymbols, plan->codes);
    return best;
}

// Plans the literal lengths as aux steps: first with the usual zero runs,
// then once more with runs priced by the aux code that gave; the cheaper wins.
void PlanAux(const BlockCodes &codes, AuxPlan *plan)
{
    plan->literalCount = 0;
    for (int s = 0; s < kLiteralSymbols; ++s) {
        if (codes.literalLengths[s] != 0)
            plan->literalCount = s + 1;
    }
    StepsFor(codes, nullptr, plan);
    const uint64_t usual = ChooseAuxCode(plan);

    uint64_t price[3];
    for (int k = 0; k < 3; ++k) {
        if (plan->single >= 0) {
            price[k] = plan->single == k ? 0 : kUnusable;
        } else {
            price[k] = plan->lengths[k] != 0 ? plan->lengths[k] : kUnusable;
        }
    }
    RunPlan runs;
    PlanRuns(price, &runs);
    AuxPlan priced;
    priced.literalCount = plan->literalCount;
    StepsFor(codes, &runs, &priced);
    if (ChooseAuxCode(&priced) < usual)
        *plan = priced;
}

template <class Sink>
void PutHeader(const BlockCodes &codes, uint32_t symbolCount, Sink *out)
{
    out->Put(symbolCount, 16);
    if (codes.singleLiteral >= 0) {
        // The aux code is still read; the empty single-symbol form is cheapest.
        PutSmallCode(nullptr, kAuxSymbols, 5, 3, 0, out);
        out->Put(0, 9);
        out->Put(static_cast<uint32_t>(codes.singleLiteral), 9);
    } else {
        AuxPlan aux;
        PlanAux(codes, &aux);
        PutSmallCode(aux.lengths, kAuxSymbols, 5, 3, aux.single, out);
        out->Put(static_cast<uint32_t>(aux.literalCount), 9);
        for (int i = 0; i < aux.stepCount; ++i) {
            const AuxStep &step = aux.steps[i];
            if (aux.single < 0)
                out->Put(aux.codes[step.symbol], aux.lengths[step.symbol]);
            out->Put(step.extra, step.extraBits);
        }
    }
    PutSmallCode(codes.positionLengths, kPositionSymbols, 4, -1, codes.singlePosition, out);
}

int SingleSymbol(const uint32_t *freq, int count)
{
    int single = 0;
    for (int s = 0; s < count; ++s) {
        if (freq[s] != 0)
            single = s;
    }
    return single;
}

}   // namespace

void CountSymbols(const Token *tokens, size_t count, SymbolCounts *counts)
{
    std::memset(counts, 0, sizeof(*counts));
    for (size_t i = 0; i < count; ++i) {
        ++counts->literal[tokens[i].symbol];
        if (tokens[i].symbol >= 256)
            ++counts->position[PositionSymbol(tokens[i].position)];
    }
}

void ChooseCodes(const SymbolCounts &counts, BlockCodes *codes)
{
    codes->singleLiteral = -1;
    codes->singlePosition = -1;
    if (LimitedCodeLengths(counts.literal, kLiteralSymbols, kMaxCodeLength, codes->literalLengths) < 2) {
        codes->singleLiteral = SingleSymbol(counts.literal, kLiteralSymbols);
    }
    if (LimitedCodeLengths(counts.position, kPositionSymbols, kMaxCodeLength, codes->positionLengths) < 2) {
        codes->singlePosition = SingleSymbol(counts.position, kPositionSymbols);
    }
}

uint64_t HeaderBits(const BlockCodes &codes)
{
    BitCounter counter;
    PutHeader(codes, 0, &counter);
    return counter.BitCount();
}

uint64_t SymbolBits(const SymbolCounts &counts, const BlockCodes &codes)
{
    uint64_t bits = 0;
    for (int s = 0; s < kLiteralSymbols; ++s) {
        bits += static_cast<uint64_t>(counts.literal[s]) * codes.literalLengths[s];
    }
    for (int x = 0; x < kPositionSymbols; ++x) {
        uint32_t extra = x == 0 ? 0 : static_cast<uint32_t>(x - 1);
        bits += static_cast<uint64_t>(counts.position[x]) * (codes.positionLengths[x] + extra);
    }
    return bits;
}

void WriteBlock(const Token *tokens, size_t count, const BlockCodes &codes, BitWriter *out)
{
    PutHeader(codes, static_cast<uint32_t>(count), out);
    uint16_t literalCodes[kLiteralSymbols];
    uint16_t positionCodes[kPositionSymbols];
    CanonicalCodes(codes.literalLengths, kLiteralSymbols, literalCodes);
    CanonicalCodes(codes.positionLengths, kPositionSymbols, positionCodes);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t symbol = tokens[i].symbol;
        out->Put(literalCodes[symbol], codes.literalLengths[symbol]);
        if (symbol < 256)
            continue;
        const uint32_t position = tokens[i].position;
        const uint32_t x = PositionSymbol(position);
        out->Put(positionCodes[x], codes.positionLengths[x]);
        if (x > 1)
            out->Put(position - (1u << (x - 1)), static_cast<int>(x - 1));
    }
}

}   // namespace lh5enc
