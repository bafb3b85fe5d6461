// Hand-building lh5 streams for the decoder tests: a most-significant-bit-
// first bit writer, a block writer that codes the three sets of code lengths
// the way the decoder reads them, and a generator of random sound streams
// together with the bytes they decode to.
#ifndef TESTS_LH5_LH5_STREAM_WRITER_H
#define TESTS_LH5_LH5_STREAM_WRITER_H

#include <cstdint>
#include <random>
#include <vector>

struct BitWriter {
    std::vector<uint8_t> bytes;
    uint64_t bitCount = 0;

    // Appends the low n bits of value, most significant first.
    void Put(uint32_t value, int n);
    // Appends count copies of one bit.
    void PutRepeated(int bit, int count);
};

// Canonical codes: shorter codes first, within one length by symbol order.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t> &lengths);

// A complete code over the given symbols (at least two) with lengths as
// equal as possible.
std::vector<uint8_t> BalancedLengths(int symbolCount, const std::vector<int> &symbols);

// A random complete code over the given symbols (at least two), lengths at
// most maxLength; deep near 1 favours long codes.
std::vector<uint8_t> RandomCompleteLengths(std::mt19937 &rng, int symbolCount,
                                           const std::vector<int> &symbols, int maxLength,
                                           double deep);

// The aux symbols the literal lengths are written with (0..2: zero runs,
// length + 2 otherwise).
std::vector<int> AuxSymbolsUsed(const std::vector<uint8_t> &literalLengths);

struct Lh5Token {
    int symbol;        // 0..255 a byte, 256..509 a match of symbol - 253 bytes
    uint32_t position; // match only: copies from position + 1 bytes back
};

// One block. An empty length vector selects the single-symbol form with the
// matching *Single value. auxLengths may be left empty and auxSingle -1 to
// have a balanced aux code made for the literal lengths.
struct Lh5Block {
    std::vector<uint8_t> auxLengths;
    int auxSingle = -1;
    std::vector<uint8_t> literalLengths;
    int literalSingle = -1;
    std::vector<uint8_t> positionLengths;
    int positionSingle = -1;
    std::vector<Lh5Token> tokens;
    int64_t countOverride = -1; // header symbol count if not tokens.size()
};

// Writes the small-code lengths (aux: 19, 5 bits, zero run after index 3;
// position: 14, 4 bits, none) as the decoder reads them.
void PutSmallLengths(BitWriter &w, const std::vector<uint8_t> &lengths, int countBits,
                     int special);

// Writes a whole block: count, aux lengths, literal lengths, position
// lengths, symbols.
void PutBlock(BitWriter &w, const Lh5Block &block);

// Position value to (symbol, extra bits).
int PositionSymbol(uint32_t position);

// Fills in the codes of a block from its tokens: balanced codes over the
// symbols used (single-symbol form where only one is used).
void AutoCodes(Lh5Block &block);

// Bytes a token sequence decodes to, starting from an empty history.
void ApplyTokens(const std::vector<Lh5Token> &tokens, std::vector<uint8_t> &out);

struct Lh5TestStream {
    std::vector<uint8_t> stream;
    std::vector<uint8_t> expected;
};

// A random sound stream of size bytes: random blocks, tokens and complete
// codes (long codes, single-symbol codes, zero runs and escapes included).
// Matches never reach before the start of the data.
Lh5TestStream RandomStream(std::mt19937 &rng, size_t size);

// Decodes a record the way the installer does: Lh5Start, then chunks of at
// most 8,192 bytes into the decoder's window, testing error after each.
// Returns the bytes produced; *errorChunk is the index of the first chunk
// after which error was set, or -1.
std::vector<uint8_t> DecodeRecord(const std::vector<uint8_t> &stream, uint32_t size,
                                  int *errorChunk);

#endif
