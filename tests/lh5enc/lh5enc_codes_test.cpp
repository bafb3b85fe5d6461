// The code construction: length limits, completeness, optimality, canonical
// order, and the size estimates the block choices rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <queue>
#include <vector>

#include "lh5enc_block.h"
#include "lh5enc_huffman.h"
#include "lh5enc_log2.h"
#include "test_data.h"

using namespace lh5enc;

namespace {

// Sum of 2^(max - len) over the used symbols, against 2^max: a complete code
// has exactly that sum.
uint64_t KraftSum(const std::vector<uint8_t> &lengths, int maxLength)
{
    uint64_t sum = 0;
    for (uint8_t len : lengths) {
        if (len != 0)
            sum += uint64_t{1} << (maxLength - len);
    }
    return sum;
}

uint64_t Cost(const std::vector<uint32_t> &freq, const std::vector<uint8_t> &lengths)
{
    uint64_t cost = 0;
    for (size_t i = 0; i < freq.size(); ++i)
        cost += uint64_t{freq[i]} * lengths[i];
    return cost;
}

// Unlimited Huffman cost: the sum of all merged weights.
uint64_t HuffmanCost(const std::vector<uint32_t> &freq)
{
    std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> heap;
    for (uint32_t f : freq) {
        if (f != 0)
            heap.push(f);
    }
    uint64_t cost = 0;
    while (heap.size() > 1) {
        uint64_t a = heap.top();
        heap.pop();
        uint64_t b = heap.top();
        heap.pop();
        cost += a + b;
        heap.push(a + b);
    }
    return cost;
}

std::vector<uint8_t> Lengths(const std::vector<uint32_t> &freq, int maxLength, int *used)
{
    std::vector<uint8_t> lengths(freq.size(), 99);
    *used = LimitedCodeLengths(freq.data(), static_cast<int>(freq.size()), maxLength, lengths.data());
    return lengths;
}

TEST(Lh5EncodeCodes, LengthsAreCompleteLimitedAndOptimal)
{
    // Fibonacci frequencies would need codes of 25 bits without a limit.
    std::vector<uint32_t> fib(26);
    fib[0] = fib[1] = 1;
    for (size_t i = 2; i < fib.size(); ++i)
        fib[i] = fib[i - 1] + fib[i - 2];
    int used = 0;
    std::vector<uint8_t> limited = Lengths(fib, 16, &used);
    EXPECT_EQ(used, 26);
    EXPECT_EQ(*std::max_element(limited.begin(), limited.end()), 16);
    EXPECT_EQ(KraftSum(limited, 16), uint64_t{1} << 16);
    std::vector<uint8_t> free = Lengths(fib, 30, &used);
    EXPECT_EQ(Cost(fib, free), HuffmanCost(fib));
    EXPECT_GT(Cost(fib, limited), Cost(fib, free));

    // Random frequencies, some unused: optimal where the limit does not bind.
    std::vector<uint8_t> noise = RandomBytes(510 * 4, 5);
    std::vector<uint32_t> freq(510);
    for (size_t i = 0; i < freq.size(); ++i) {
        freq[i] = noise[4 * i] < 40 ? 0 : 200 + noise[4 * i + 1] * noise[4 * i + 2] + noise[4 * i + 3];
    }
    std::vector<uint8_t> unlimited = Lengths(freq, 30, &used);
    ASSERT_LE(*std::max_element(unlimited.begin(), unlimited.end()), 16);
    std::vector<uint8_t> lengths = Lengths(freq, 16, &used);
    EXPECT_EQ(KraftSum(lengths, 16), uint64_t{1} << 16);
    EXPECT_EQ(Cost(freq, lengths), HuffmanCost(freq));
    for (size_t i = 0; i < freq.size(); ++i)
        EXPECT_EQ(freq[i] == 0, lengths[i] == 0) << i;
}

TEST(Lh5EncodeCodes, FewerThanTwoSymbolsHaveNoLengths)
{
    int used = -1;
    std::vector<uint8_t> none = Lengths(std::vector<uint32_t>(14, 0), 16, &used);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(std::count(none.begin(), none.end(), 0), 14);
    std::vector<uint32_t> one(14, 0);
    one[9] = 1000;
    std::vector<uint8_t> single = Lengths(one, 16, &used);
    EXPECT_EQ(used, 1);
    EXPECT_EQ(std::count(single.begin(), single.end(), 0), 14);
    one[2] = 1;
    std::vector<uint8_t> pair = Lengths(one, 16, &used);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(pair[2], 1);
    EXPECT_EQ(pair[9], 1);
}

TEST(Lh5EncodeCodes, CanonicalOrderMatchesTheDecoder)
{
    // Lengths {2, 1, 3, 3}: the shortest code first, then by symbol.
    const uint8_t lengths[4] = {2, 1, 3, 3};
    uint16_t codes[4] = {};
    CanonicalCodes(lengths, 4, codes);
    EXPECT_EQ(codes[1], 0b0);
    EXPECT_EQ(codes[0], 0b10);
    EXPECT_EQ(codes[2], 0b110);
    EXPECT_EQ(codes[3], 0b111);
}

TEST(Lh5EncodeCodes, SizeEstimateIsTheWrittenSize)
{
    // Blocks with every shape of code: full literal codes with long zero runs,
    // a single literal, a single position, no positions at all.
    std::vector<std::vector<Token>> blocks(4);
    std::vector<uint8_t> noise = RandomBytes(20000, 9);
    for (size_t i = 0; i + 2 < noise.size(); i += 3) {
        if (noise[i] < 200) {
            blocks[0].push_back(LiteralToken(noise[i + 1] & 0x3f));
        } else {
            uint32_t distance = 1 + ((noise[i + 1] << 8 | noise[i + 2]) & 0x1fff);
            blocks[0].push_back(MatchToken(3 + noise[i + 2] % 254, distance));
        }
    }
    blocks[1].assign(77, LiteralToken('x'));
    blocks[2] = {LiteralToken(0), MatchToken(256, 1), MatchToken(100, 1), LiteralToken(4)};
    for (int i = 0; i < 300; ++i)
        blocks[3].push_back(LiteralToken(static_cast<uint8_t>(i * 7)));
    for (const std::vector<Token> &block : blocks) {
        SymbolCounts counts;
        CountSymbols(block.data(), block.size(), &counts);
        BlockCodes codes;
        ChooseCodes(counts, &codes);
        BitWriter out;
        WriteBlock(block.data(), block.size(), codes, &out);
        EXPECT_EQ(out.BitCount(), HeaderBits(codes) + SymbolBits(counts, codes))
            << "block of " << block.size() << " tokens";
    }
}

}   // namespace

namespace {

TEST(Lh5EncodeCodes, IntegerLogarithm)
{
    EXPECT_EQ(Log2Q16(1), 0u);
    EXPECT_EQ(Log2Q16(2), 1u << 16);
    EXPECT_EQ(Log2Q16(uint64_t{1} << 40), 40u << 16);
    for (uint64_t x : {3ull, 5ull, 7ull, 1000ull, 65535ull, 65537ull, 123456789ull, 0xFFFFFFFFFFull}) {
        const double exact = std::log2(static_cast<double>(x)) * 65536.0;
        const double got = Log2Q16(x);
        EXPECT_LE(got, exact + 1e-6) << x;
        EXPECT_GT(got, exact - 2.0) << x;
    }
}

}   // namespace
