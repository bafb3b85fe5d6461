#include "project_decode.h"

#include <cstring>

#include "lh5_decoder.h"

bool ProjectDecode(const std::vector<uint8_t> &stream, size_t size, uint8_t windowFill,
                   std::vector<uint8_t> *out) {
    out->clear();
    std::memset(Lh5Decoder.window, windowFill, sizeof(Lh5Decoder.window));
    Lh5Decoder.input = stream.data();
    Lh5Decoder.inputLimit = static_cast<uint32_t>(stream.size());
    Lh5Decoder.error = 0;
    Lh5Start();
    size_t remaining = size;
    while (remaining > 0) {
        uint32_t chunk = remaining < kLh5WindowSize ? static_cast<uint32_t>(remaining)
                                                    : static_cast<uint32_t>(kLh5WindowSize);
        Lh5DecodeChunk(chunk, Lh5Decoder.window);
        if (Lh5Decoder.error != 0) return false;
        out->insert(out->end(), Lh5Decoder.window, Lh5Decoder.window + chunk);
        remaining -= chunk;
    }
    return true;
}
