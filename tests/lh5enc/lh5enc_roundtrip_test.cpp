// Round trips through both decoders: the setup program's own (driven chunk by
// chunk as entry extraction drives it) and liblhasa's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lh5_decoder.h"
#include "lh5_encoder.h"
#include "lh5_stream_writer.h"
#include "lhasa_decode.h"
#include "test_data.h"

namespace {

// Encodes data at one level and checks that both decoders give it back. The
// project's decoder starts from a window holding leftovers of an earlier
// record, so a stream that reached before its start would decode wrongly.
std::vector<uint8_t> ExpectRoundTripAt(const std::vector<uint8_t> &data, Lh5Level level,
                                       const std::string &what)
{
    SCOPED_TRACE(what + ", " + std::to_string(data.size()) + " bytes, " +
                 (level == Lh5Level::kFast ? "fast" : "best"));
    std::vector<uint8_t> stream = Lh5Encode(data.data(), data.size(), level);
    if (data.size() < (1u << 20)) {
        EXPECT_EQ(stream, Lh5Encode(data.data(), data.size(), level)) << "not deterministic";
    }

    std::vector<uint8_t> lhasa = LhasaDecode(stream, data.size());
    EXPECT_TRUE(lhasa == data) << "liblhasa decodes differently";

    for (uint8_t fill : {0x00, 0x20, 0xA5}) {
        std::memset(Lh5Decoder.window, fill, sizeof Lh5Decoder.window);
        int errorChunk;
        std::vector<uint8_t> ours = DecodeRecord(stream, (uint32_t)data.size(), &errorChunk);
        EXPECT_EQ(errorChunk, -1) << "decoder error";
        EXPECT_TRUE(ours == data) << "our decoder differs, window filled with " << int(fill);
    }
    return stream;
}

// Both levels; returns the best level's stream.
std::vector<uint8_t> ExpectRoundTrip(const std::vector<uint8_t> &data, const std::string &what)
{
    ExpectRoundTripAt(data, Lh5Level::kFast, what);
    return ExpectRoundTripAt(data, Lh5Level::kBest, what);
}

// FNV-1a: a short fingerprint of a whole stream.
uint64_t Fingerprint(const std::vector<uint8_t> &bytes)
{
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        hash ^= b;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Lh5EncodeRoundTrip, TinyInputs)
{
    EXPECT_TRUE(Lh5Encode(nullptr, 0).empty());
    ExpectRoundTrip({}, "empty");
    ExpectRoundTrip({0x41}, "one byte");
    ExpectRoundTrip({0x00}, "one zero byte");
    ExpectRoundTrip({0x41, 0x41}, "two equal bytes");
    ExpectRoundTrip({0x41, 0x42}, "two bytes");
    ExpectRoundTrip({1, 2, 3}, "three bytes");
    ExpectRoundTrip({9, 9, 9, 9}, "shortest run");
}

TEST(Lh5EncodeRoundTrip, RunsAndRepeats)
{
    ExpectRoundTrip(std::vector<uint8_t>(100000, 0), "zeros");
    ExpectRoundTrip(std::vector<uint8_t>(259, 0xFF), "one byte plus a longest match");
    // Long enough for blocks made of nothing but longest matches at position
    // 0: single-symbol literal and position codes that take no bits at all.
    std::vector<uint8_t> run(3 << 20, 0x5A);
    EXPECT_LT(ExpectRoundTrip(run, "3 MiB run").size(), 1000u);
    std::vector<uint8_t> period;
    for (int i = 0; i < 70000; ++i)
        period.push_back(static_cast<uint8_t>(i % 7 * 31));
    ExpectRoundTrip(period, "short period");
    // A pattern exactly one window long, repeated: matches at the farthest
    // distance the window allows.
    std::vector<uint8_t> far = RandomBytes(8192, 11);
    far = Concat(Concat(far, far), far);
    std::vector<uint8_t> stream = ExpectRoundTrip(far, "window-long period");
    EXPECT_LT(stream.size(), 8192u + 1000u) << "the repeats at distance 8192 were not found";
    // One byte longer: the repeats lie just beyond the window's reach.
    std::vector<uint8_t> beyond = RandomBytes(8193, 12);
    ExpectRoundTrip(Concat(Concat(beyond, beyond), beyond), "period one past the window");
}

TEST(Lh5EncodeRoundTrip, NeverReachesBeforeTheStart)
{
    // Zeros at the start look like a long match against a zeroed window; a
    // window full of other bytes shows any such reference.
    ExpectRoundTrip(Concat(std::vector<uint8_t>(5000, 0), TextBytes(5000, 2)), "leading zeros");
    ExpectRoundTrip(Concat(std::vector<uint8_t>(300, 0x20), TextBytes(300, 4)), "leading spaces");
    ExpectRoundTrip(Concat(std::vector<uint8_t>(3, 0xA5), RandomBytes(100, 4)), "leading fill");
}

TEST(Lh5EncodeRoundTrip, ChunkBoundaries)
{
    for (size_t size : {8191u, 8192u, 8193u, 16384u, 16385u, 24577u}) {
        ExpectRoundTrip(TextBytes(size, static_cast<uint32_t>(size)), "text");
        ExpectRoundTrip(RandomBytes(size, static_cast<uint32_t>(size)), "random");
        ExpectRoundTrip(std::vector<uint8_t>(size, 0x33), "run");
    }
    // A long match that straddles the first chunk boundary.
    std::vector<uint8_t> data = TextBytes(8000, 8);
    data = Concat(data, std::vector<uint8_t>(data.begin() + 100, data.begin() + 1000));
    ExpectRoundTrip(data, "match across a chunk boundary");
}

TEST(Lh5EncodeRoundTrip, IncompressibleDataBarelyGrows)
{
    std::vector<uint8_t> data = RandomBytes(300000, 77);
    std::vector<uint8_t> stream = ExpectRoundTrip(data, "random");
    // Several blocks of 8-bit literals; a few header bytes each at most.
    EXPECT_LT(stream.size(), data.size() + data.size() / 200);
}

TEST(Lh5EncodeRoundTrip, EveryByteValueOnce)
{
    // 256 literals of equal frequency: every literal code length is 8, so the
    // aux code has a single symbol and goes in its single-symbol form.
    std::vector<uint8_t> data;
    for (int i = 0; i < 256; ++i)
        data.push_back(static_cast<uint8_t>((i * 167) & 0xFF));
    ExpectRoundTrip(data, "permutation");
}

TEST(Lh5EncodeRoundTrip, TypicalContentCompresses)
{
    std::vector<uint8_t> text = TextBytes(200000, 21);
    EXPECT_LT(ExpectRoundTrip(text, "text").size(), text.size() * 35 / 100);
    std::vector<uint8_t> code = CodeLikeBytes(200000, 22);
    EXPECT_LT(ExpectRoundTrip(code, "code-like").size(), code.size() * 45 / 100);
    // The fast level gives up little size: on real files some 0.5 %, on this
    // made-up text, which repeats itself at many distances, a few percent.
    for (const std::vector<uint8_t> *data : {&text, &code}) {
        const size_t best = Lh5Encode(data->data(), data->size(), Lh5Level::kBest).size();
        const size_t fast = Lh5Encode(data->data(), data->size(), Lh5Level::kFast).size();
        EXPECT_LE(best, fast);
        EXPECT_LT(fast, best + best * 6 / 100);
    }
    // Content that changes character midway gets blocks of its own.
    std::vector<uint8_t> mixed = Concat(Concat(text, RandomBytes(50000, 3)), code);
    ExpectRoundTrip(mixed, "text, random and code");
}

TEST(Lh5EncodeRoundTrip, ManySmallMixedInputs)
{
    // Short inputs stitched from runs, text, noise and copies of themselves
    // give blocks with every combination of tiny and single-symbol codes.
    std::vector<uint8_t> dice = RandomBytes(4000, 99);
    size_t roll = 0;
    auto next = [&]() { return dice[roll++ % dice.size()]; };
    for (int input = 0; input < 150; ++input) {
        std::vector<uint8_t> data;
        const int pieces = 1 + next() % 6;
        for (int piece = 0; piece < pieces; ++piece) {
            const size_t length = 1 + next() * (1 + next() % 8) / 4;
            switch (next() % 4) {
            case 0:
                data = Concat(data, std::vector<uint8_t>(length, next()));
                break;
            case 1:
                data = Concat(data, TextBytes(length, next()));
                break;
            case 2:
                data = Concat(data, RandomBytes(length, next() + 1u));
                break;
            default:
                if (!data.empty()) {
                    const size_t from = next() * data.size() / 256;
                    data = Concat(data, std::vector<uint8_t>(data.begin() + from, data.end()));
                }
            }
        }
        ExpectRoundTrip(data, "mixed input " + std::to_string(input));
    }
}

TEST(Lh5EncodeRoundTrip, SeveralMebibytes)
{
    std::vector<uint8_t> data;
    for (uint32_t part = 0; part < 4; ++part) {
        data = Concat(data, TextBytes(500000 + part * 1111, part));
        data = Concat(data, CodeLikeBytes(250000, part));
        data = Concat(data, std::vector<uint8_t>(20000 + part, static_cast<uint8_t>(part)));
    }
    ExpectRoundTrip(data, "mixed MiB");
}

TEST(Lh5EncodeLevels, BestKeepsTheBytesOfTheExhaustiveSearch)
{
    // Streams the exhaustive search gave before the fast level existed: the
    // best level, and Lh5Encode without a level, must keep them bit for bit.
    const std::vector<uint8_t> text = TextBytes(70000, 5);
    std::vector<uint8_t> mixed = Concat(TextBytes(600000, 1), CodeLikeBytes(400000, 2));
    mixed = Concat(Concat(mixed, std::vector<uint8_t>(300000, 7)),
                   Concat(RandomBytes(50000, 3), TextBytes(900000, 4)));
    const std::vector<uint8_t> best = Lh5Encode(mixed.data(), mixed.size(), Lh5Level::kBest);
    EXPECT_EQ(best.size(), 433838u);
    EXPECT_EQ(Fingerprint(best), 0xb4c678a7b2fe7865ull);
    EXPECT_EQ(Lh5Encode(mixed.data(), mixed.size()), best);
    const std::vector<uint8_t> small = Lh5Encode(text.data(), text.size());
    EXPECT_EQ(small.size(), 12465u);
    EXPECT_EQ(Fingerprint(small), 0xa29fa852dfc5aa97ull);
}

TEST(Lh5EncodeLevels, FastPiecesAreIndependentAndCostLittle)
{
    // Two pieces and a bit.
    std::vector<uint8_t> data = Concat(TextBytes(1100000, 31), CodeLikeBytes(800000, 32));
    data = Concat(data, TextBytes(300000, 33));
    const size_t count = Lh5PieceCount(data.size(), Lh5Level::kFast);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(Lh5PieceCount(data.size(), Lh5Level::kBest), 1u);
    EXPECT_EQ(Lh5PieceCount(0, Lh5Level::kFast), 0u);
    // Pieces made last to first, each from the input alone, join into the
    // very stream Lh5Encode makes.
    std::vector<Lh5Piece> pieces(count);
    for (size_t k = count; k-- > 0;)
        pieces[k] = Lh5EncodePiece(data.data(), data.size(), k, Lh5Level::kFast);
    const std::vector<uint8_t> fast = Lh5JoinPieces(pieces);
    EXPECT_EQ(fast, Lh5Encode(data.data(), data.size(), Lh5Level::kFast));
    size_t oddJoins = 0;
    for (const Lh5Piece &piece : pieces)
        oddJoins += piece.bitCount % 8 != 0;
    EXPECT_GT(oddJoins, 0u) << "no piece ends inside a byte: the bit joins are untested";
    ExpectRoundTripAt(data, Lh5Level::kFast, "fast pieces");
}

TEST(Lh5EncodeRoundTrip, FilesOnThisMachine)
{
    int found = 0;
    for (const char *path : {"/usr/share/common-licenses/GPL-3", "/bin/bash", "/bin/ls"}) {
        std::vector<uint8_t> data = ReadFileBytes(path);
        if (data.empty())
            continue;
        ++found;
        ExpectRoundTrip(data, path);
    }
    if (found == 0)
        GTEST_SKIP() << "none of the sample files is present";
}

}   // namespace
