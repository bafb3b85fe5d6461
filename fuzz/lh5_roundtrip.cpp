// Our encoder, at both levels, followed by our decoder: every input comes
// back byte for byte.
#include <string.h>

#include "decode_record.h"
#include "lh5_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (64u << 10))
        return 0;
    for (Lh5Level level : {Lh5Level::kFast, Lh5Level::kBest}) {
        std::vector<uint8_t> stream = Lh5Encode(data, size, level);
        size_t position = 0;
        int ok = DecodeRecord(stream.data(), (uint32_t)stream.size(), (int32_t)size, (int32_t)size,
                              [&](const uint8_t *chunk, uint32_t count) {
                                  if (memcmp(chunk, data + position, count) != 0)
                                      abort();
                                  position += count;
                              });
        if (!ok || position != size)
            abort();
    }
    return 0;
}
