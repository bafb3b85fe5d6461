// Malformed lh5 streams for the extraction campaign: blocks written field by
// field, so that one field at a time can be made to lie. Records with any
// header values come from the support's payload_archive.h.
#ifndef TESTS_BADINPUT_BAD_PAYLOADS_H
#define TESTS_BADINPUT_BAD_PAYLOADS_H

#include <cstdint>
#include <string>
#include <vector>

#include "lh5_stream_writer.h"
#include "payload_archive.h"

namespace badinput {

// An lh5 block as written. A small code (aux or position) is its count field
// and lengths, or the single-symbol form when lengths is empty. Lengths of 7
// and more use the escape; the zero run after the third aux length is always
// written as 0. The literal lengths are written as aux symbols with their
// extra bits: 0 one zero, 1 (extra 4 bits) 3..18 zeros, 2 (extra 9 bits)
// 20..531 zeros, x >= 3 the length x - 2.
struct SmallCode {
    int count = -1;            // -1: lengths.size()
    std::vector<int> lengths;
    int single = 0;
};
struct LengthItem {
    int symbol;
    uint32_t extra = 0;
};
struct LiteralCode {
    int count = -1;            // -1: the number of lengths the items describe
    std::vector<LengthItem> items;
    int single = 0;            // used when items is empty
};
struct RawBlock {
    int64_t symbolCount = -1;  // -1: data.size() (every byte one literal)
    SmallCode aux;
    LiteralCode literal;
    SmallCode position;
    Bytes data;                // literals, coded with the block's literal code
};

void PutRawBlock(BitWriter &w, const RawBlock &block);
Bytes BlockStream(const std::vector<RawBlock> &blocks);

// A sound block of literals: aux code {10: 1 bit, 11: 1 bit}, every byte an
// 8-bit literal (256 lengths of 8), position code the single symbol 0.
RawBlock LiteralBlock(const Bytes &data);
// Items for count literal lengths of the same length.
std::vector<LengthItem> SameLengths(int count, int length);

// A stream with one defect in its code lengths, or its sound twin (the same
// stream without the defect), with the bytes the twin decodes to.
struct StreamCase {
    std::string label;
    Bytes stream;
    int64_t unpackedSize;
    bool sound;
    Bytes expected;
};
// Counts above the symbol counts, zero runs past the literal lengths, lengths
// above 16, single-symbol values outside their code, block count 0, codes
// that are incomplete, over-full or empty, and a defect in a later block.
std::vector<StreamCase> CodeLengthCases();

} // namespace badinput

#endif
