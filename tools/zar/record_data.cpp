#include "record_data.h"

#include "lh5_decoder.h"

namespace {

// What the decoder's chunk sink needs to reach the caller's sink.
struct SinkCall {
    const RecordSink *sink;
    std::string *sinkError;
    uint32_t produced;
};

int32_t PassChunk(void *context, const uint8_t *bytes, uint32_t count)
{
    SinkCall *call = static_cast<SinkCall *>(context);
    if (!(*call->sink)(bytes, count, *call->sinkError))
        return 0;
    call->produced += count;
    return 1;
}

}   // namespace

uint32_t RecordFileSize(const PayloadRecord &record)
{
    if (record.method == kPayloadMethodLh5) {
        int32_t size = static_cast<int32_t>(record.unpackedSize);
        return size > 0 ? static_cast<uint32_t>(size) : 0;
    }
    return record.unpackedSize;
}

bool ProduceRecordData(const PayloadRecord &record, const RecordSink &sink, std::string &error)
{
    std::string sinkError;
    if (record.method != kPayloadMethodLh5) {
        // The setup program writes unpackedSize bytes from the data start; a
        // record claiming more than it holds would have it read beyond the
        // record, so it is damage, not a file.
        if (record.unpackedSize > record.packedSize) {
            error = "stored record claims " + std::to_string(record.unpackedSize) + " bytes but holds only " +
                    std::to_string(record.packedSize);
            return false;
        }
        if (!sink(record.data, record.unpackedSize, sinkError)) {
            error = sinkError;
            return false;
        }
        return true;
    }

    // The decoding itself is the setup program's: the same routine, the same
    // chunks; only what happens to each chunk differs.
    SinkCall call{&sink, &sinkError, 0};
    int32_t decoded = Lh5DecodeRecord(record.data, record.packedSize,
                                      static_cast<int32_t>(record.unpackedSize), PassChunk, &call);
    if (decoded == 0) {
        uint32_t left = RecordFileSize(record) - call.produced;
        uint32_t chunk = left < kLh5WindowSize ? left : static_cast<uint32_t>(kLh5WindowSize);
        error = "lh5 data damaged (decoding failed within output bytes " + std::to_string(call.produced) +
                ".." + std::to_string(call.produced + chunk - 1) + ")";
        return false;
    }
    if (decoded < 0) {
        error = sinkError;
        return false;
    }
    return true;
}
