#include "bad_payloads.h"

namespace badinput {

// Lengths 0..6 in three bits; 7 and up as 111, (length - 7) ones and a zero.
static void PutSmallCode(BitWriter &w, const SmallCode &code, int countBits, int special)
{
    if (code.lengths.empty()) {
        w.Put(0, countBits);
        w.Put((uint32_t)code.single, countBits);
        return;
    }
    w.Put((uint32_t)(code.count < 0 ? (int)code.lengths.size() : code.count), countBits);
    for (size_t k = 0; k < code.lengths.size(); ++k) {
        int length = code.lengths[k];
        if (length < 7) {
            w.Put((uint32_t)length, 3);
        } else {
            w.Put(7, 3);
            w.Put(((1u << (length - 7)) - 1) << 1, length - 6);
        }
        if ((int)k + 1 == special)
            w.Put(0, 2);
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

void PutRawBlock(BitWriter &w, const RawBlock &block)
{
    w.Put((uint32_t)(block.symbolCount < 0 ? (int64_t)block.data.size() : block.symbolCount) &
              0xFFFF,
          16);
    PutSmallCode(w, block.aux, 5, 3);

    int described = 0;
    std::vector<uint8_t> literalLengths = DescribedLengths(block.literal.items, &described);
    if (block.literal.items.empty()) {
        w.Put(0, 9);
        w.Put((uint32_t)block.literal.single, 9);
    } else {
        w.Put((uint32_t)(block.literal.count < 0 ? described : block.literal.count), 9);
        std::vector<uint8_t> auxLengths(19, 0);
        for (size_t k = 0; k < block.aux.lengths.size() && k < 19; ++k)
            auxLengths[k] = (uint8_t)block.aux.lengths[k];
        std::vector<uint32_t> auxCodes = CanonicalCodes(auxLengths);
        for (const LengthItem &item : block.literal.items) {
            if (item.symbol < 19 && auxLengths[item.symbol] != 0)
                w.Put(auxCodes[item.symbol], auxLengths[item.symbol]);
            if (item.symbol == 1)
                w.Put(item.extra, 4);
            else if (item.symbol == 2)
                w.Put(item.extra, 9);
        }
    }

    PutSmallCode(w, block.position, 4, -1);

    if (block.literal.items.empty())
        return; // the single literal takes no bits
    std::vector<uint32_t> codes = CanonicalCodes(literalLengths);
    for (uint8_t byte : block.data)
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

} // namespace badinput
