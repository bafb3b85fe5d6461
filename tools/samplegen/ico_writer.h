// Windows icon files (.ico): each image a 32-bit BGRA bitmap with its
// 1-bit AND mask, as resource compilers expect.
#ifndef TOOLS_SAMPLEGEN_ICO_WRITER_H
#define TOOLS_SAMPLEGEN_ICO_WRITER_H

#include "raster.h"

#include <cstdint>
#include <vector>

// images: square, at most 256 pixels wide each.
std::vector<uint8_t> EncodeIco(const std::vector<Raster> &images);

#endif
