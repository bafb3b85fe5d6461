#include "bench_decoders.h"

#include <cstring>

#include "lh5_decoder.h"
#ifdef BENCH_WITH_LHASA
#include "lhasa_decode.h"
#endif

namespace {

struct Output {
    uint8_t *at;
};

int32_t CopyChunk(void *context, const uint8_t *bytes, uint32_t count)
{
    Output *output = static_cast<Output *>(context);
    std::memcpy(output->at, bytes, count);
    output->at += count;
    return 1;
}

}   // namespace

bool DecodeOurs(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out)
{
    out->resize(size);
    Output output{out->data()};
    return Lh5DecodeRecord(stream.data(), static_cast<uint32_t>(stream.size()), static_cast<int32_t>(size),
                           CopyChunk, &output) == 1;
}

#ifdef BENCH_WITH_LHASA
bool DecodeLhasa(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out)
{
    *out = LhasaDecode(stream, size);
    return out->size() == size;
}
#endif
