#include "bmp_writer.h"

#include "le_bytes.h"

std::vector<uint8_t> EncodeBmp(const Raster &image, Rgba matte)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    const uint32_t dataOffset = 14 + 40;
    std::vector<uint8_t> out;
    out.reserve(dataOffset + pixelBytes);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    Put32(out, dataOffset + pixelBytes);
    Put32(out, 0);
    Put32(out, dataOffset);
    // BITMAPINFOHEADER
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(image.width));
    Put32(out, static_cast<uint32_t>(image.height));   // positive: bottom-up
    Put16(out, 1);                                     // planes
    Put16(out, 24);                                    // bits per pixel
    Put32(out, 0);                                     // BI_RGB
    Put32(out, pixelBytes);
    Put32(out, 2835);   // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height - 1; y >= 0; y--) {
        for (int x = 0; x < image.width; x++) {
            Rgba p = image.At(x, y);
            int a = p.a;
            out.push_back(static_cast<uint8_t>((p.b * a + matte.b * (255 - a)) / 255));
            out.push_back(static_cast<uint8_t>((p.g * a + matte.g * (255 - a)) / 255));
            out.push_back(static_cast<uint8_t>((p.r * a + matte.r * (255 - a)) / 255));
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; pad++)
            out.push_back(0);
    }
    return out;
}
