// Match finding over the 8 KiB window: hash chains on three-byte prefixes.
// Matches never reach before the start of the data.
#ifndef TOOLS_LH5ENC_LH5ENC_MATCH_H
#define TOOLS_LH5ENC_LH5ENC_MATCH_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lh5enc {

struct Match {
    uint32_t length;
    uint32_t distance;   // 1..8192
};

class MatchFinder {
public:
    // maxChain bounds the candidates examined per search.
    MatchFinder(const uint8_t *data, size_t size, int maxChain);

    // Positions must be inserted in increasing order, each once; a search at
    // p sees the positions inserted before it.
    void Insert(size_t p);

    // Inserts the window's worth of positions before begin: a finder that
    // starts there then finds exactly what one fed from the start would.
    void InsertBefore(size_t begin);

    // The longest match at p ending at or before end (length 0 when there is
    // none of 3 bytes or more); among equally long ones the nearest.
    Match Longest(size_t p, size_t end) const;

    // Every match at p, ending at or before end, that is longer than all
    // nearer ones, in increasing length (so also increasing distance), up to
    // the first one of goodLength bytes or more. Returns how many were stored
    // in out, which must hold kMaxMatch - 2 entries.
    int AllMatches(size_t p, size_t end, Match *out, uint32_t goodLength = kLongestMatch) const;

    static constexpr uint32_t kLongestMatch = 256;

private:
    uint32_t Hash(size_t p) const;
    uint32_t MatchLength(size_t p, size_t candidate, uint32_t limit) const;

    const uint8_t *data_;
    size_t size_;
    int maxChain_;
    int hashBits_;
    std::vector<int64_t> head_;   // newest position of each hash, -1 when none
    std::vector<int64_t> prev_;   // previous position of the same hash, by position mod window
};

}   // namespace lh5enc

#endif
