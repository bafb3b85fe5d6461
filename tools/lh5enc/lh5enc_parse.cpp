#include "lh5enc_parse.h"

namespace lh5enc {

namespace {

// A three-byte match this far back costs more than three literals.
const uint32_t kFarShortMatch = 2048;

Match Usable(Match m) {
    if (m.length == kMinMatch && m.distance > kFarShortMatch) return Match{0, 0};
    return m;
}

}  // namespace

void LazyParse(MatchFinder *finder, const uint8_t *data, size_t begin, size_t end,
               std::vector<Token> *tokens) {
    tokens->clear();
    if (begin >= end) return;
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
        for (size_t q = p + 2; q < stop; ++q) finder->Insert(q);
        p = stop;
        if (p < end) {
            current = Usable(finder->Longest(p, end));
            finder->Insert(p);
        }
    }
}

}  // namespace lh5enc
