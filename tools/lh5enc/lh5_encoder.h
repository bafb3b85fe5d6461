// lh5 encoder for the vendor tools: turns bytes into a raw lh5 stream (the LHA
// "-lh5-" method, no archive header) that the setup program's decoder reads.
#ifndef TOOLS_LH5ENC_LH5_ENCODER_H
#define TOOLS_LH5ENC_LH5_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <vector>

// How hard the encoder searches. Each level always gives the same bytes for
// the same input.
enum class Lh5Level {
    // Pieces of kLh5FastPieceBytes encoded independently of each other (so
    // they can be encoded at the same time), shorter match searches, one
    // cost-driven pass per block. Some 0.5 % larger than kBest, several
    // times faster.
    kFast,
    // The whole input as one piece, long match searches, up to three
    // cost-driven passes per block.
    kBest,
};

// Input bytes per piece at kFast; the last piece may be shorter.
constexpr size_t kLh5FastPieceBytes = size_t{1} << 20;

// Compresses size bytes into a raw lh5 stream (no LHA header). The stream decodes to exactly
// these bytes with a decoder that starts from an unknown window (it never refers to bytes before
// the start of data). Deterministic: the same input and level give the same bytes.
std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size, Lh5Level level);
// The same at kBest.
std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size);

// The same work in pieces, for callers that spread them over threads: piece k
// of the input is Lh5EncodePiece(data, size, k, level) for k below
// Lh5PieceCount(size, level); each depends on the input only, and the pieces
// joined in order are exactly Lh5Encode's stream.
struct Lh5Piece {
    std::vector<uint8_t> bytes;   // bits from the most significant down, the last byte padded
    uint64_t bitCount = 0;
};
size_t Lh5PieceCount(size_t size, Lh5Level level);
Lh5Piece Lh5EncodePiece(const uint8_t *data, size_t size, size_t piece, Lh5Level level);
std::vector<uint8_t> Lh5JoinPieces(const std::vector<Lh5Piece> &pieces);

#endif
