// The steps of zar pack, shared by zar pack (which writes the archive to a
// file) and zar setup (which puts it into a setup executable): collecting
// and checking the files, then compressing them into records.
#ifndef TOOLS_ZAR_PACK_STEPS_H
#define TOOLS_ZAR_PACK_STEPS_H

#include "pack_scan.h"
#include "zar_commands.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Scans options.directory, orders the files (options.first first) and
// refuses every name the setup program could not install (all of them are
// reported on stderr, then a count). False when anything was refused or the
// folder could not be scanned; the reasons are already reported.
bool CollectPackEntries(const PackOptions &options, std::vector<PackEntry> &entries);

// True when the output file would land inside the folder being packed,
// where a later run would pack it too.
bool OutputInsideFolder(const std::string &output, const std::string &folder);

// Receives the archive's bytes in order; false with error set to stop.
using PackSink = std::function<bool(const uint8_t *, size_t, std::string &)>;

struct PackStats {
    uint64_t bytesIn = 0;    // file bytes
    uint64_t bytesOut = 0;   // archive bytes
    uint32_t compressed = 0;
    uint32_t stored = 0;
};

// Compresses entries (options.level, options.threads) and hands the archive
// to sink, record by record: the same entries give the same bytes whatever
// the number of threads. Every lh5 record is decoded again before it is
// handed on. Shows progress on stderr when options.progress (the line is
// cleared at the end; on failure a line feed ends it). False with error set
// on failure.
bool EncodePackRecords(const PackOptions &options, const std::vector<PackEntry> &entries,
                       const PackSink &sink, PackStats &stats, std::string &error);

// "12.3%"
std::string PackPercent(uint64_t part, uint64_t whole);

#endif
