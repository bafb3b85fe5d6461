#include "lhasa_decode.h"

#include <cstring>

#include <lha_decoder.h>

namespace {

struct Feed {
    const std::vector<uint8_t> *stream;
    size_t offset;
};

size_t ReadCallback(void *buf, size_t length, void *userData)
{
    Feed *feed = static_cast<Feed *>(userData);
    size_t left = feed->stream->size() - feed->offset;
    size_t n = length < left ? length : left;
    if (n > 0)
        std::memcpy(buf, feed->stream->data() + feed->offset, n);
    feed->offset += n;
    return n;
}

}   // namespace

std::vector<uint8_t> LhasaDecode(const std::vector<uint8_t> &stream, size_t size)
{
    Feed feed{&stream, 0};
    char name[] = "-lh5-";
    LHADecoder *decoder = lha_decoder_new(lha_decoder_for_name(name), ReadCallback, &feed, size);
    std::vector<uint8_t> out(size);
    size_t done = 0;
    while (decoder != nullptr && done < size) {
        size_t n = lha_decoder_read(decoder, out.data() + done, size - done);
        if (n == 0)
            break;
        done += n;
    }
    if (decoder != nullptr)
        lha_decoder_free(decoder);
    out.resize(done);
    return out;
}
