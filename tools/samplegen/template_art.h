// Drawing the sample template images: button faces, icons, page backgrounds
// and strips, each in the look of its style (flat, transparent, melted,
// rounded, shaded, 3D, wide).
#ifndef TOOLS_SAMPLEGEN_TEMPLATE_ART_H
#define TOOLS_SAMPLEGEN_TEMPLATE_ART_H

#include "raster.h"
#include "sample_layout.h"

Raster DrawTemplateImage(const SampleImage &image);

// The colour a BMP of this style shows where its picture is transparent.
Rgba StyleMatte(int style);

#endif
