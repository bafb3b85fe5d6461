// PNG files (8-bit RGBA, no interlace) written without a compression
// library: the image data goes into stored deflate blocks of a zlib stream.
#ifndef TOOLS_SAMPLEGEN_PNG_WRITER_H
#define TOOLS_SAMPLEGEN_PNG_WRITER_H

#include "raster.h"

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> EncodePng(const Raster &image);

// CRC-32 (the one PNG and zip use) and Adler-32 (zlib's).
uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t *data, size_t size);

#endif
