// The decoder against an independent one: liblhasa's "-lh5-" decoder reads
// the same raw streams and must produce the same bytes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <lha_decoder.h>

#include "lh5_stream_writer.h"
#include "lhasa_decode.h"

namespace {

TEST(Lh5AgainstLhasa, RandomStreamsDecodeAlike)
{
    ASSERT_NE(lha_decoder_for_name(const_cast<char *>("-lh5-")), nullptr);
    std::mt19937 rng(31337);
    for (int round = 0; round < 150; round++) {
        size_t size = std::uniform_int_distribution<size_t>(1, 60000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        std::vector<uint8_t> theirs = LhasaDecode(s.stream, size);
        ASSERT_EQ(theirs, s.expected) << "round " << round;
        int errorChunk;
        std::vector<uint8_t> ours = DecodeRecord(s.stream, (uint32_t)size, &errorChunk);
        ASSERT_EQ(errorChunk, -1) << "round " << round;
        ASSERT_EQ(ours, theirs) << "round " << round;
    }
}

}   // namespace
