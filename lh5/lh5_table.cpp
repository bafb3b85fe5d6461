// Lookup tables of canonical Huffman codes with overflow trees.
//
// A code of N symbols is resolved by one table access on the top tableBits of
// bitBuffer. Codes longer than tableBits continue in a binary tree whose root
// sits in the table entry of the code's first tableBits bits; its nodes are
// numbered from N upward and their children live in Lh5Decoder.left (next bit
// 0) and Lh5Decoder.right (next bit 1). A stored value below N is a symbol, a
// value at or above it a node.
#include "lh5_decoder.h"

// Builds table (2^tableBits entries) for the code whose lengths (0 = symbol
// absent, else 1..16) are given. A set of lengths that is not exactly a
// complete code (incomplete, over-full, empty, or with a length above 16)
// sets error and leaves table and trees untouched.
void Lh5BuildTable(int32_t symbolCount, const uint8_t *lengths, int32_t tableBits, uint32_t *table)
{
    Lh5DecoderState *d = &Lh5Decoder;
    if (symbolCount <= 0 || symbolCount > kLh5LiteralSymbols || tableBits < 1 || tableBits > 15) {
        d->error = 1;
        return;
    }

    uint32_t count[kLh5MaxCodeLength + 1] = {0};
    for (int32_t s = 0; s < symbolCount; s++) {
        uint32_t len = lengths[s];
        if (len > kLh5MaxCodeLength) {
            d->error = 1;
            return;
        }
        count[len]++;
    }

    // start[len]: first code of that length, left-aligned in 16 bits.
    uint32_t start[kLh5MaxCodeLength + 2];
    uint32_t weight[kLh5MaxCodeLength + 1];
    start[1] = 0;
    for (int32_t len = 1; len <= kLh5MaxCodeLength; len++)
        start[len + 1] = start[len] + (count[len] << (16 - len));
    if (start[kLh5MaxCodeLength + 1] != 0x10000u) {
        d->error = 1;
        return;
    }

    int32_t shift = 16 - tableBits;
    for (int32_t len = 1; len <= tableBits; len++) {
        start[len] >>= shift;
        weight[len] = 1u << (tableBits - len);
    }
    for (int32_t len = tableBits + 1; len <= kLh5MaxCodeLength; len++)
        weight[len] = 1u << (16 - len);

    // Entries past the short codes will hold tree roots; 0 marks "no node yet".
    uint32_t tableSize = 1u << tableBits;
    uint32_t first = start[tableBits + 1] >> shift;
    for (uint32_t i = first; i < tableSize; i++)
        table[i] = 0;

    uint32_t nextNode = (uint32_t)symbolCount;
    uint32_t mask = 1u << (15 - tableBits);
    for (int32_t s = 0; s < symbolCount; s++) {
        int32_t len = lengths[s];
        if (len == 0)
            continue;
        uint32_t next = start[len] + weight[len];
        if (len <= tableBits) {
            for (uint32_t i = start[len]; i < next; i++)
                table[i] = (uint32_t)s;
        } else {
            uint32_t k = start[len];
            uint32_t *slot = &table[k >> shift];
            for (int32_t i = len - tableBits; i > 0; i--) {
                if (*slot == 0) {
                    // A complete code never needs more; kept as a hard limit.
                    if (nextNode >= (uint32_t)kLh5TreeNodes) {
                        d->error = 1;
                        return;
                    }
                    d->left[nextNode] = 0;
                    d->right[nextNode] = 0;
                    *slot = nextNode++;
                }
                slot = (k & mask) ? &d->right[*slot] : &d->left[*slot];
                k <<= 1;
            }
            *slot = (uint32_t)s;
        }
        start[len] = next;
    }
}
