// Random sound streams (random blocks, codes from flat to 16 bits deep,
// single-symbol forms, zero runs, escapes, matches up to 8,192 back) decode
// to exactly the bytes they were made from, in the installer's chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_stream_writer.h"

namespace {

TEST(Lh5RandomStreams, DecodeToTheBytesTheyWereMadeFrom)
{
    std::mt19937 rng(2024);
    const size_t sizes[] = {1, 2, 3, 8191, 8192, 8193, 16385, 70000};
    for (int round = 0; round < 120; round++) {
        size_t size = round < 8 ? sizes[round] : std::uniform_int_distribution<size_t>(1, 40000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        int errorChunk;
        std::vector<uint8_t> out = DecodeRecord(s.stream, (uint32_t)size, &errorChunk);
        ASSERT_EQ(errorChunk, -1) << "round " << round;
        ASSERT_EQ(out, s.expected) << "round " << round;
        ASSERT_GT(Lh5Decoder.bitsConsumed + 8, 8 * s.stream.size());   // all bits read
    }
}

// Between calls the bit state is that of a reader that fetches a byte
// whenever its 16-bit look-ahead needs bits: after p consumed bits it has
// fetched ceil((p + 16) / 8) bytes, zero bytes past the input included.
void ExpectByteReaderState(const std::vector<uint8_t> &in)
{
    uint64_t p = Lh5Decoder.bitsConsumed, fetched = (p + 16 + 7) / 8;
    ASSERT_EQ(Lh5Decoder.bitBuffer, BitsAt(in, p, 16));
    ASSERT_EQ(Lh5Decoder.pendingBits, (int32_t)(fetched * 8 - p - 16));
    ASSERT_EQ(Lh5Decoder.inputIndex, std::min<uint64_t>(fetched, in.size()));
    ASSERT_EQ(Lh5Decoder.pendingByte, fetched <= in.size() ? in[fetched - 1] : 0u);
}

TEST(Lh5RandomStreams, ChunksLeaveTheBitStateOfTheByteReader)
{
    std::mt19937 rng(404);
    for (int round = 0; round < 20; round++) {
        size_t size = std::uniform_int_distribution<size_t>(8193, 50000)(rng);
        Lh5TestStream s = RandomStream(rng, size);
        if (round % 2)   // cut short: the tail decodes from zero bytes
            s.stream.resize(s.stream.size() * 3 / 4);
        const std::vector<uint8_t> &in = s.stream;
        StartRecord(in);
        for (size_t left = size; left > 0;) {
            uint32_t c = left > 8192 ? 8192 : (uint32_t)left;
            Lh5DecodeChunk(c, Lh5Decoder.window);
            left -= c;
            SCOPED_TRACE(round);
            ExpectByteReaderState(in);
            if (HasFatalFailure())
                return;
        }
        EXPECT_EQ(Lh5Decoder.error, round % 2);
    }
}

// A last chunk that takes fewer bits than the pending byte still holds moves
// no input: literals of one and two bits ('a' 1, 'b' and 'c' 2) put the end
// of the first chunk at every bit phase, and last chunks of 1 to 4 one-bit
// literals follow.
TEST(Lh5RandomStreams, ShortLastChunksLeaveTheBitStateOfTheByteReader)
{
    for (int twoBit = 0; twoBit < 8; twoBit++) {
        for (uint32_t last = 1; last <= 4; last++) {
            Lh5Block block;
            for (int i = 0; i < 8192; i++)
                block.tokens.push_back({i < twoBit ? 'b' : 'a', 0});
            for (uint32_t i = 0; i < last; i++)
                block.tokens.push_back({'a', 0});
            block.tokens.push_back({'c', 0});
            AutoCodes(block);
            BitWriter w;
            PutBlock(w, block);
            std::vector<uint8_t> want;
            ApplyTokens(block.tokens, want);

            StartRecord(w.bytes);
            SCOPED_TRACE(testing::Message() << twoBit << " two-bit literals, last chunk " << last);
            Lh5DecodeChunk(8192, Lh5Decoder.window);
            ASSERT_EQ(0, std::memcmp(Lh5Decoder.window, want.data(), 8192));
            ExpectByteReaderState(w.bytes);
            Lh5DecodeChunk(last, Lh5Decoder.window);
            ASSERT_EQ(0, std::memcmp(Lh5Decoder.window, want.data() + 8192, last));
            ExpectByteReaderState(w.bytes);
            ASSERT_EQ(Lh5Decoder.error, 0);
        }
    }
}

// The chunk algorithm step by step through the symbol functions, one byte
// per match step: what Lh5DecodeChunk must match on any input, damaged or
// not. It knows nothing of the record's end: it runs on the input followed by
// enough zero bytes (what the stream reads as past its end) never to pass it.
void ReferenceChunk(uint32_t count)
{
    Lh5DecoderState *d = &Lh5Decoder;
    uint32_t r = 0;
    for (;;) {
        while (d->copyRemaining > 0) {
            d->window[r++] = d->window[d->copyPosition];
            d->copyPosition = (d->copyPosition + 1) & 0x1FFF;
            d->copyRemaining--;
            if (r == count)
                goto done;
        }
        uint32_t s = Lh5DecodeSymbol();
        if (s <= 255) {
            d->window[r++] = (uint8_t)s;
            if (r == count)
                goto done;
            continue;
        }
        d->copyRemaining = (int32_t)s - 253;
        uint32_t distance = Lh5DecodePosition();
        d->copyPosition = (r - distance - 1) & 0x1FFF;
    }
done:;
}

void ExpectSameState(const Lh5DecoderState &a, const Lh5DecoderState &b)
{
    EXPECT_EQ(a.bitBuffer, b.bitBuffer);
    EXPECT_EQ(a.pendingByte, b.pendingByte);
    EXPECT_EQ(a.pendingBits, b.pendingBits);
    EXPECT_EQ(a.inputIndex, b.inputIndex);
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.blockRemaining, b.blockRemaining);
    EXPECT_EQ(a.copyRemaining, b.copyRemaining);
    EXPECT_EQ(a.copyPosition, b.copyPosition);
    EXPECT_EQ(a.bitsConsumed, b.bitsConsumed);
    EXPECT_EQ(0, std::memcmp(a.literalLengths, b.literalLengths, sizeof a.literalLengths));
    EXPECT_EQ(0, std::memcmp(a.auxLengths, b.auxLengths, sizeof a.auxLengths));
    EXPECT_EQ(0, std::memcmp(a.literalTable, b.literalTable, sizeof a.literalTable));
    EXPECT_EQ(0, std::memcmp(a.auxTable, b.auxTable, sizeof a.auxTable));
    EXPECT_EQ(0, std::memcmp(a.left, b.left, sizeof a.left));
    EXPECT_EQ(0, std::memcmp(a.right, b.right, sizeof a.right));
    EXPECT_EQ(0, std::memcmp(a.window, b.window, sizeof a.window));
}

// Sound streams with bits flipped, cut short or followed by junk, and plain
// noise: chunk by chunk, Lh5DecodeChunk leaves the whole decoder record (bit
// state, block and match state, tables, trees, window) exactly as the
// step-by-step chunk does on the zero-padded input, from the same starting
// record. Its error flag is the reference's (damaged codes) or, counted
// here from the bytes the padded reader fetched, the chunk having consumed
// more bits than the record holds.
TEST(Lh5RandomStreams, DamagedStreamsDecodeAsTheStepByStepChunk)
{
    std::mt19937 rng(77);
    static Lh5DecoderState start, fast;
    for (int round = 0; round < 160; round++) {
        size_t size = std::uniform_int_distribution<size_t>(1, 30000)(rng);
        std::vector<uint8_t> in;
        int kind = round % 4;
        if (kind == 3) {
            in.resize(std::uniform_int_distribution<size_t>(0, 4000)(rng));
            for (uint8_t &b : in)
                b = (uint8_t)rng();
        } else {
            in = RandomStream(rng, size).stream;
            if (kind == 0 && !in.empty()) {
                int flips = std::uniform_int_distribution<int>(1, 4)(rng);
                for (int i = 0; i < flips; i++)
                    in[std::uniform_int_distribution<size_t>(0, in.size() - 1)(rng)] ^=
                        (uint8_t)(1u << (rng() % 8));
            } else if (kind == 1) {
                in.resize(std::uniform_int_distribution<size_t>(0, in.size())(rng));
            } else {
                for (int i = 0; i < 64; i++)
                    in.push_back((uint8_t)rng());
            }
        }
        // Zero bytes enough for these rounds; the assertion below says when
        // a chunk would have read past them.
        std::vector<uint8_t> padded = in;
        padded.resize(in.size() + 4 * 8 * 8192 * (size + 8191) / 8192, 0);
        StartRecord(in);
        SCOPED_TRACE(testing::Message() << "round " << round);
        for (size_t left = size; left > 0;) {
            uint32_t c = left > 8192 ? 8192 : (uint32_t)left;
            left -= c;
            start = Lh5Decoder;
            Lh5DecodeChunk(c, Lh5Decoder.window);
            fast = Lh5Decoder;
            Lh5Decoder = start;
            Lh5Decoder.input = padded.data();
            Lh5Decoder.inputLimit = (uint32_t)padded.size();
            ReferenceChunk(c);
            ASSERT_LT(Lh5Decoder.inputIndex, padded.size()) << "padding too short";
            // The bits consumed, from the bytes fetched: the reader holds 16
            // bits of look-ahead and pendingBits unused bits of its last byte.
            const uint64_t consumed = 8ull * Lh5Decoder.inputIndex - 16 - Lh5Decoder.pendingBits;
            EXPECT_EQ(fast.error, Lh5Decoder.error || consumed > 8ull * in.size());
            EXPECT_EQ(fast.inputIndex, std::min<uint64_t>(Lh5Decoder.inputIndex, in.size()));
            Lh5Decoder.error = fast.error;
            Lh5Decoder.inputIndex = fast.inputIndex;
            Lh5Decoder.input = fast.input;
            Lh5Decoder.inputLimit = fast.inputLimit;
            ExpectSameState(fast, Lh5Decoder);
            if (HasFailure())
                return;
        }
    }
}

}   // namespace
