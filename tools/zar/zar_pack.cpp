// zar pack: every regular file below a folder into a payload archive. Each
// file is lh5-compressed unless that would not make it smaller, in which
// case it is stored. Every compressed record is decoded again with the setup
// program's decoder before it is written, so an archive that zar pack
// finishes is one the setup program can install.
#include "pack_open.h"
#include "pack_steps.h"
#include "text_out.h"
#include "zar_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

// Writes the packed records to the open output, naming partial in a write
// error.
static PackSink FileSink(FILE *out, const std::string &partial)
{
    return [out, &partial](const uint8_t *bytes, size_t count, std::string &writeError) {
        if (std::fwrite(bytes, 1, count, out) != count) {
            writeError = "cannot write '" + partial + "': " + std::strerror(errno);
            return false;
        }
        return true;
    };
}

static void PrintPackSummary(const PackOptions &options, size_t files, const PackStats &stats)
{
    std::printf(
        "%s: %zu files (%u lh5, %u stored), %llu bytes in, %llu bytes out (%s)\n", options.output.c_str(),
        files, stats.compressed, stats.stored, static_cast<unsigned long long>(stats.bytesIn),
        static_cast<unsigned long long>(stats.bytesOut), PackPercent(stats.bytesOut, stats.bytesIn).c_str());
}

int ZarPack(const PackOptions &options)
{
    std::vector<PackEntry> entries;
    if (!CollectPackEntries(options, entries))
        return 1;
    if (OutputInsideFolder(options.output, options.directory)) {
        ReportError("the output '" + options.output + "' lies inside the folder being packed");
        return 1;
    }

    std::string partial, error;
    FILE *out = CreatePackOutput(options.output, partial, error);
    if (!out) {
        ReportError(error);
        return 1;
    }
    PackStats stats;
    if (!EncodePackRecords(options, entries, FileSink(out, partial), stats, error)) {
        DiscardPackOutput(out, partial);
        ReportError(error);
        return 1;
    }
    if (!CommitPackOutput(out, partial, options.output, error)) {
        ReportError(error);
        return 1;
    }
    PrintPackSummary(options, entries.size(), stats);
    return 0;
}
