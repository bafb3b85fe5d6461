// Decodes one lh5 record the way the installer does: 8,192-byte chunks into
// the decoder's own window, the error flag tested after each chunk.
#ifndef FUZZ_DECODE_RECORD_H
#define FUZZ_DECODE_RECORD_H

#include <stdint.h>
#include <stdlib.h>

#include "lh5_decoder.h"

// Calls sink(window, count) per chunk. Returns 1 when every chunk decoded
// without error, 0 at the first error. Stops after maxBytes of output.
template <typename Sink>
static int DecodeRecord(const uint8_t *data, uint32_t packedSize, int32_t unpackedSize,
                        int32_t maxBytes, Sink sink) {
    Lh5Decoder.input = data;
    Lh5Decoder.inputLimit = packedSize;
    Lh5Decoder.error = 0;
    Lh5Start();
    int32_t remaining = unpackedSize < maxBytes ? unpackedSize : maxBytes;
    while (remaining > 0) {
        uint32_t count = remaining <= kLh5WindowSize ? (uint32_t)remaining : kLh5WindowSize;
        Lh5DecodeChunk(count, Lh5Decoder.window);
        if (Lh5Decoder.error) return 0;
        // A stream that decoded cleanly never took more bits than it holds.
        if (Lh5Decoder.bitsConsumed > 8ull * packedSize) abort();
        sink(Lh5Decoder.window, count);
        remaining -= (int32_t)count;
    }
    return 1;
}

#endif
