#include "archive_walk.h"

#include <cstdio>

#include "text_out.h"

WalkResult WalkArchive(const uint8_t *archive, uint32_t size,
                       const std::function<bool(uint32_t, uint32_t, const PayloadRecord &)> &visit)
{
    WalkResult result;
    uint32_t offset = 0;
    for (;;) {
        PayloadRecord record;
        int32_t status = PayloadReadRecord(archive, offset, size, &record);
        result.offset = offset;
        if (status == 0) {
            result.outcome = WalkResult::Ended;
            result.trailing = size - offset;
            return result;
        }
        if (status < 0) {
            result.outcome = WalkResult::Invalid;
            result.reason = DescribeInvalidRecord(archive, offset, size);
            return result;
        }
        result.records++;
        if (!visit(result.records, offset, record)) {
            result.outcome = WalkResult::Stopped;
            return result;
        }
        if (record.next <= offset) {
            // Cannot happen for a record the reader accepts (its header is at
            // least 22 bytes), but a walk must never go round in circles.
            result.outcome = WalkResult::Invalid;
            result.reason = "the next record would not follow this one";
            return result;
        }
        offset = record.next;
    }
}

std::string DescribeInvalidRecord(const uint8_t *archive, uint32_t offset, uint32_t size)
{
    const uint8_t *p = archive + offset;
    if (PayloadReadU32(p) != kPayloadMagic)
        return "bad magic (not \"zar\\n\")";
    uint32_t headerSize = PayloadReadU32(p + 4);
    if (headerSize < kPayloadMinHeader)
        return "header size " + std::to_string(headerSize) + " is too small";
    if (offset + static_cast<uint64_t>(headerSize) >= size)
        return "header (" + std::to_string(headerSize) + " bytes) runs to or past the end of the archive";
    if (p[kPayloadFixedHeader] == 0)
        return "empty name";
    bool terminated = false;
    for (uint32_t i = kPayloadFixedHeader; i < headerSize && !terminated; i++)
        terminated = p[i] == 0;
    if (!terminated)
        return "name is not terminated within its header";
    uint32_t packedSize = PayloadReadU32(p + 12);
    if (offset + static_cast<uint64_t>(headerSize) + packedSize > size)
        return "data (" + std::to_string(packedSize) + " bytes) runs past the end of the archive";
    return "rejected by the record reader";
}

bool ReportWalkFailure(const std::string &file, const WalkResult &walk, const std::string &failure)
{
    if (walk.outcome == WalkResult::Stopped) {
        ReportError(file + ": " + failure);
        return true;
    }
    if (walk.outcome == WalkResult::Invalid) {
        ReportError(file + ": invalid record " + std::to_string(walk.records + 1) + " at offset " +
                    std::to_string(walk.offset) + ": " + walk.reason);
        return true;
    }
    return false;
}

void NoteTrailingBytes(const std::string &file, const WalkResult &walk)
{
    if (walk.trailing > 0)
        std::fprintf(stderr, "zar: %s: note: %u byte(s) after the last record are ignored\n", file.c_str(),
                     walk.trailing);
}
