#include "lh5_stream_writer.h"

#include <algorithm>
#include <set>

#include "lh5_decoder.h"

BitWriter &BitWriter::Put(uint32_t value, int n)
{
    for (int i = n - 1; i >= 0; i--) {
        if (bitCount % 8 == 0)
            bytes.push_back(0);
        if ((value >> i) & 1)
            bytes.back() |= (uint8_t)(0x80 >> (bitCount % 8));
        bitCount++;
    }
    return *this;
}

BitWriter &BitWriter::Literals(const std::vector<uint8_t> &data)
{
    for (size_t done = 0; done < data.size();) {
        size_t count = std::min<size_t>(data.size() - done, 65535);
        Put((uint32_t)count, 16).Put(0, 5).Put(10, 5).Put(256, 9).Put(0, 8);
        while (count-- > 0)
            Put(data[done++], 8);
    }
    return *this;
}

BitWriter &BitWriter::Incomplete()
{
    return Put(100, 16).Put(1, 5).Put(1, 3).Put(0, 16);
}

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t> &lengths)
{
    std::vector<uint32_t> codes(lengths.size(), 0);
    uint32_t code = 0;
    for (int len = 1; len <= 16; len++) {
        for (size_t s = 0; s < lengths.size(); s++) {
            if (lengths[s] == len)
                codes[s] = code++;
        }
        code <<= 1;
    }
    return codes;
}

std::vector<uint8_t> BalancedLengths(int symbolCount, const std::vector<int> &symbols)
{
    std::vector<uint8_t> lengths(symbolCount, 0);
    int k = (int)symbols.size();
    int depth = 0;
    while ((1 << depth) < k)
        depth++;
    int shorter = (1 << depth) - k;   // leaves one level up
    for (int i = 0; i < k; i++)
        lengths[symbols[i]] = (uint8_t)(i < shorter ? depth - 1 : depth);
    return lengths;
}

std::vector<uint8_t> RandomCompleteLengths(std::mt19937 &rng, int symbolCount,
                                           const std::vector<int> &symbols, int maxLength, double deep)
{
    std::vector<int> leaves{0};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    while (leaves.size() < symbols.size()) {
        std::vector<size_t> open;
        for (size_t i = 0; i < leaves.size(); i++) {
            if (leaves[i] < maxLength)
                open.push_back(i);
        }
        size_t pick;
        if (unit(rng) < deep) {
            pick = open[0];
            for (size_t i : open) {
                if (leaves[i] > leaves[pick])
                    pick = i;
            }
        } else {
            pick = open[std::uniform_int_distribution<size_t>(0, open.size() - 1)(rng)];
        }
        leaves[pick]++;
        leaves.push_back(leaves[pick]);
    }
    std::shuffle(leaves.begin(), leaves.end(), rng);
    std::vector<uint8_t> lengths(symbolCount, 0);
    for (size_t i = 0; i < symbols.size(); i++)
        lengths[symbols[i]] = (uint8_t)leaves[i];
    return lengths;
}

// The literal lengths as aux symbols with their extra bits.
static std::vector<LengthItem> LiteralLengthItems(const std::vector<uint8_t> &lengths)
{
    int n = 0;
    for (int i = 0; i < (int)lengths.size(); i++) {
        if (lengths[i] != 0)
            n = i + 1;
    }
    std::vector<LengthItem> items;
    for (int i = 0; i < n;) {
        if (lengths[i] != 0) {
            items.push_back({lengths[i] + 2});
            i++;
            continue;
        }
        int run = 0;
        while (i + run < n && lengths[i + run] == 0)
            run++;
        i += run;
        while (run > 0) {
            const int take = run >= 20 ? std::min(run, 531) : run >= 3 ? std::min(run, 18) : 1;
            items.push_back(take >= 20  ? LengthItem{2, (uint32_t)(take - 20)}
                            : take >= 3 ? LengthItem{1, (uint32_t)(take - 3)}
                                        : LengthItem{0});
            run -= take;
        }
    }
    return items;
}

static std::vector<int> AuxSymbolsUsed(const std::vector<uint8_t> &literalLengths)
{
    std::set<int> used;
    for (const LengthItem &item : LiteralLengthItems(literalLengths))
        used.insert(item.symbol);
    return std::vector<int>(used.begin(), used.end());
}

// Lengths 0..6 in three bits; 7 and up as 111, (length - 7) ones and a zero.
// After index special two bits of zero run: with runs the zeros that follow
// (up to three) are skipped through it, without it is 0.
static void PutSmallCode(BitWriter &w, const SmallCode &code, int countBits, int special, bool runs)
{
    if (code.lengths.empty()) {
        w.Put(0, countBits).Put((uint32_t)code.single, countBits);
        return;
    }
    const size_t n = code.lengths.size();
    w.Put((uint32_t)(code.count < 0 ? (int)n : code.count), countBits);
    for (size_t k = 0; k < n; ++k) {
        const int length = code.lengths[k];
        if (length < 7)
            w.Put((uint32_t)length, 3);
        else
            w.Put(7, 3).Put(((1u << (length - 7)) - 1) << 1, length - 6);
        if ((int)k + 1 == special) {
            size_t z = 0;
            while (runs && z < 3 && k + 1 + z < n && code.lengths[k + 1 + z] == 0)
                z++;
            w.Put((uint32_t)z, 2);
            k += z;
        }
    }
}

// The 510 literal lengths the items describe (lengths past 510 dropped) and
// how many the items describe in all.
static std::vector<uint8_t> DescribedLengths(const std::vector<LengthItem> &items, int *described)
{
    std::vector<uint8_t> lengths(510, 0);
    int i = 0;
    for (const LengthItem &item : items) {
        if (item.symbol == 0)
            i += 1;
        else if (item.symbol == 1)
            i += (int)item.extra + 3;
        else if (item.symbol == 2)
            i += (int)item.extra + 20;
        else if (i++ < 510)
            lengths[i - 1] = (uint8_t)(item.symbol - 2);
    }
    *described = i;
    return lengths;
}

// The three codes of a block header; the literal lengths they describe.
static std::vector<uint8_t> PutHeader(BitWriter &w, const RawBlock &block, bool runs)
{
    PutSmallCode(w, block.aux, 5, 3, runs);
    int described = 0;
    std::vector<uint8_t> literalLengths = DescribedLengths(block.literal.items, &described);
    if (block.literal.items.empty()) {
        w.Put(0, 9).Put((uint32_t)block.literal.single, 9);
    } else {
        w.Put((uint32_t)(block.literal.count < 0 ? described : block.literal.count), 9);
        std::vector<uint8_t> auxLengths(19, 0);
        for (size_t k = 0; k < block.aux.lengths.size() && k < 19; ++k)
            auxLengths[k] = (uint8_t)block.aux.lengths[k];
        std::vector<uint32_t> auxCodes = CanonicalCodes(auxLengths);
        for (const LengthItem &item : block.literal.items) {
            if (item.symbol < 19 && auxLengths[item.symbol] != 0)
                w.Put(auxCodes[item.symbol], auxLengths[item.symbol]);
            if (item.symbol == 1 || item.symbol == 2)
                w.Put(item.extra, item.symbol == 1 ? 4 : 9);
        }
    }
    PutSmallCode(w, block.position, 4, -1, runs);
    return block.literal.items.empty() ? std::vector<uint8_t>() : literalLengths;
}

void PutRawBlock(BitWriter &w, const RawBlock &block)
{
    w.Put((uint32_t)(block.symbolCount < 0 ? (int64_t)block.data.size() : block.symbolCount), 16);
    std::vector<uint8_t> literalLengths = PutHeader(w, block, false);
    std::vector<uint32_t> codes = CanonicalCodes(literalLengths);
    for (uint8_t byte : block.data)
        if (!literalLengths.empty())   // the single literal takes no bits
            w.Put(codes[byte], literalLengths[byte]);
}

Bytes BlockStream(const std::vector<RawBlock> &blocks)
{
    BitWriter w;
    for (const RawBlock &block : blocks)
        PutRawBlock(w, block);
    return w.bytes;
}

std::vector<LengthItem> SameLengths(int count, int length)
{
    return std::vector<LengthItem>((size_t)count, LengthItem{length + 2});
}

RawBlock LiteralBlock(const Bytes &data)
{
    RawBlock block;
    block.aux.lengths = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    block.literal.items = SameLengths(256, 8);
    block.data = data;
    return block;
}

int PositionSymbol(uint32_t position)
{
    int x = 0;
    while (position >> x)
        x++;
    return x;
}

// A set of lengths as a small code: up to its last length that is not 0, or
// the single symbol when there is none.
static SmallCode SmallCodeOf(const std::vector<uint8_t> &lengths, int single)
{
    SmallCode code;
    code.single = single;
    code.lengths.assign(lengths.begin(), lengths.end());
    while (!code.lengths.empty() && code.lengths.back() == 0)
        code.lengths.pop_back();
    return code;
}

void PutBlock(BitWriter &w, const Lh5Block &block)
{
    w.Put((uint32_t)(block.countOverride >= 0 ? block.countOverride : (int64_t)block.tokens.size()), 16);
    RawBlock raw;
    std::vector<uint8_t> aux = block.auxLengths;
    int auxSingle = block.auxSingle;
    if (aux.empty() && auxSingle < 0) {
        std::vector<int> used = AuxSymbolsUsed(block.literalLengths);
        if (used.size() > 1)
            aux = BalancedLengths(19, used);
        else
            auxSingle = used.empty() ? 0 : used[0];
    }
    raw.aux = SmallCodeOf(aux, auxSingle);
    raw.literal.items = LiteralLengthItems(block.literalLengths);
    raw.literal.single = block.literalSingle;
    raw.position = SmallCodeOf(block.positionLengths, std::max(block.positionSingle, 0));
    PutHeader(w, raw, true);

    std::vector<uint32_t> literalCodes = CanonicalCodes(block.literalLengths);
    std::vector<uint32_t> positionCodes = CanonicalCodes(block.positionLengths);
    for (const Lh5Token &t : block.tokens) {
        if (!block.literalLengths.empty())
            w.Put(literalCodes[t.symbol], block.literalLengths[t.symbol]);
        if (t.symbol < 256)
            continue;
        int x = PositionSymbol(t.position);
        if (!block.positionLengths.empty())
            w.Put(positionCodes[x], block.positionLengths[x]);
        if (x > 1)
            w.Put(t.position - (1u << (x - 1)), x - 1);
    }
}

void AutoCodes(Lh5Block &block)
{
    std::set<int> literals, positions;
    for (const Lh5Token &t : block.tokens) {
        literals.insert(t.symbol);
        if (t.symbol >= 256)
            positions.insert(PositionSymbol(t.position));
    }
    block.literalLengths.clear();
    block.positionLengths.clear();
    if (literals.size() == 1)
        block.literalSingle = *literals.begin();
    else
        block.literalLengths = BalancedLengths(510, std::vector<int>(literals.begin(), literals.end()));
    if (positions.size() <= 1)
        block.positionSingle = positions.empty() ? 0 : *positions.begin();
    else
        block.positionLengths = BalancedLengths(14, std::vector<int>(positions.begin(), positions.end()));
}

void ApplyTokens(const std::vector<Lh5Token> &tokens, std::vector<uint8_t> &out)
{
    for (const Lh5Token &t : tokens) {
        if (t.symbol < 256) {
            out.push_back((uint8_t)t.symbol);
            continue;
        }
        size_t from = out.size() - t.position - 1;
        for (int i = 0; i < t.symbol - 253; i++)
            out.push_back(out[from + i]);
    }
}

// Codes for one block of the random stream: balanced, random, or random with
// a strong pull towards long codes; single-symbol forms now and then.
static std::vector<uint8_t> RandomCode(std::mt19937 &rng, int symbolCount, std::set<int> used, int *single)
{
    std::uniform_int_distribution<int> pick(0, symbolCount - 1);
    std::uniform_int_distribution<int> style(0, 3);
    if (used.size() == 1 && style(rng) != 0) {
        *single = *used.begin();
        return {};
    }
    int extra = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? pick(rng) % 40 : 0;
    for (int i = 0; i < extra || used.size() < 2; i++)
        used.insert(pick(rng));
    std::vector<int> symbols(used.begin(), used.end());
    switch (style(rng)) {
    case 0:
        return BalancedLengths(symbolCount, symbols);
    case 1:
        return RandomCompleteLengths(rng, symbolCount, symbols, 16, 0.0);
    case 2:
        return RandomCompleteLengths(rng, symbolCount, symbols, 16, 0.5);
    default:
        return RandomCompleteLengths(rng, symbolCount, symbols, 16, 0.9);
    }
}

Lh5TestStream RandomStream(std::mt19937 &rng, size_t size)
{
    Lh5TestStream result;
    BitWriter w;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    while (result.expected.size() < size) {
        Lh5Block block;
        // Block shape: how literal-heavy, how wide an alphabet, how far back.
        double literalShare = unit(rng);
        int alphabet = 1 + std::uniform_int_distribution<int>(0, 255)(rng);
        int alphabetBase = std::uniform_int_distribution<int>(0, 256 - alphabet)(rng);
        int maxLength = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? 256 : 20;
        uint32_t maxBack = std::uniform_int_distribution<int>(0, 1)(rng) ? 8191 : 64;
        size_t tokenCount = std::uniform_int_distribution<size_t>(1, 3000)(rng);

        size_t at = result.expected.size();
        for (size_t i = 0; i < tokenCount && at < size; i++) {
            size_t remaining = size - at;
            if (at == 0 || remaining < 3 || unit(rng) < literalShare) {
                int byte = alphabetBase + std::uniform_int_distribution<int>(0, alphabet - 1)(rng);
                block.tokens.push_back({byte, 0});
                at++;
                continue;
            }
            int length = std::uniform_int_distribution<int>(3, maxLength)(rng);
            if (unit(rng) < 0.05)
                length = 256;
            length = (int)std::min<size_t>((size_t)length, remaining);
            uint32_t limit = (uint32_t)std::min<size_t>(at - 1, maxBack);
            uint32_t position = std::uniform_int_distribution<uint32_t>(0, limit)(rng);
            if (unit(rng) < 0.3)   // favour near positions, as real data does
                position = std::min<uint32_t>(position, std::uniform_int_distribution<uint32_t>(0, 8)(rng));
            block.tokens.push_back({length + 253, position});
            at += (size_t)length;
        }

        std::set<int> literals, positions;
        for (const Lh5Token &t : block.tokens) {
            literals.insert(t.symbol);
            if (t.symbol >= 256)
                positions.insert(PositionSymbol(t.position));
        }
        block.literalLengths = RandomCode(rng, 510, literals, &block.literalSingle);
        if (positions.empty()) {
            block.positionSingle = std::uniform_int_distribution<int>(0, 13)(rng);
        } else {
            block.positionLengths = RandomCode(rng, 14, positions, &block.positionSingle);
        }
        if (!block.literalLengths.empty()) {
            std::vector<int> auxUsed = AuxSymbolsUsed(block.literalLengths);
            std::set<int> aux(auxUsed.begin(), auxUsed.end());
            block.auxLengths = RandomCode(rng, 19, aux, &block.auxSingle);
        }
        PutBlock(w, block);
        ApplyTokens(block.tokens, result.expected);
    }
    result.stream = w.bytes;
    return result;
}

void StartRecord(const std::vector<uint8_t> &stream)
{
    Lh5Decoder.input = stream.data();
    Lh5Decoder.inputLimit = (uint32_t)stream.size();
    Lh5Decoder.error = 0;
    Lh5Start();
}

uint32_t BitsAt(const std::vector<uint8_t> &stream, uint64_t at, int n)
{
    uint32_t v = 0;
    for (uint64_t i = at; i < at + (uint64_t)n; i++)
        v = (v << 1) | (i / 8 < stream.size() ? (stream[i / 8] >> (7 - i % 8)) & 1 : 0);
    return v;
}

static int32_t AppendChunk(void *out, const uint8_t *bytes, uint32_t count)
{
    static_cast<std::vector<uint8_t> *>(out)->insert(static_cast<std::vector<uint8_t> *>(out)->end(), bytes,
                                                     bytes + count);
    return 1;
}

std::vector<uint8_t> DecodeRecord(const std::vector<uint8_t> &stream, uint32_t size, int *errorChunk)
{
    std::vector<uint8_t> out;
    bool ok = Lh5DecodeRecord(stream.data(), (uint32_t)stream.size(), (int32_t)size, AppendChunk, &out) == 1;
    *errorChunk = ok ? -1 : (int)(out.size() / kLh5WindowSize);
    return out;
}
