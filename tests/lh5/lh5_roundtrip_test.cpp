// Round trips through the project's own encoder: data compressed by Lh5Encode
// decodes, in the installer's 8,192-byte chunks, to the same bytes.
#include <gtest/gtest.h>

#include <vector>

#include "lh5_decoder.h"
#include "lh5_encoder.h"
#include "lh5_stream_writer.h"
#include "test_data.h"

namespace {

// kind 0: random bytes; 1: text-like words (repeats at every distance);
// 2: code-like patterns; 3: one repeated byte.
std::vector<uint8_t> Data(int kind, size_t size, uint32_t seed)
{
    return kind == 0   ? RandomBytes(size, seed)
           : kind == 1 ? TextBytes(size, seed)
           : kind == 2 ? CodeLikeBytes(size, seed)
                       : std::vector<uint8_t>(size, 0xA7);
}

void ExpectRoundTrip(const std::vector<uint8_t> &data, int kind)
{
    std::vector<uint8_t> stream = Lh5Encode(data.data(), data.size());
    int errorChunk;
    std::vector<uint8_t> out = DecodeRecord(stream, (uint32_t)data.size(), &errorChunk);
    EXPECT_EQ(errorChunk, -1) << "kind " << kind << ", " << data.size() << " bytes";
    EXPECT_TRUE(out == data) << "kind " << kind << ", " << data.size() << " bytes";
}

TEST(Lh5RoundTrip, SmallAndBoundarySizes)
{
    for (size_t size : {0, 1, 2, 3, 256, 8191, 8192, 8193, 16384, 16385})
        for (int kind = 0; kind < 4; kind++)
            ExpectRoundTrip(Data(kind, size, (uint32_t)size), kind);
}

TEST(Lh5RoundTrip, SeveralMegabytes)
{
    std::vector<uint8_t> mixed;
    for (int part = 0; part < 9; part++) {
        std::vector<uint8_t> piece = Data(part % 4, 400000 + part * 10007, part);
        mixed.insert(mixed.end(), piece.begin(), piece.end());
    }
    ExpectRoundTrip(mixed, -1);
}

// A shortened encoder stream is caught rather than written.
TEST(Lh5RoundTrip, EncodedStreamCutShortFails)
{
    std::vector<uint8_t> data = Data(1, 50000, 5);
    std::vector<uint8_t> stream = Lh5Encode(data.data(), data.size());
    for (size_t cut : {(size_t)1, stream.size() / 2}) {
        std::vector<uint8_t> shorter(stream.begin(), stream.end() - (long)cut);
        int errorChunk;
        DecodeRecord(shorter, (uint32_t)data.size(), &errorChunk);
        EXPECT_NE(errorChunk, -1) << "cut " << cut;
    }
}

}   // namespace
