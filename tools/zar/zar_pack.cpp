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
#include <unistd.h>

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
    auto fail = [&](const std::string &message) {
        ReportError(message);
        std::fclose(out);
        std::remove(partial.c_str());
        return 1;
    };

    PackStats stats;
    PackSink sink = [&](const uint8_t *bytes, size_t count, std::string &writeError) {
        if (std::fwrite(bytes, 1, count, out) != count) {
            writeError = "cannot write '" + partial + "': " + std::strerror(errno);
            return false;
        }
        return true;
    };
    if (!EncodePackRecords(options, entries, sink, stats, error))
        return fail(error);
    if (std::fflush(out) != 0 || fsync(fileno(out)) != 0)
        return fail("cannot write '" + partial + "': " + std::strerror(errno));
    if (std::fclose(out) != 0) {
        ReportError("cannot write '" + partial + "': " + std::strerror(errno));
        std::remove(partial.c_str());
        return 1;
    }
    if (std::rename(partial.c_str(), options.output.c_str()) != 0) {
        ReportError("cannot create '" + options.output + "': " + std::strerror(errno));
        std::remove(partial.c_str());
        return 1;
    }
    std::printf("%s: %zu files (%u lh5, %u stored), %llu bytes in, %llu bytes out (%s)\n",
                options.output.c_str(), entries.size(), stats.compressed, stats.stored,
                static_cast<unsigned long long>(stats.bytesIn), static_cast<unsigned long long>(stats.bytesOut),
                PackPercent(stats.bytesOut, stats.bytesIn).c_str());
    return 0;
}
