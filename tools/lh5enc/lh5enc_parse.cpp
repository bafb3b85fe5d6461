#include "lh5enc_parse.h"

#include "lh5enc_match.h"

namespace lh5enc {

namespace {

const int kLazyChain = 64;
// A three-byte match this far back costs more than three literals.
const uint32_t kFarShortMatch = 2048;

Match Usable(Match m) {
    if (m.length == kMinMatch && m.distance > kFarShortMatch) return Match{0, 0};
    return m;
}

}  // namespace

void LazyParse(const uint8_t *data, size_t size, std::vector<Token> *tokens) {
    tokens->clear();
    MatchFinder finder(data, size, kLazyChain);
    size_t p = 0;
    Match current = Usable(finder.Longest(0));
    finder.Insert(0);
    while (p < size) {
        if (current.length < kMinMatch) {
            tokens->push_back(LiteralToken(data[p]));
            ++p;
            if (p < size) {
                current = Usable(finder.Longest(p));
                finder.Insert(p);
            }
            continue;
        }
        Match next{0, 0};
        if (p + 1 < size && current.length < kMaxMatch) {
            next = Usable(finder.Longest(p + 1));
            finder.Insert(p + 1);
            if (next.length > current.length) {
                tokens->push_back(LiteralToken(data[p]));
                ++p;
                current = next;
                continue;
            }
        } else if (p + 1 < size) {
            finder.Insert(p + 1);
        }
        tokens->push_back(MatchToken(current.length, current.distance));
        const size_t end = p + current.length;
        for (size_t q = p + 2; q < end; ++q) finder.Insert(q);
        p = end;
        if (p < size) {
            current = Usable(finder.Longest(p));
            finder.Insert(p);
        }
    }
}

}  // namespace lh5enc
