// One record decoded from start to end: 8,192 bytes at a time into the
// decoder's window, each chunk handed on before the next is decoded.
#include "lh5_decoder.h"

int32_t Lh5DecodeRecord(const uint8_t *data, uint32_t packedSize, int32_t unpackedSize, Lh5ChunkSink sink,
                        void *context)
{
    Lh5Decoder.input = data;
    Lh5Decoder.inputLimit = packedSize;
    Lh5Decoder.error = 0;
    Lh5Start();
    int32_t remaining = unpackedSize;
    while (remaining > 0) {
        uint32_t count = remaining <= kLh5WindowSize ? (uint32_t)remaining : (uint32_t)kLh5WindowSize;
        Lh5DecodeChunk(count, Lh5Decoder.window);
        if (Lh5Decoder.error != 0)
            return 0;
        if (sink(context, Lh5Decoder.window, count) == 0)
            return -1;
        remaining -= (int32_t)count;
    }
    return 1;
}
