// Walking a payload archive record by record with the setup program's own
// record reader, and explaining why a record is invalid.
#ifndef TOOLS_ZAR_ARCHIVE_WALK_H
#define TOOLS_ZAR_ARCHIVE_WALK_H

#include "payload_record.h"

#include <cstdint>
#include <functional>
#include <string>

struct WalkResult {
    enum Outcome {
        Ended,     // the end rule: fewer than 21 bytes after the last record
        Invalid,   // an invalid record stopped the walk
        Stopped    // the visitor asked to stop
    } outcome = Ended;
    uint32_t records = 0;    // valid records visited
    uint32_t offset = 0;     // where the walk stopped (end, invalid record)
    uint32_t trailing = 0;   // bytes after the last record (outcome Ended)
    std::string reason;      // why the record at offset is invalid
};

// Calls visit(index, offset, record) for each valid record in order (index
// from 1); visit returns false to stop the walk.
WalkResult WalkArchive(const uint8_t *archive, uint32_t size,
                       const std::function<bool(uint32_t, uint32_t, const PayloadRecord &)> &visit);

// Reports on stderr why a walk over file did not end cleanly: the visitor's
// failure for a stopped walk, or the invalid record. Returns true when it
// reported something (the command then fails).
bool ReportWalkFailure(const std::string &file, const WalkResult &walk, const std::string &failure);

// Notes on stderr the bytes after the last record, which the installer
// ignores.
void NoteTrailingBytes(const std::string &file, const WalkResult &walk);

// The reason the record at offset is invalid, in words.
std::string DescribeInvalidRecord(const uint8_t *archive, uint32_t offset, uint32_t size);

#endif
