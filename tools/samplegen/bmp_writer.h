// Windows BMP files: 24-bit, bottom-up rows padded to 4 bytes, no compression.
#ifndef TOOLS_SAMPLEGEN_BMP_WRITER_H
#define TOOLS_SAMPLEGEN_BMP_WRITER_H

#include "raster.h"

#include <cstdint>
#include <vector>

// Transparent pixels are composited over matte first (BMP has no alpha here).
std::vector<uint8_t> EncodeBmp(const Raster &image, Rgba matte);

#endif
