#include "test_data.h"

#include <fstream>
#include <iterator>

namespace {

uint32_t Next(uint32_t *state)
{
    // xorshift32: fast and good enough to defeat any match finder.
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

}   // namespace

Bytes RandomBytes(size_t size, uint32_t seed)
{
    uint32_t state = seed | 1;
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(Next(&state) >> 24);
    return out;
}

Bytes TextBytes(size_t size, uint32_t seed)
{
    static const char *const kWords[] = {
        "the",       "installer", "writes",   "each",     "file",       "below",  "target",
        "directory", "and",       "a",        "progress", "bar",        "shows",  "which",
        "one",       "is",        "being",    "copied",   "compressed", "window", "of",
        "eight",     "kilobytes", "holds",    "recent",   "bytes",      "match",  "literal",
        "code",      "length",    "position", "block",    "Huffman",    "table"};
    const size_t wordCount = sizeof(kWords) / sizeof(kWords[0]);
    uint32_t state = seed | 1;
    std::vector<uint8_t> out;
    out.reserve(size + 16);
    size_t lineLength = 0;
    while (out.size() < size) {
        uint32_t r = Next(&state);
        // A skewed choice, like real word frequencies.
        size_t index = (r % wordCount) * ((r >> 8) % wordCount) / wordCount;
        for (const char *w = kWords[index]; *w; ++w)
            out.push_back(static_cast<uint8_t>(*w));
        lineLength += 1 + std::char_traits<char>::length(kWords[index]);
        if (lineLength > 64) {
            out.push_back(((r >> 16) & 3) == 0 ? '.' : ',');
            out.push_back('\n');
            lineLength = 0;
        } else {
            out.push_back(' ');
        }
    }
    out.resize(size);
    return out;
}

Bytes CodeLikeBytes(size_t size, uint32_t seed)
{
    static const uint8_t kPatterns[][6] = {
        {0x55, 0x8b, 0xec, 0x83, 0xec, 0x00}, {0x8b, 0x45, 0x00, 0x50, 0xe8, 0x00},
        {0x89, 0x45, 0x00, 0x8b, 0x4d, 0x00}, {0xc3, 0x90, 0x90, 0x90, 0xcc, 0xcc},
        {0x6a, 0x00, 0xff, 0x15, 0x00, 0x00}, {0x33, 0xc0, 0x5d, 0xc2, 0x04, 0x00}};
    uint32_t state = seed | 1;
    std::vector<uint8_t> out;
    out.reserve(size + 8);
    while (out.size() < size) {
        uint32_t r = Next(&state);
        if ((r & 15) == 0) {
            // A short table of small numbers.
            for (int i = 0; i < 8; ++i) {
                out.push_back(static_cast<uint8_t>(Next(&state) & 0x1f));
                out.push_back(0);
            }
            continue;
        }
        const uint8_t *pattern = kPatterns[(r >> 4) % 6];
        for (int i = 0; i < 6; ++i) {
            out.push_back(pattern[i] == 0 ? static_cast<uint8_t>(r >> (8 + 4 * i)) & 0x3c : pattern[i]);
        }
    }
    out.resize(size);
    return out;
}

Bytes ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
