// The two decoders the benchmark times on the same streams.
#ifndef BENCH_CODEC_BENCH_DECODERS_H
#define BENCH_CODEC_BENCH_DECODERS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The setup program's decoder, 8,192 bytes per chunk as extraction calls it
// (Lh5DecodeRecord); each chunk lands in out. False when decoding fails.
bool DecodeOurs(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out);

// liblhasa's -lh5- decoder reading the stream from memory.
bool DecodeLhasa(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out);

#endif
