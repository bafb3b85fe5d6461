#include "png_writer.h"

#include <cstring>

namespace {

struct CrcTable {
    uint32_t entries[256];
    CrcTable()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

void PutBigEndian(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t> &out, const char type[4], const std::vector<uint8_t> &data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(out.data() + typeStart, out.size() - typeStart));
}

// A zlib stream of stored deflate blocks (at most 65,535 bytes each).
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> out{0x78, 0x01};   // deflate, 32 KiB window, check bits
    size_t position = 0;
    do {
        size_t length = data.size() - position;
        if (length > 65535)
            length = 65535;
        bool last = position + length == data.size();
        out.push_back(last ? 1 : 0);   // BFINAL, BTYPE 00 (stored)
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), data.begin() + static_cast<long>(position),
                   data.begin() + static_cast<long>(position + length));
        position += length;
    } while (position < data.size());
    PutBigEndian(out, Adler32(data.data(), data.size()));
    return out;
}

}   // namespace

uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc)
{
    static const CrcTable table;
    crc = ~crc;
    for (size_t i = 0; i < size; i++)
        crc = table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const uint8_t *data, size_t size)
{
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < size; i++) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

std::vector<uint8_t> EncodePng(const Raster &image)
{
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(image.width));
    PutBigEndian(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});   // 8 bits, RGBA, deflate, no filter set, no interlace
    PutChunk(out, "IHDR", header);

    // Each row: filter type 1 (Sub) then the pixels, which keeps flat areas
    // and gradients regular for the archive's compressor.
    std::vector<uint8_t> rows;
    rows.reserve(static_cast<size_t>(image.height) * (1 + 4 * static_cast<size_t>(image.width)));
    for (int y = 0; y < image.height; y++) {
        rows.push_back(1);
        uint8_t previous[4] = {0, 0, 0, 0};
        for (int x = 0; x < image.width; x++) {
            const Rgba &p = image.At(x, y);
            uint8_t bytes[4] = {p.r, p.g, p.b, p.a};
            for (int c = 0; c < 4; c++) {
                rows.push_back(static_cast<uint8_t>(bytes[c] - previous[c]));
                previous[c] = bytes[c];
            }
        }
    }
    PutChunk(out, "IDAT", StoredZlib(rows));
    PutChunk(out, "IEND", {});
    return out;
}
