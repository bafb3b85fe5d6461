// Decodes one lh5 record the way the installer does (Lh5DecodeRecord: 8,192
// bytes at a time into the decoder's window, the error flag tested after
// each chunk), and checks what the decoder's own flag cannot vouch for: that
// a record which decoded cleanly never took a bit from past its end. The same
// stream followed by 0xFF bytes, inside the limit, must decode from the same
// window to the same bytes; a decoder that read on past the end unnoticed
// would have decoded zero bits there the first time and one bits the second.
#ifndef FUZZ_DECODE_RECORD_H
#define FUZZ_DECODE_RECORD_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "lh5_decoder.h"

static int32_t AppendDecoded(void *out, const uint8_t *bytes, uint32_t count)
{
    std::vector<uint8_t> *bytesOut = static_cast<std::vector<uint8_t> *>(out);
    bytesOut->insert(bytesOut->end(), bytes, bytes + count);
    return 1;
}

// Calls sink(bytes, count) with the whole output when the record decoded
// without error; returns 1 then, else 0. Decodes at most maxBytes of output.
template <typename Sink>
static int DecodeRecord(const uint8_t *data, uint32_t packedSize, int32_t unpackedSize, int32_t maxBytes,
                        Sink sink)
{
    static uint8_t window[kLh5WindowSize];
    static std::vector<uint8_t> decoded, again, padded;
    const int32_t size = unpackedSize < maxBytes ? unpackedSize : maxBytes;
    memcpy(window, Lh5Decoder.window, sizeof window);
    decoded.clear();
    if (Lh5DecodeRecord(data, packedSize, size, AppendDecoded, &decoded) != 1)
        return 0;

    padded.assign(data, data + packedSize);
    padded.resize(packedSize + 64u, 0xFF);
    memcpy(Lh5Decoder.window, window, sizeof window);
    again.clear();
    if (Lh5DecodeRecord(padded.data(), (uint32_t)padded.size(), size, AppendDecoded, &again) != 1 ||
        again != decoded)
        abort();
    if (!decoded.empty())
        sink(decoded.data(), (uint32_t)decoded.size());
    return 1;
}

#endif
