#include "lh5enc_huffman.h"

#include <algorithm>
#include <vector>

namespace lh5enc {

namespace {

struct Item {
    uint64_t weight;
    int symbol;   // a leaf's symbol, or -1 for a package of two items of the level below
};

}   // namespace

int LimitedCodeLengths(const uint32_t *freq, int count, int maxLength, uint8_t *lengths)
{
    // The buffers live as long as the thread: the encoder asks for code
    // lengths many times per block, and a fresh level buffer (up to a quarter
    // of a megabyte, cleared) on every call cost more than the algorithm.
    thread_local std::vector<Item> leaves;
    thread_local std::vector<Item> items;
    thread_local std::vector<size_t> sizes;
    leaves.clear();
    for (int s = 0; s < count; ++s) {
        lengths[s] = 0;
        if (freq[s] != 0)
            leaves.push_back({freq[s], s});
    }
    const int used = static_cast<int>(leaves.size());
    if (used < 2)
        return used;
    // Ties broken by symbol so the result never depends on the sort.
    std::sort(leaves.begin(), leaves.end(), [](const Item &a, const Item &b) {
        return a.weight != b.weight ? a.weight < b.weight : a.symbol < b.symbol;
    });

    // Level j holds the leaves merged with the packages formed from pairs of
    // level j - 1; taking the 2n - 2 lightest items of the top level and
    // following their packages down gives every leaf's depth. No level holds
    // more than 2n - 1 items; all levels share one buffer.
    const size_t stride = 2 * leaves.size();
    // Every level is filled before the level above reads it, so neither
    // buffer needs clearing.
    if (items.size() < stride * static_cast<size_t>(maxLength)) {
        items.resize(stride * static_cast<size_t>(maxLength));
    }
    if (sizes.size() < static_cast<size_t>(maxLength))
        sizes.resize(static_cast<size_t>(maxLength));
    std::copy(leaves.begin(), leaves.end(), items.begin());
    sizes[0] = leaves.size();
    for (int j = 1; j < maxLength; ++j) {
        const Item *below = &items[stride * static_cast<size_t>(j - 1)];
        Item *level = &items[stride * static_cast<size_t>(j)];
        size_t size = 0, leaf = 0, pair = 0;
        const size_t pairs = sizes[static_cast<size_t>(j - 1)] / 2;
        while (leaf < leaves.size() || pair < pairs) {
            uint64_t packageWeight = pair < pairs ? below[2 * pair].weight + below[2 * pair + 1].weight : 0;
            if (pair >= pairs || (leaf < leaves.size() && leaves[leaf].weight <= packageWeight)) {
                level[size++] = leaves[leaf++];
            } else {
                level[size++] = Item{packageWeight, -1};
                ++pair;
            }
        }
        sizes[static_cast<size_t>(j)] = size;
    }
    size_t take = static_cast<size_t>(2 * used - 2);
    for (int j = maxLength - 1; j >= 0; --j) {
        const Item *level = &items[stride * static_cast<size_t>(j)];
        const size_t size = sizes[static_cast<size_t>(j)];
        size_t packages = 0;
        for (size_t i = 0; i < take && i < size; ++i) {
            if (level[i].symbol >= 0) {
                ++lengths[level[i].symbol];
            } else {
                ++packages;
            }
        }
        take = 2 * packages;
    }
    return used;
}

void CanonicalCodes(const uint8_t *lengths, int count, uint16_t *codes)
{
    uint32_t lengthCount[18] = {};
    for (int s = 0; s < count; ++s)
        ++lengthCount[lengths[s]];
    lengthCount[0] = 0;
    uint32_t next[18] = {};
    uint32_t code = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + lengthCount[len - 1]) << 1;
        next[len] = code;
    }
    for (int s = 0; s < count; ++s) {
        if (lengths[s] != 0)
            codes[s] = static_cast<uint16_t>(next[lengths[s]]++);
    }
}

}   // namespace lh5enc
