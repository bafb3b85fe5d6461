// The lh5 decoder on raw streams of any content and any declared size.
// Input: 3 bytes of output size (up to 16 MiB, capped), then the stream.
#include "decode_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    int32_t unpacked = (int32_t)(data[0] | (data[1] << 8) | (data[2] << 16));
    DecodeRecord(data + 3, (uint32_t)(size - 3), unpacked, 1 << 20,
                 [](const uint8_t *, uint32_t) {});
    return 0;
}
