// zar list: one line per record (method, packed size, unpacked size, name).
#include "archive_input.h"
#include "archive_walk.h"
#include "text_out.h"
#include "zar_commands.h"

#include <cstdio>

namespace {

std::string MethodText(uint32_t method)
{
    if (method == kPayloadMethodLh5)
        return "lh5";
    if (method == kPayloadMethodStored)
        return "stored";
    return "stored(" + std::to_string(method) + ")";
}

}   // namespace

int ZarList(const std::string &file)
{
    ArchiveInput input;
    std::string error;
    if (!LoadArchive(file, input, error)) {
        ReportError(error);
        return 1;
    }
    WalkResult walk =
        WalkArchive(input.data(), input.size, [](uint32_t, uint32_t, const PayloadRecord &record) {
            std::printf("%-10s %10u %10u  %s\n", MethodText(record.method).c_str(), record.packedSize,
                        record.unpackedSize, PrintableName(record.name).c_str());
            return true;
        });
    std::fflush(stdout);
    if (ReportWalkFailure(file, walk, std::string()))
        return 1;
    NoteTrailingBytes(file, walk);
    return 0;
}
