// The decoder against an independent one: liblhasa's "-lh5-" decoder reads
// the same raw streams and must produce the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include <lha_decoder.h>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

struct Feed {
    const std::vector<uint8_t> *stream;
    size_t at;
};

size_t ReadFeed(void *buf, size_t len, void *user)
{
    Feed *f = static_cast<Feed *>(user);
    size_t n = std::min(len, f->stream->size() - f->at);
    std::memcpy(buf, f->stream->data() + f->at, n);
    f->at += n;
    return n;
}

std::vector<uint8_t> LhasaDecode(const std::vector<uint8_t> &stream, size_t size)
{
    static char name[] = "-lh5-";
    Feed feed{&stream, 0};
    LHADecoder *decoder = lha_decoder_new(lha_decoder_for_name(name), ReadFeed, &feed, size);
    std::vector<uint8_t> out(size);
    size_t done = 0;
    while (done < size) {
        size_t n = lha_decoder_read(decoder, out.data() + done, size - done);
        if (n == 0)
            break;
        done += n;
    }
    lha_decoder_free(decoder);
    out.resize(done);
    return out;
}

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

} // namespace
