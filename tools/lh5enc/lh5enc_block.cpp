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
    int literalCount;  // literal lengths sent: up to the last nonzero one
    uint8_t lengths[kAuxSymbols];
    uint16_t codes[kAuxSymbols];
    int single;  // single-symbol form value, or -1
};

void AddZeroRun(int run, AuxPlan *plan) {
    while (run > 0) {
        AuxStep &step = plan->steps[plan->stepCount++];
        if (run >= 20) {
            int take = run > 531 ? 531 : run;
            step = AuxStep{2, 9, static_cast<uint16_t>(take - 20)};
            run -= take;
        } else if (run >= 3 && run != 19) {
            step = AuxStep{1, 4, static_cast<uint16_t>(run - 3)};
            run = 0;
        } else {
            step = AuxStep{0, 0, 0};
            run -= 1;
        }
    }
}

void PlanAux(const BlockCodes &codes, AuxPlan *plan) {
    plan->stepCount = 0;
    plan->literalCount = 0;
    for (int s = 0; s < kLiteralSymbols; ++s) {
        if (codes.literalLengths[s] != 0) plan->literalCount = s + 1;
    }
    int run = 0;
    for (int s = 0; s < plan->literalCount; ++s) {
        uint8_t len = codes.literalLengths[s];
        if (len == 0) {
            ++run;
            continue;
        }
        AddZeroRun(run, plan);
        run = 0;
        plan->steps[plan->stepCount++] = AuxStep{static_cast<uint8_t>(len + 2), 0, 0};
    }
    uint32_t freq[kAuxSymbols] = {};
    for (int i = 0; i < plan->stepCount; ++i) ++freq[plan->steps[i].symbol];
    plan->single = -1;
    if (LimitedCodeLengths(freq, kAuxSymbols, kMaxCodeLength, plan->lengths) < 2) {
        plan->single = 0;
        for (int s = 0; s < kAuxSymbols; ++s) {
            if (freq[s] != 0) plan->single = s;
        }
    } else {
        CanonicalCodes(plan->lengths, kAuxSymbols, plan->codes);
    }
}

// A code length as the small-code reader takes it: 3 bits below 7, else 111
// followed by (length - 7) one bits and a zero bit.
template <class Sink>
void PutSmallLength(uint8_t len, Sink *out) {
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
void PutSmallCode(const uint8_t *lengths, int count, int countBits, int special, int single,
                  Sink *out) {
    if (single >= 0) {
        out->Put(0, countBits);
        out->Put(static_cast<uint32_t>(single), countBits);
        return;
    }
    int n = 0;
    for (int s = 0; s < count; ++s) {
        if (lengths[s] != 0) n = s + 1;
    }
    out->Put(static_cast<uint32_t>(n), countBits);
    int i = 0;
    while (i < n) {
        PutSmallLength(lengths[i], out);
        ++i;
        if (i == special) {
            int zeros = 0;
            while (zeros < 3 && i + zeros < n && lengths[i + zeros] == 0) ++zeros;
            out->Put(static_cast<uint32_t>(zeros), 2);
            i += zeros;
        }
    }
}

template <class Sink>
void PutHeader(const BlockCodes &codes, uint32_t symbolCount, Sink *out) {
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
            if (aux.single < 0) out->Put(aux.codes[step.symbol], aux.lengths[step.symbol]);
            out->Put(step.extra, step.extraBits);
        }
    }
    PutSmallCode(codes.positionLengths, kPositionSymbols, 4, -1, codes.singlePosition, out);
}

int SingleSymbol(const uint32_t *freq, int count) {
    int single = 0;
    for (int s = 0; s < count; ++s) {
        if (freq[s] != 0) single = s;
    }
    return single;
}

}  // namespace

void CountSymbols(const Token *tokens, size_t count, SymbolCounts *counts) {
    std::memset(counts, 0, sizeof(*counts));
    for (size_t i = 0; i < count; ++i) {
        ++counts->literal[tokens[i].symbol];
        if (tokens[i].symbol >= 256) ++counts->position[PositionSymbol(tokens[i].position)];
    }
}

void ChooseCodes(const SymbolCounts &counts, BlockCodes *codes) {
    codes->singleLiteral = -1;
    codes->singlePosition = -1;
    if (LimitedCodeLengths(counts.literal, kLiteralSymbols, kMaxCodeLength,
                           codes->literalLengths) < 2) {
        codes->singleLiteral = SingleSymbol(counts.literal, kLiteralSymbols);
    }
    if (LimitedCodeLengths(counts.position, kPositionSymbols, kMaxCodeLength,
                           codes->positionLengths) < 2) {
        codes->singlePosition = SingleSymbol(counts.position, kPositionSymbols);
    }
}

uint64_t HeaderBits(const BlockCodes &codes) {
    BitCounter counter;
    PutHeader(codes, 0, &counter);
    return counter.BitCount();
}

uint64_t SymbolBits(const SymbolCounts &counts, const BlockCodes &codes) {
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

void WriteBlock(const Token *tokens, size_t count, const BlockCodes &codes, BitWriter *out) {
    PutHeader(codes, static_cast<uint32_t>(count), out);
    uint16_t literalCodes[kLiteralSymbols];
    uint16_t positionCodes[kPositionSymbols];
    CanonicalCodes(codes.literalLengths, kLiteralSymbols, literalCodes);
    CanonicalCodes(codes.positionLengths, kPositionSymbols, positionCodes);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t symbol = tokens[i].symbol;
        out->Put(literalCodes[symbol], codes.literalLengths[symbol]);
        if (symbol < 256) continue;
        const uint32_t position = tokens[i].position;
        const uint32_t x = PositionSymbol(position);
        out->Put(positionCodes[x], codes.positionLengths[x]);
        if (x > 1) out->Put(position - (1u << (x - 1)), static_cast<int>(x - 1));
    }
}

}  // namespace lh5enc
