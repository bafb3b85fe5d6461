// LH5 decoder: LZ77 with an 8 KiB window, coded in blocks of canonical
// Huffman codes (the LHA "-lh5-" method).
//
// Contract, stated once for all lh5_*.cpp files:
//  - One static instance, Lh5Decoder, reused for every record; not reentrant.
//  - A record is decoded by setting input, inputLimit and error = 0, calling
//    Lh5Start, then Lh5DecodeChunk for 8,192 bytes at a time (the last chunk
//    may be shorter) into the same window buffer, testing error after each.
//  - Running out of input reads as zero bits. error is set (never cleared by
//    the decoder) when a set of code lengths is not a complete code, when a
//    damaged stream asks for anything the fixed arrays cannot hold, and when
//    decoding has consumed more bits than the record's input holds.
//  - Input is read only below inputLimit: decoding loads up to eight bytes at
//    once while that many remain, then byte by byte.
//  - Between calls the record holds the state of a reader that fetches one
//    byte whenever its 16-bit look-ahead needs bits, however the chunk loop
//    read ahead meanwhile: after p consumed bits it has fetched
//    ceil((p + 16) / 8) bytes (zero bytes past the input included).
//  - No allocation, no platform headers: builds anywhere (the chunk loop's
//    bit buffer is a machine word: 64 or 32 bits).
#ifndef LH5_LH5_DECODER_H
#define LH5_LH5_DECODER_H

#include <stdint.h>

enum {
    kLh5WindowSize = 8192,
    kLh5LiteralSymbols = 510,   // 256 bytes + 254 match lengths (3..256)
    kLh5AuxSymbols = 19,        // code lengths of the literal code
    kLh5PositionSymbols = 14,
    kLh5LiteralTableBits = 12,
    kLh5AuxTableBits = 8,
    kLh5TreeNodes = 2 * kLh5LiteralSymbols - 1,
    kLh5MaxCodeLength = 16
};

struct Lh5DecoderState {
    uint16_t bitBuffer;        // next 16 bits of the stream, first bit on top
    uint32_t pendingByte;      // last fetched byte; its low pendingBits bits are unused
    int32_t pendingBits;       // 0..8
    const uint8_t *input;      // the record's compressed data
    uint32_t inputIndex;       // next byte to fetch
    uint32_t inputLimit;       // number of compressed bytes
    int32_t error;             // set on any damage; cleared by the caller per record
    uint32_t blockRemaining;   // symbols left in the current block
    int32_t copyRemaining;     // bytes of the current match still to copy
    uint32_t copyPosition;     // window index a match copies from next
    uint32_t bitsConsumed;     // bits taken from the stream since Lh5Start
    uint8_t literalLengths[kLh5LiteralSymbols];
    uint8_t auxLengths[kLh5AuxSymbols];
    uint32_t literalTable[1 << kLh5LiteralTableBits];
    uint32_t auxTable[1 << kLh5AuxTableBits];
    uint32_t left[kLh5TreeNodes];
    uint32_t right[kLh5TreeNodes];
    uint8_t window[kLh5WindowSize];
};

extern Lh5DecoderState Lh5Decoder;

// Bit input and tables (lh5_bits.cpp, lh5_table.cpp).
void Lh5Start(void);
void Lh5InitBits(void);
void Lh5FillBits(int32_t n);
uint32_t Lh5GetBits(int32_t n);
void Lh5BuildTable(int32_t symbolCount, const uint8_t *lengths, int32_t tableBits, uint32_t *table);

// Block decoding (lh5_block.cpp, the chunk loop in lh5_chunk.cpp).
void Lh5DecodeChunk(uint32_t count, uint8_t *window);
void Lh5ReadBlockHeader(void);
uint32_t Lh5DecodeSymbol(void);
uint32_t Lh5DecodePosition(void);
void Lh5ReadAuxLengths(int32_t count, int32_t countBits, int32_t special);
void Lh5ReadLiteralLengths(void);

// A whole record (lh5_record.cpp), decoded as the contract above says: each
// chunk goes to sink(context, window, count) as soon as it is decoded, and a
// sink that returns 0 stops the record. An unpackedSize of 0 or less decodes
// nothing. Returns 1 when every chunk was decoded and taken, 0 when decoding
// failed (error set), -1 when the sink stopped it.
typedef int32_t (*Lh5ChunkSink)(void *context, const uint8_t *bytes, uint32_t count);
int32_t Lh5DecodeRecord(const uint8_t *data, uint32_t packedSize, int32_t unpackedSize, Lh5ChunkSink sink,
                        void *context);

#endif
