// A record's file contents, produced the way the setup program produces
// them: stored records as they stand, lh5 records decoded in chunks of at
// most 8,192 bytes into the decoder's window.
#ifndef TOOLS_ZAR_RECORD_DATA_H
#define TOOLS_ZAR_RECORD_DATA_H

#include "payload_record.h"

#include <cstdint>
#include <functional>
#include <string>

// Receives the next piece of the file; returns false to abandon the record
// (error then names the reason the sink gives back through sinkError).
using RecordSink = std::function<bool(const uint8_t *bytes, uint32_t count, std::string &sinkError)>;

// Feeds the record's contents to sink in order. Returns false with error set
// when the data cannot be produced or the sink fails.
bool ProduceRecordData(const PayloadRecord &record, const RecordSink &sink, std::string &error);

// The size of the file a record yields: an lh5 record reads unpackedSize as
// signed (0 or negative gives an empty file); a stored one as unsigned.
uint32_t RecordFileSize(const PayloadRecord &record);

#endif
