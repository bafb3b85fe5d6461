// Decoder speed on the lh5 records of a payload archive, as the setup
// program decodes them (8 KiB chunks), built for whichever width the preset
// targets: natively it also times liblhasa's decoder on the very same
// streams, under Wine (win32, win64) it times ours alone, so that a script
// can set each width's figure against lhasa's native one.
//   decode_speed ARCHIVE [ROUNDS]
// Prints: bytes, our MB/s, and lhasa's MB/s and the ratio when built with it;
// the fastest of ROUNDS (default 7) passes over all records. Exits 1 when a
// record fails to decode or the two decoders disagree.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_decoders.h"
#include "payload_record.h"

namespace {

struct Stream {
    std::vector<uint8_t> data;
    size_t size;
};

// The setup program's decoding (Lh5DecodeRecord, 8 KiB chunks).
bool DecodeInChunks(const Stream &s, std::vector<uint8_t> *out)
{
    return DecodeOurs(s.data, s.size, out);
}

template <class Decode>
double BestSeconds(const std::vector<Stream> &streams, int rounds, Decode decode, bool *ok)
{
    double best = 1e30;
    std::vector<uint8_t> out;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (const Stream &s : streams)
            *ok = decode(s, &out) && *ok;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best)
            best = took.count();
    }
    return best;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_speed ARCHIVE [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    std::FILE *f = std::fopen(argv[1], "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    std::vector<uint8_t> archive;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        archive.insert(archive.end(), buffer, buffer + n);
    std::fclose(f);

    std::vector<Stream> streams;
    size_t bytes = 0;
    PayloadRecord record;
    for (uint32_t offset = 0;
         PayloadReadRecord(archive.data(), offset, static_cast<uint32_t>(archive.size()), &record) == 1;
         offset = record.next) {
        if (record.method != kPayloadMethodLh5)
            continue;
        streams.push_back(
            {std::vector<uint8_t>(record.data, record.data + record.packedSize), record.unpackedSize});
        bytes += record.unpackedSize;
    }
    if (streams.empty()) {
        std::fprintf(stderr, "%s: no lh5 records\n", argv[1]);
        return 2;
    }

    bool ok = true;
    const double ours = BestSeconds(streams, rounds, DecodeInChunks, &ok);
    std::printf("bytes %zu ours_mbps %.1f", bytes, bytes / ours / 1e6);
#ifdef BENCH_WITH_LHASA
    const double lhasa = BestSeconds(
        streams, rounds,
        [](const Stream &s, std::vector<uint8_t> *out) { return DecodeLhasa(s.data, s.size, out); }, &ok);
    std::vector<uint8_t> a, b;
    for (const Stream &s : streams) {
        if (!DecodeInChunks(s, &a) || !DecodeLhasa(s.data, s.size, &b) || a != b)
            ok = false;
    }
    std::printf(" lhasa_mbps %.1f speedup %.2f", bytes / lhasa / 1e6, lhasa / ours);
#endif
    std::printf("\n");
    if (!ok) {
        std::fprintf(stderr, "a record failed to decode or the decoders disagree\n");
        return 1;
    }
    return 0;
}
