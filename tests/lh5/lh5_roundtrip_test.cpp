// Round trips through the project's own encoder: varied data compressed by
// Lh5Encode decodes, in the installer's 8,192-byte chunks, to the same bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_encoder.h"
#include "lh5_stream_writer.h"

namespace {

std::vector<uint8_t> Random(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (uint8_t &b : out)
        b = (uint8_t)rng();
    return out;
}

// Words from a small vocabulary: long repeats at every distance.
std::vector<uint8_t> Text(size_t size, uint32_t seed)
{
    static const char *words[] = {"setup", "install", "the", "directory", "file", "varnik",
                                  "template", "of", "and", "program", "window", "archive",
                                  "\r\n", "shortcut", "menu", "a", "is", "to", "uninstall"};
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < size) {
        text += words[rng() % (sizeof words / sizeof *words)];
        text += rng() % 7 ? ' ' : '.';
    }
    return std::vector<uint8_t>(text.begin(), text.begin() + (long)size);
}

// A 24-bit bitmap-like picture: rows of smooth gradients with some noise.
std::vector<uint8_t> Picture(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; i++) {
        size_t x = (i / 3) % 640, y = i / 1920;
        out[i] = (uint8_t)((i % 3 == 0 ? x : i % 3 == 1 ? y * 2 : x + y) + (rng() % 9 == 0));
    }
    return out;
}

void ExpectRoundTrip(const std::vector<uint8_t> &data, const char *what)
{
    std::vector<uint8_t> stream = Lh5Encode(data.data(), data.size());
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(stream, (uint32_t)data.size(), &errorChunk);
    EXPECT_EQ(errorChunk, -1) << what << ", " << data.size() << " bytes";
    EXPECT_TRUE(out == data) << what << ", " << data.size() << " bytes";
}

TEST(Lh5RoundTrip, SmallAndBoundarySizes)
{
    for (size_t size : {0, 1, 2, 3, 255, 256, 257, 8191, 8192, 8193, 16384, 16385}) {
        ExpectRoundTrip(Random(size, (uint32_t)size), "random");
        ExpectRoundTrip(Text(size, 1), "text");
        ExpectRoundTrip(std::vector<uint8_t>(size, 0), "zeros");
        ExpectRoundTrip(std::vector<uint8_t>(size, 0xA7), "run");
    }
}

TEST(Lh5RoundTrip, LargeMixedData)
{
    std::vector<uint8_t> data;
    for (int part = 0; part < 6; part++) {
        std::vector<uint8_t> piece = part % 3 == 0   ? Text(700000, part)
                                     : part % 3 == 1 ? Picture(900000, part)
                                                     : Random(300000, part);
        data.insert(data.end(), piece.begin(), piece.end());
        data.insert(data.end(), 70000, (uint8_t)part);
    }
    ExpectRoundTrip(data, "mixed");
    ExpectRoundTrip(Picture(3 << 20, 77), "picture");
}

// A shortened stream from the encoder is caught rather than written.
TEST(Lh5RoundTrip, EncodedStreamCutShortFails)
{
    std::vector<uint8_t> data = Text(50000, 5);
    std::vector<uint8_t> stream = Lh5Encode(data.data(), data.size());
    for (size_t cut : {(size_t)1, stream.size() / 2}) {
        std::vector<uint8_t> shorter(stream.begin(), stream.end() - (long)cut);
        int errorChunk;
        DecodeRecord(shorter, (uint32_t)data.size(), &errorChunk);
        EXPECT_NE(errorChunk, -1) << "cut " << cut;
    }
}

} // namespace
