// An RGBA image in memory and the few drawing operations the sample images
// need. Shapes are given as inside tests and drawn with 4 x 4 supersampling,
// so their edges are smooth. Integer and basic floating-point arithmetic
// only: the same input draws the same pixels on every run.
#ifndef TOOLS_SAMPLEGEN_RASTER_H
#define TOOLS_SAMPLEGEN_RASTER_H

#include <cstdint>
#include <functional>
#include <vector>

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct Raster {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;   // row by row from the top

    Raster(int w, int h, Rgba fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Rgba &At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba &At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

using InsideTest = std::function<bool(double x, double y)>;

// Blends color over every pixel in proportion to how much of it lies inside.
void FillShape(Raster &image, Rgba color, const InsideTest &inside);

// Blends color over a pixel with the given coverage (0..16 sixteenths).
void BlendPixel(Raster &image, int x, int y, Rgba color, int coverage);

// Vertical gradient from top to bottom color over the whole image, with a
// faint deterministic grain of the given amplitude (0 for none).
void FillVerticalGradient(Raster &image, Rgba top, Rgba bottom, int grain);
void FillHorizontalGradient(Raster &image, Rgba left, Rgba right, int grain);

// Inside tests for the usual shapes.
InsideTest RoundRect(double x0, double y0, double x1, double y1, double radius);
InsideTest Circle(double cx, double cy, double radius);
InsideTest Triangle(double ax, double ay, double bx, double by, double cx, double cy);
InsideTest ThickLine(double ax, double ay, double bx, double by, double halfWidth);
InsideTest Ring(double cx, double cy, double outer, double inner);

// The color with each channel scaled by percent (clamped to 0..255).
Rgba Shade(Rgba color, int percent);
Rgba Mix(Rgba a, Rgba b, int percentOfB);

#endif
