#include "record_data.h"

#include "lh5_decoder.h"

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
            error = "stored record claims " + std::to_string(record.unpackedSize) +
                    " bytes but holds only " + std::to_string(record.packedSize);
            return false;
        }
        if (!sink(record.data, record.unpackedSize, sinkError)) {
            error = sinkError;
            return false;
        }
        return true;
    }

    Lh5Decoder.input = record.data;
    Lh5Decoder.inputLimit = record.packedSize;
    Lh5Decoder.error = 0;
    Lh5Start();
    int32_t remaining = static_cast<int32_t>(record.unpackedSize);
    uint32_t produced = 0;
    while (remaining > 0) {
        uint32_t chunk = remaining <= kLh5WindowSize ? static_cast<uint32_t>(remaining)
                                                     : static_cast<uint32_t>(kLh5WindowSize);
        Lh5DecodeChunk(chunk, Lh5Decoder.window);
        if (Lh5Decoder.error) {
            error = "lh5 data damaged (decoding failed within output bytes " +
                    std::to_string(produced) + ".." + std::to_string(produced + chunk - 1) + ")";
            return false;
        }
        if (!sink(Lh5Decoder.window, chunk, sinkError)) {
            error = sinkError;
            return false;
        }
        produced += chunk;
        remaining -= static_cast<int32_t>(chunk);
    }
    return true;
}
