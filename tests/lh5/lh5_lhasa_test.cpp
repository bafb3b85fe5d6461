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

// Streams of data that looks like files: text with repeats, runs, and
// noise, in one hand-built stream each, several blocks long.
TEST(Lh5AgainstLhasa, FileLikeStreamsDecodeAlike)
{
    std::mt19937 rng(8);
    for (int kind = 0; kind < 3; kind++) {
        BitWriter w;
        std::vector<uint8_t> expected;
        for (int b = 0; b < 6; b++) {
            Lh5Block block;
            size_t at = expected.size();
            for (int i = 0; i < 5000; i++) {
                if (kind == 1 && at > 0 && i % 2) {
                    block.tokens.push_back({509, 0}); // a 256-byte run
                    at += 256;
                } else if (kind == 0 && at > 300 && rng() % 3 == 0) {
                    int len = 3 + (int)(rng() % 30);
                    uint32_t pos = (uint32_t)(rng() % std::min<size_t>(at - 1, 8191));
                    block.tokens.push_back({len + 253, pos});
                    at += (size_t)len;
                } else {
                    int c = kind == 2 ? (int)(rng() & 0xFF) : 'a' + (int)(rng() % 26);
                    block.tokens.push_back({c, 0});
                    at++;
                }
            }
            AutoCodes(block);
            PutBlock(w, block);
            ApplyTokens(block.tokens, expected);
        }
        EXPECT_EQ(LhasaDecode(w.bytes, expected.size()), expected) << "kind " << kind;
        int errorChunk;
        EXPECT_EQ(DecodeRecord(w.bytes, (uint32_t)expected.size(), &errorChunk), expected);
        EXPECT_EQ(errorChunk, -1);
    }
}

} // namespace
