// The lh5 decoder on raw streams of any content and any declared size.
// Input: 2 bytes of output size (up to 64 KiB: eight chunks), then the stream.
#include "decode_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    int32_t unpacked = (int32_t)(data[0] | (data[1] << 8));
    DecodeRecord(data + 2, (uint32_t)(size - 2), unpacked, 1 << 16, [](const uint8_t *, uint32_t) {});
    return 0;
}
