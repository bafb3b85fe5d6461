#include "raster.h"

#include <algorithm>

namespace {

uint8_t Clamp(int value)
{
    return static_cast<uint8_t>(std::min(255, std::max(0, value)));
}

// A small integer hash of a pixel position: the grain of gradients.
int Grain(int x, int y, int amplitude)
{
    if (amplitude <= 0)
        return 0;
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h % static_cast<uint32_t>(2 * amplitude + 1)) - amplitude;
}

}   // namespace

void BlendPixel(Raster &image, int x, int y, Rgba color, int coverage)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height || coverage <= 0)
        return;
    Rgba &p = image.At(x, y);
    // Source alpha scaled by coverage, composited over the pixel.
    int sa = color.a * coverage / 16;
    int da = p.a;
    int outA = sa + da * (255 - sa) / 255;
    if (outA == 0) {
        p = Rgba{0, 0, 0, 0};
        return;
    }
    auto channel = [&](int s, int d) { return (s * sa + d * da * (255 - sa) / 255) / outA; };
    p.r = Clamp(channel(color.r, p.r));
    p.g = Clamp(channel(color.g, p.g));
    p.b = Clamp(channel(color.b, p.b));
    p.a = Clamp(outA);
}

void FillShape(Raster &image, Rgba color, const InsideTest &inside)
{
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            int coverage = 0;
            for (int sy = 0; sy < 4; sy++)
                for (int sx = 0; sx < 4; sx++)
                    if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0))
                        coverage++;
            BlendPixel(image, x, y, color, coverage);
        }
}

void FillVerticalGradient(Raster &image, Rgba top, Rgba bottom, int grain)
{
    for (int y = 0; y < image.height; y++) {
        int t = image.height > 1 ? y * 100 / (image.height - 1) : 0;
        Rgba row = Mix(top, bottom, t);
        for (int x = 0; x < image.width; x++) {
            int g = Grain(x, y, grain);
            image.At(x, y) = Rgba{Clamp(row.r + g), Clamp(row.g + g), Clamp(row.b + g), row.a};
        }
    }
}

void FillHorizontalGradient(Raster &image, Rgba left, Rgba right, int grain)
{
    for (int x = 0; x < image.width; x++) {
        int t = image.width > 1 ? x * 100 / (image.width - 1) : 0;
        Rgba column = Mix(left, right, t);
        for (int y = 0; y < image.height; y++) {
            int g = Grain(x, y, grain);
            image.At(x, y) = Rgba{Clamp(column.r + g), Clamp(column.g + g), Clamp(column.b + g), column.a};
        }
    }
}

InsideTest RoundRect(double x0, double y0, double x1, double y1, double radius)
{
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1)
            return false;
        double cx = std::min(std::max(x, x0 + radius), x1 - radius);
        double cy = std::min(std::max(y, y0 + radius), y1 - radius);
        double dx = x - cx, dy = y - cy;
        return dx * dx + dy * dy <= radius * radius;
    };
}

InsideTest Circle(double cx, double cy, double radius)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

InsideTest Ring(double cx, double cy, double outer, double inner)
{
    return [=](double x, double y) {
        double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d <= outer * outer && d >= inner * inner;
    };
}

InsideTest Triangle(double ax, double ay, double bx, double by, double cx, double cy)
{
    return [=](double x, double y) {
        double d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
        double d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
        double d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
        bool negative = d1 < 0 || d2 < 0 || d3 < 0;
        bool positive = d1 > 0 || d2 > 0 || d3 > 0;
        return !(negative && positive);
    };
}

InsideTest ThickLine(double ax, double ay, double bx, double by, double halfWidth)
{
    return [=](double x, double y) {
        double vx = bx - ax, vy = by - ay;
        double length2 = vx * vx + vy * vy;
        double t = length2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / length2 : 0;
        t = std::min(1.0, std::max(0.0, t));
        double dx = x - (ax + t * vx), dy = y - (ay + t * vy);
        return dx * dx + dy * dy <= halfWidth * halfWidth;
    };
}

Rgba Shade(Rgba color, int percent)
{
    return Rgba{Clamp(color.r * percent / 100), Clamp(color.g * percent / 100),
                Clamp(color.b * percent / 100), color.a};
}

Rgba Mix(Rgba a, Rgba b, int percentOfB)
{
    auto mix = [&](int x, int y) { return Clamp(x + (y - x) * percentOfB / 100); };
    return Rgba{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
}
