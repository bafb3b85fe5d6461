#include "lh5enc_match.h"

#include <cstring>

#include "lh5enc_block.h"

static_assert(lh5enc::MatchFinder::kLongestMatch == lh5enc::kMaxMatch, "one longest match length");

namespace lh5enc {

namespace {

// Hash table size: 2^15 heads for inputs of 32 KiB and more, fewer for
// smaller ones, so that short inputs do not pay for clearing a large table.
int HashBitsFor(size_t size)
{
    int bits = 8;
    while (bits < 15 && (size_t{1} << bits) < size)
        ++bits;
    return bits;
}

}   // namespace

MatchFinder::MatchFinder(const uint8_t *data, size_t size, int maxChain)
    : data_(data), size_(size), maxChain_(maxChain), hashBits_(HashBitsFor(size)),
      head_(size_t{1} << hashBits_, -1),
      // Indexed by position modulo the window: never more slots than positions.
      prev_(size < kWindowSize ? size : kWindowSize, -1)
{
}

uint32_t MatchFinder::Hash(size_t p) const
{
    uint32_t v = static_cast<uint32_t>(data_[p]) | static_cast<uint32_t>(data_[p + 1]) << 8 |
                 static_cast<uint32_t>(data_[p + 2]) << 16;
    return (v * 2654435761u) >> (32 - hashBits_);
}

void MatchFinder::Insert(size_t p)
{
    if (p + kMinMatch > size_)
        return;
    uint32_t h = Hash(p);
    prev_[p % kWindowSize] = head_[h];
    head_[h] = static_cast<int64_t>(p);
}

uint32_t MatchFinder::MatchLength(size_t p, size_t candidate, uint32_t limit) const
{
    uint32_t len = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Eight bytes at a time: the lowest differing bit names the first
    // differing byte.
    while (len + 8 <= limit) {
        uint64_t a, b;
        std::memcpy(&a, data_ + p + len, 8);
        std::memcpy(&b, data_ + candidate + len, 8);
        if (a != b)
            return len + static_cast<uint32_t>(__builtin_ctzll(a ^ b)) / 8;
        len += 8;
    }
#endif
    while (len < limit && data_[p + len] == data_[candidate + len])
        ++len;
    return len;
}

Match MatchFinder::Longest(size_t p, size_t end) const
{
    Match best{0, 0};
    if (end > size_)
        end = size_;
    if (p + kMinMatch > end)
        return best;
    const uint32_t limit = end - p < kMaxMatch ? static_cast<uint32_t>(end - p) : kMaxMatch;
    const int64_t lowest = static_cast<int64_t>(p) - kWindowSize;
    int64_t candidate = head_[Hash(p)];
    for (int chain = maxChain_; chain > 0 && candidate >= 0 && candidate >= lowest; --chain) {
        const size_t c = static_cast<size_t>(candidate);
        if (best.length < kMinMatch || data_[c + best.length] == data_[p + best.length]) {
            uint32_t len = MatchLength(p, c, limit);
            if (len > best.length && len >= kMinMatch) {
                best = Match{len, static_cast<uint32_t>(p - c)};
                if (len == limit)
                    break;
            }
        }
        int64_t next = prev_[c % kWindowSize];
        if (next >= candidate)
            break;   // the slot was reused by a newer position
        candidate = next;
    }
    return best;
}

int MatchFinder::AllMatches(size_t p, size_t end, Match *out, uint32_t goodLength) const
{
    int found = 0;
    if (end > size_)
        end = size_;
    if (p + kMinMatch > end)
        return 0;
    const uint32_t limit = end - p < kMaxMatch ? static_cast<uint32_t>(end - p) : kMaxMatch;
    const int64_t lowest = static_cast<int64_t>(p) - kWindowSize;
    uint32_t bestLength = kMinMatch - 1;
    const uint32_t stop = goodLength < limit ? goodLength : limit;
    int64_t candidate = head_[Hash(p)];
    for (int chain = maxChain_; chain > 0 && candidate >= 0 && candidate >= lowest; --chain) {
        const size_t c = static_cast<size_t>(candidate);
        if (data_[c + bestLength] == data_[p + bestLength]) {
            uint32_t len = MatchLength(p, c, limit);
            if (len > bestLength) {
                bestLength = len;
                out[found++] = Match{len, static_cast<uint32_t>(p - c)};
                if (len >= stop)
                    break;
            }
        }
        int64_t next = prev_[c % kWindowSize];
        if (next >= candidate)
            break;
        candidate = next;
    }
    return found;
}

void MatchFinder::InsertBefore(size_t begin)
{
    for (size_t p = begin > static_cast<size_t>(kWindowSize) ? begin - kWindowSize : 0; p < begin; ++p)
        Insert(p);
}

}   // namespace lh5enc
