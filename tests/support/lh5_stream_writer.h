// Hand-built lh5 streams: a bit writer, a block writer that codes the three
// sets of code lengths the way the decoder reads them (field by field, so
// that one field at a time can be made to lie), random sound streams with
// the bytes they decode to, and the installer's chunked decoding.
#ifndef TESTS_SUPPORT_LH5_STREAM_WRITER_H
#define TESTS_SUPPORT_LH5_STREAM_WRITER_H

#include <cstdint>
#include <random>
#include <vector>

#include "test_data.h"

struct BitWriter {
    std::vector<uint8_t> bytes;
    uint64_t bitCount = 0;
    BitWriter &Put(uint32_t value, int n);   // low n bits, most significant first
    // Blocks whose literal code gives every byte an 8-bit code, the byte
    // itself: the code-length code is the single symbol 10 (length 8), 256
    // literal lengths follow from zero bits each, the position code is the
    // single symbol 0. No matches.
    BitWriter &Literals(const std::vector<uint8_t> &data);
    // A block whose code-length code is one length-1 code: not complete.
    BitWriter &Incomplete();
};

// Canonical codes: shorter first, within a length by symbol order.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t> &lengths);
// Complete codes over the given symbols (two or more): as flat as possible,
// or random with lengths up to maxLength (deep near 1 favours long codes).
std::vector<uint8_t> BalancedLengths(int symbolCount, const std::vector<int> &symbols);
std::vector<uint8_t> RandomCompleteLengths(std::mt19937 &rng, int symbolCount,
                                           const std::vector<int> &symbols, int maxLength, double deep);

struct Lh5Token {
    int symbol;          // 0..255 a byte, 256..509 a match of symbol - 253 bytes
    uint32_t position;   // match: copies from position + 1 bytes back
};

// An empty length vector selects the single-symbol form with *Single. Empty
// auxLengths with auxSingle -1: a flat aux code is made.
struct Lh5Block {
    std::vector<uint8_t> auxLengths, literalLengths, positionLengths;
    int auxSingle = -1, literalSingle = -1, positionSingle = -1;
    std::vector<Lh5Token> tokens;
    int64_t countOverride = -1;   // header symbol count if not tokens.size()
};

void PutBlock(BitWriter &w, const Lh5Block &block);

// A block header as written, field by field. A small code (aux or position)
// is its count field and lengths, or the single-symbol form when lengths is
// empty. Lengths of 7 and more use the escape; the zero run after the third
// aux length is written as 0. The literal lengths are written as aux symbols
// with their extra bits: 0 one zero, 1 (extra 4 bits) 3..18 zeros, 2 (extra
// 9 bits) 20..531 zeros, x >= 3 the length x - 2.
struct SmallCode {
    int count = -1;   // -1: lengths.size()
    std::vector<int> lengths;
    int single = 0;
};
struct LengthItem {
    int symbol;
    uint32_t extra = 0;
};
struct LiteralCode {
    int count = -1;   // -1: the number of lengths the items describe
    std::vector<LengthItem> items;
    int single = 0;   // used when items is empty
};
struct RawBlock {
    int64_t symbolCount = -1;   // -1: data.size() (every byte one literal)
    SmallCode aux;
    LiteralCode literal;
    SmallCode position;
    Bytes data;   // literals, coded with the block's literal code
};
void PutRawBlock(BitWriter &w, const RawBlock &block);
Bytes BlockStream(const std::vector<RawBlock> &blocks);
// A sound block of literals: aux code {10: 1 bit, 11: 1 bit}, every byte an
// 8-bit literal (256 lengths of 8), position code the single symbol 0.
RawBlock LiteralBlock(const Bytes &data);
// Items for count literal lengths of the same length.
std::vector<LengthItem> SameLengths(int count, int length);
void AutoCodes(Lh5Block &block);   // flat codes over the symbols the tokens use
int PositionSymbol(uint32_t position);
void ApplyTokens(const std::vector<Lh5Token> &tokens, std::vector<uint8_t> &out);

struct Lh5TestStream {
    std::vector<uint8_t> stream, expected;
};
// Random blocks, tokens and codes (long, single-symbol, zero runs, escapes);
// matches never reach before the start of the data.
Lh5TestStream RandomStream(std::mt19937 &rng, size_t size);

// Starts the decoder on a record's stream, as extraction does before its
// first chunk.
void StartRecord(const std::vector<uint8_t> &stream);
// n bits of the stream from bit at, first bit on top, zero past its end.
uint32_t BitsAt(const std::vector<uint8_t> &stream, uint64_t at, int n);

// Decodes as the installer does (Lh5DecodeRecord): chunks of at most 8,192
// bytes, error tested after each. *errorChunk: first failing chunk or -1.
std::vector<uint8_t> DecodeRecord(const std::vector<uint8_t> &stream, uint32_t size, int *errorChunk);

#endif
