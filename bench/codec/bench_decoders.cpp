#include "bench_decoders.h"

#include <cstring>

#include <lha_decoder.h>

#include "lh5_decoder.h"

bool DecodeOurs(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out) {
    out->resize(size);
    Lh5Decoder.input = stream.data();
    Lh5Decoder.inputLimit = static_cast<uint32_t>(stream.size());
    Lh5Decoder.error = 0;
    Lh5Start();
    for (size_t done = 0; done < size; done += kLh5WindowSize) {
        const size_t window = kLh5WindowSize;
        const uint32_t chunk = static_cast<uint32_t>(size - done < window ? size - done : window);
        Lh5DecodeChunk(chunk, Lh5Decoder.window);
        if (Lh5Decoder.error != 0) return false;
        std::memcpy(out->data() + done, Lh5Decoder.window, chunk);
    }
    return true;
}

namespace {

struct Feed {
    const std::vector<uint8_t> *stream;
    size_t offset;
};

size_t ReadStream(void *buf, size_t length, void *userData) {
    Feed *feed = static_cast<Feed *>(userData);
    const size_t left = feed->stream->size() - feed->offset;
    const size_t n = length < left ? length : left;
    if (n > 0) std::memcpy(buf, feed->stream->data() + feed->offset, n);
    feed->offset += n;
    return n;
}

}  // namespace

bool DecodeLhasa(const std::vector<uint8_t> &stream, size_t size, std::vector<uint8_t> *out) {
    out->resize(size);
    Feed feed{&stream, 0};
    char name[] = "-lh5-";
    LHADecoder *decoder = lha_decoder_new(lha_decoder_for_name(name), ReadStream, &feed, size);
    if (decoder == nullptr) return false;
    size_t done = 0;
    while (done < size) {
        const size_t n = lha_decoder_read(decoder, out->data() + done, size - done);
        if (n == 0) break;
        done += n;
    }
    lha_decoder_free(decoder);
    return done == size;
}
