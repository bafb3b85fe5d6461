#include "lh5enc_parse.h"

namespace lh5enc {

namespace {

// A three-byte match this far back costs more than three literals.
const uint32_t kFarShortMatch = 2048;

Match Usable(Match m)
{
    if (m.length == kMinMatch && m.distance > kFarShortMatch)
        return Match{0, 0};
    return m;
}

}   // namespace

void LazyParse(MatchFinder *finder, const uint8_t *data, size_t begin, size_t end, std::vector<Token> *tokens)
{
    tokens->clear();
    if (begin >= end)
        return;
    size_t p = begin;
    Match current = Usable(finder->Longest(p, end));
    finder->Insert(p);
    while (p < end) {
        if (current.length < kMinMatch) {
            tokens->push_back(LiteralToken(data[p]));
            ++p;
            if (p < end) {
                current = Usable(finder->Longest(p, end));
                finder->Insert(p);
            }
            continue;
        }
        Match next{0, 0};
        if (p + 1 < end && current.length < kMaxMatch) {
            next = Usable(finder->Longest(p + 1, end));
            finder->Insert(p + 1);
            if (next.length > current.length) {
                tokens->push_back(LiteralToken(data[p]));
                ++p;
                current = next;
                continue;
            }
        } else if (p + 1 < end) {
            finder->Insert(p + 1);
        }
        tokens->push_back(MatchToken(current.length, current.distance));
        const size_t stop = p + current.length;
        for (size_t q = p + 2; q < stop; ++q)
            finder->Insert(q);
        p = stop;
        if (p < end) {
            current = Usable(finder->Longest(p, end));
            finder->Insert(p);
        }
    }
}

namespace {

// The longest match recorded at p: the last one, as they come in increasing
// length.
Match LongestRecorded(const RangeMatches &range, size_t p)
{
    const size_t i = p - range.begin;
    if (range.first[i + 1] == range.first[i])
        return Match{0, 0};
    return range.matches[range.first[i + 1] - 1];
}

}   // namespace

void LazyParse(const uint8_t *data, const RangeMatches &range, std::vector<Token> *tokens)
{
    tokens->clear();
    const size_t end = range.end;
    size_t p = range.begin;
    if (p >= end)
        return;
    Match current = Usable(LongestRecorded(range, p));
    while (p < end) {
        if (current.length < kMinMatch) {
            tokens->push_back(LiteralToken(data[p]));
            ++p;
            if (p < end)
                current = Usable(LongestRecorded(range, p));
            continue;
        }
        if (p + 1 < end && current.length < kMaxMatch) {
            const Match next = Usable(LongestRecorded(range, p + 1));
            if (next.length > current.length) {
                tokens->push_back(LiteralToken(data[p]));
                ++p;
                current = next;
                continue;
            }
        }
        tokens->push_back(MatchToken(current.length, current.distance));
        p += current.length;
        if (p < end)
            current = Usable(LongestRecorded(range, p));
    }
}

}   // namespace lh5enc
