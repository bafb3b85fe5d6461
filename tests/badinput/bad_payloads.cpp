#include "bad_payloads.h"

namespace badinput {

static void PutU32(Bytes &out, uint64_t value)
{
    for (int i = 0; i < 32; i += 8)
        out.push_back((uint8_t)(value >> i));
}

void AppendRecord(Bytes &archive, const RawRecord &r)
{
    PutU32(archive, r.magic);
    PutU32(archive, r.headerSize < 0 ? 20 + r.name.size() + 1 : (uint64_t)r.headerSize);
    PutU32(archive, r.method);
    PutU32(archive, r.packedSize < 0 ? r.data.size() : (uint64_t)r.packedSize);
    PutU32(archive, r.unpackedSize < 0 ? r.data.size() : (uint64_t)r.unpackedSize);
    archive.insert(archive.end(), r.name.begin(), r.name.end());
    archive.push_back(0);
    archive.insert(archive.end(), r.data.begin(), r.data.end());
}

RawRecord StoredRecord(const std::string &name, const std::string &text)
{
    RawRecord r;
    r.name = name;
    r.data = ToBytes(text);
    return r;
}

RawRecord Lh5Record(const std::string &name, const Bytes &stream, int64_t unpackedSize)
{
    RawRecord r;
    r.name = name;
    r.method = 1;
    r.data = stream;
    r.unpackedSize = unpackedSize;
    return r;
}

Bytes SampleText(size_t size, uint32_t seed)
{
    static const char *const words[] = {"setup ",  "archive ", "record ", "window ",
                                        "decoder ", "the ",    "of ",     "VarnikPlus ",
                                        "\r\n",     "template "};
    Bytes text;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        for (const char *p = words[(seed >> 16) % 10]; *p; ++p)
            text.push_back((uint8_t)*p);
        if (((seed >> 8) & 7) == 0)
            text.push_back((uint8_t)(seed >> 20));
    }
    text.resize(size);
    return text;
}

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
