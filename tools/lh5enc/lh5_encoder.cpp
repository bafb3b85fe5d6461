#include "lh5_encoder.h"

#include "lh5enc_bits.h"
#include "lh5enc_block.h"
#include "lh5enc_parse.h"

using namespace lh5enc;

std::vector<uint8_t> Lh5Encode(const uint8_t *data, size_t size) {
    if (size == 0) return {};
    std::vector<Token> tokens;
    LazyParse(data, size, &tokens);
    BitWriter out;
    const size_t kBlockTokens = 16384;
    for (size_t start = 0; start < tokens.size(); start += kBlockTokens) {
        size_t count = tokens.size() - start < kBlockTokens ? tokens.size() - start : kBlockTokens;
        SymbolCounts counts;
        CountSymbols(&tokens[start], count, &counts);
        BlockCodes codes;
        ChooseCodes(counts, &codes);
        WriteBlock(&tokens[start], count, codes, &out);
    }
    return out.Finish();
}
