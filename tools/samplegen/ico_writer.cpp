#include "ico_writer.h"

#include "le_bytes.h"

namespace {

// The icon image: BITMAPINFOHEADER (height doubled for the mask), the
// bottom-up BGRA rows, then the AND mask (1 = transparent), rows padded to 4.
std::vector<uint8_t> IconImage(const Raster &image)
{
    std::vector<uint8_t> out;
    const uint32_t maskRow = ((static_cast<uint32_t>(image.width) + 31) / 32) * 4;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(image.width));
    Put32(out, static_cast<uint32_t>(image.height) * 2);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(image.width * image.height * 4) + maskRow * image.height);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height - 1; y >= 0; y--)
        for (int x = 0; x < image.width; x++) {
            const Rgba &p = image.At(x, y);
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    for (int y = image.height - 1; y >= 0; y--) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int x = 0; x < image.width; x++)
            if (image.At(x, y).a < 128)
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}   // namespace

std::vector<uint8_t> EncodeIco(const std::vector<Raster> &images)
{
    std::vector<uint8_t> out;
    Put16(out, 0);   // reserved
    Put16(out, 1);   // icon
    Put16(out, static_cast<uint32_t>(images.size()));
    std::vector<std::vector<uint8_t>> bodies;
    for (const Raster &image : images)
        bodies.push_back(IconImage(image));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); i++) {
        out.push_back(static_cast<uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
        out.push_back(static_cast<uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
        out.push_back(0);   // no palette
        out.push_back(0);
        Put16(out, 1);    // planes
        Put16(out, 32);   // bits per pixel
        Put32(out, static_cast<uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const std::vector<uint8_t> &body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return out;
}
