// zar test: decodes every record without writing anything, and fails on any
// record the setup program would refuse to write.
#include "archive_input.h"
#include "archive_walk.h"
#include "record_data.h"
#include "safe_name.h"
#include "text_out.h"
#include "zar_commands.h"

#include <cstdio>

int ZarTest(const std::string &file)
{
    ArchiveInput input;
    std::string error;
    if (!LoadArchive(file, input, error)) {
        ReportError(error);
        return 1;
    }
    uint64_t total = 0;
    std::string failure;
    WalkResult walk = WalkArchive(
        input.data(), input.size, [&](uint32_t index, uint32_t offset, const PayloadRecord &record) {
            std::string unsafe = WritableNameReason(record.name);
            if (!unsafe.empty()) {
                failure = RecordLabel(index, record.name, offset) + ": unsafe name: " + unsafe;
                return false;
            }
            uint64_t produced = 0;
            std::string dataError;
            bool ok = ProduceRecordData(
                record,
                [&](const uint8_t *, uint32_t count, std::string &) {
                    produced += count;
                    return true;
                },
                dataError);
            if (!ok) {
                failure = RecordLabel(index, record.name, offset) + ": " + dataError;
                return false;
            }
            total += produced;
            return true;
        });
    if (ReportWalkFailure(file, walk, failure))
        return 1;
    // Archives end exactly after their last record; stray bytes there mean
    // the archive was cut inside a record header or has been tampered with.
    if (walk.trailing > 0) {
        ReportError(file + ": " + std::to_string(walk.trailing) + " stray byte(s) at offset " +
                    std::to_string(walk.offset) + " after record " + std::to_string(walk.records) +
                    " (a truncated record header?)");
        return 1;
    }
    std::printf("%s: %u records OK, %llu bytes\n", file.c_str(), walk.records,
                static_cast<unsigned long long>(total));
    return 0;
}
