// lh5 streams with one defect in a block header, each next to its sound twin.
// Where it can be arranged, the defective stream is one that a decoder
// without the matching guard would decode without complaint: the extra
// lengths, the run or the out-of-range length sits on top of a complete code.
#include "code_length_cases.h"

namespace cases {

namespace {

Bytes Concat(const std::vector<RawBlock> &blocks)
{
    Bytes all;
    for (const RawBlock &b : blocks)
        all.insert(all.end(), b.data.begin(), b.data.end());
    return all;
}

struct CaseList {
    std::vector<StreamCase> cases;

    void Sound(const std::string &label, const std::vector<RawBlock> &blocks)
    {
        Bytes expected = Concat(blocks);
        cases.push_back({label, BlockStream(blocks), (int64_t)expected.size(), true, expected});
    }
    void Damaged(const std::string &label, const std::vector<RawBlock> &blocks, int64_t unpackedSize = -1)
    {
        int64_t size = unpackedSize < 0 ? (int64_t)Concat(blocks).size() : unpackedSize;
        cases.push_back({label, BlockStream(blocks), size, false, {}});
    }
};

// 13 lengths of 4 and 6 of 5: complete over all 19 aux symbols.
std::vector<int> FullAuxLengths()
{
    std::vector<int> lengths(19, 4);
    for (int s = 13; s < 19; ++s)
        lengths[s] = 5;
    return lengths;
}

// 2 lengths of 3 and 12 of 4: complete over all 14 position symbols.
std::vector<int> FullPositionLengths()
{
    std::vector<int> lengths(14, 4);
    lengths[0] = lengths[1] = 3;
    return lengths;
}

}   // namespace

std::vector<StreamCase> CodeLengthCases()
{
    CaseList list;
    const Bytes text = TextBytes(700, 11);

    // Count fields above the symbol counts: 20 and 31 aux lengths, 15
    // position lengths, 511 literal lengths.
    RawBlock fullAux = LiteralBlock(text);
    fullAux.aux.lengths = FullAuxLengths();
    list.Sound("aux code over all 19 symbols", {fullAux});
    for (int count : {20, 31}) {
        RawBlock b = fullAux;
        b.aux.lengths.resize((size_t)count, 4);
        list.Damaged("aux count " + std::to_string(count), {b});
    }
    RawBlock fullPosition = LiteralBlock(text);
    fullPosition.position.lengths = FullPositionLengths();
    list.Sound("position code over all 14 symbols", {fullPosition});
    RawBlock positionCount15 = fullPosition;
    positionCount15.position.lengths.push_back(4);
    list.Damaged("position count 15", {positionCount15});

    // 2 literal lengths of 8 and 508 of 9 make a complete code of 510.
    RawBlock fullLiteral = LiteralBlock(text);
    fullLiteral.literal.items = SameLengths(2, 8);
    for (const LengthItem &item : SameLengths(508, 9))
        fullLiteral.literal.items.push_back(item);
    list.Sound("literal code over all 510 symbols", {fullLiteral});
    RawBlock literalCount511 = fullLiteral;
    literalCount511.literal.items.push_back({11});
    list.Damaged("literal count 511", {literalCount511});

    // Zero runs: 256 lengths of 8, then runs that end exactly at 510 or
    // reach past it; the count field says 510 throughout.
    auto withRuns = [&](std::vector<int> auxLengths, std::vector<LengthItem> runs) {
        RawBlock b = LiteralBlock(text);
        b.aux.lengths = auxLengths;
        for (const LengthItem &run : runs)
            b.literal.items.push_back(run);
        b.literal.count = 510;
        return b;
    };
    const std::vector<int> auxRun20 = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};   // {2, 10}
    const std::vector<int> auxRuns = {0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 1};    // {1, 2, 10}
    list.Sound("zero run to 510", {withRuns(auxRun20, {{2, 234}})});
    list.Damaged("zero run to 511", {withRuns(auxRun20, {{2, 235}})});
    list.Damaged("zero run of 531 to 787", {withRuns(auxRun20, {{2, 511}})});
    list.Sound("short zero run to 510", {withRuns(auxRuns, {{2, 231}, {1, 0}})});
    list.Damaged("short zero run to 525", {withRuns(auxRuns, {{2, 231}, {1, 15}})});

    // Lengths of 17 to 20 through the escape, on a symbol the complete code
    // {1, 1} does not need.
    for (int length : {17, 18, 19, 20}) {
        RawBlock aux = LiteralBlock(text);
        aux.aux.lengths[0] = length;
        list.Damaged("aux length " + std::to_string(length), {aux});
        RawBlock position = LiteralBlock(text);
        position.position.lengths = {length, 1, 1};
        list.Damaged("position length " + std::to_string(length), {position});
    }
    RawBlock positionPair = LiteralBlock(text);
    positionPair.position.lengths = {0, 1, 1};
    list.Sound("position code {1, 1}", {positionPair});

    // Single-symbol forms: in range, and at or past the symbol count.
    RawBlock auxSingle = LiteralBlock(text);
    auxSingle.aux.lengths.clear();
    auxSingle.aux.single = 10;   // every literal length 8, from zero bits
    list.Sound("aux single 10", {auxSingle});
    for (int value : {19, 31}) {
        RawBlock b = auxSingle;
        b.aux.single = value;
        list.Damaged("aux single " + std::to_string(value), {b});
    }
    RawBlock positionSingle = LiteralBlock(text);
    positionSingle.position.single = 13;
    list.Sound("position single 13", {positionSingle});
    for (int value : {14, 15}) {
        RawBlock b = positionSingle;
        b.position.single = value;
        list.Damaged("position single " + std::to_string(value), {b});
    }
    RawBlock literalSingle;
    literalSingle.data = Bytes(5000, 'Q');
    literalSingle.literal.single = 'Q';
    list.Sound("literal single 'Q'", {literalSingle});
    for (int value : {510, 511}) {
        RawBlock b = literalSingle;
        b.literal.single = value;
        list.Damaged("literal single " + std::to_string(value), {b});
    }

    // Block count 0 lasts 2^32 symbols: sound as long as the symbols are
    // there; past them the stream is read from zero fill.
    RawBlock endlessSingle = literalSingle;
    endlessSingle.symbolCount = 0;
    endlessSingle.data = Bytes(20000, 'Q');
    list.Sound("block count 0, single literal", {endlessSingle});
    RawBlock endless = LiteralBlock(text);
    endless.symbolCount = 0;
    list.Sound("block count 0", {endless});
    list.Damaged("block count 0, symbols run out", {endless}, (int64_t)text.size() + 2000);

    // Codes that are not complete.
    auto withAux = [&](std::vector<int> lengths) {
        RawBlock b = LiteralBlock(text);
        b.aux.lengths = lengths;
        return b;
    };
    list.Damaged("aux code incomplete", {withAux({1})});
    list.Damaged("aux code over-full", {withAux({1, 1, 1})});
    list.Damaged("aux code empty", {withAux({0, 0, 0})});
    RawBlock literalIncomplete = LiteralBlock(text);
    literalIncomplete.literal.items = SameLengths(255, 8);
    list.Damaged("literal code incomplete", {literalIncomplete});
    RawBlock literalOverfull = LiteralBlock(text);
    literalOverfull.literal.items = SameLengths(257, 8);
    list.Damaged("literal code over-full", {literalOverfull});
    for (std::vector<int> lengths : {std::vector<int>{1, 2}, std::vector<int>{1, 1, 1}}) {
        RawBlock b = LiteralBlock(text);
        b.position.lengths = lengths;
        list.Damaged("position code " + std::string(lengths.size() == 2 ? "incomplete" : "over-full"), {b});
    }

    // A defect in the second block, after a whole chunk has been written.
    RawBlock first = LiteralBlock(TextBytes(9000, 5));
    list.Sound("two blocks", {first, LiteralBlock(text)});
    list.Damaged("second block's aux code incomplete", {first, withAux({1})});

    return list.cases;
}

}   // namespace cases
