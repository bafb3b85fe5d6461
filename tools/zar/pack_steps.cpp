#include "pack_steps.h"

#include "lh5_encoder.h"
#include "pack_encode.h"
#include "pack_open.h"
#include "record_data.h"
#include "safe_name.h"
#include "text_out.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void PutU32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// True when the lh5 stream decodes to exactly the original bytes.
bool DecodesBack(const std::vector<uint8_t> &packed, const std::vector<uint8_t> &original)
{
    PayloadRecord record{};
    record.method = kPayloadMethodLh5;
    record.packedSize = static_cast<uint32_t>(packed.size());
    record.unpackedSize = static_cast<uint32_t>(original.size());
    record.data = packed.data();
    size_t position = 0;
    std::string error;
    bool ok = ProduceRecordData(
        record,
        [&](const uint8_t *bytes, uint32_t count, std::string &) {
            if (count > original.size() - position ||
                std::memcmp(bytes, original.data() + position, count) != 0)
                return false;
            position += count;
            return true;
        },
        error);
    return ok && position == original.size();
}

std::string RealDirectory(const std::string &path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return "";
    return resolved;
}

}   // namespace

bool CollectPackEntries(const PackOptions &options, std::vector<PackEntry> &entries)
{
    std::vector<std::string> notes;
    std::string error;
    if (!ScanPackTree(options.directory, entries, notes, error)) {
        ReportError(error);
        return false;
    }
    for (const std::string &note : notes)
        std::fprintf(stderr, "zar: note: %s\n", note.c_str());
    if (!OrderPackEntries(entries, options.first, error)) {
        ReportError(error);
        return false;
    }

    // Refuse everything the setup program could not install, all at once.
    int refused = 0;
    for (const PackEntry &entry : entries) {
        std::string reason = PackNameReason(entry.name, options.dirLength);
        if (reason.empty() && entry.size > 0xFFFFFFFFull)
            reason = "larger than 4 GiB - 1 bytes";
        if (!reason.empty()) {
            ReportError("refusing '" + PrintableName(entry.name) + "': " + reason);
            refused++;
        }
    }
    std::string conflict = FindCaseConflict(entries);
    if (!conflict.empty()) {
        ReportError("refusing " + conflict);
        refused++;
    }
    if (refused > 0) {
        ReportError(std::to_string(refused) + " problem(s) found; nothing written");
        return false;
    }
    return true;
}

bool OutputInsideFolder(const std::string &output, const std::string &folder)
{
    std::string parent = ".";
    std::string::size_type slash = output.rfind('/');
    if (slash != std::string::npos)
        parent = slash == 0 ? "/" : output.substr(0, slash);
    std::string realParent = RealDirectory(parent);
    std::string realFolder = RealDirectory(folder);
    if (realParent.empty() || realFolder.empty())
        return false;
    if (realFolder == "/")
        return true;
    return realParent == realFolder || realParent.compare(0, realFolder.size() + 1, realFolder + "/") == 0;
}

bool EncodePackRecords(const PackOptions &options, const std::vector<PackEntry> &entries,
                       const PackSink &sink, PackStats &stats, std::string &error)
{
    auto fail = [&](const std::string &message) {
        if (options.progress)
            std::fprintf(stderr, "\n");
        error = message;
        return false;
    };
    // Files are read and compressed ahead on worker threads; records are
    // checked and handed on here, in order.
    PackEncoder encoder(
        entries, options.level, options.threads > 0 ? options.threads : DefaultPackThreads(),
        [&options](const PackEntry &entry, std::vector<uint8_t> &content, std::string &readError) {
            return ReadPackEntry(options.directory, entry, content, readError);
        });
    stats = PackStats();
    for (size_t i = 0; i < entries.size(); i++) {
        const PackEntry &entry = entries[i];
        if (options.progress)
            std::fprintf(stderr, "\r\x1b[K[%zu/%zu] %s", i + 1, entries.size(),
                         PrintableName(entry.name).c_str());
        std::vector<uint8_t> content, packed;
        if (!encoder.Next(content, packed, error))
            return fail(error);
        const uint64_t fileSize = content.size();
        bool useLh5 = !content.empty() && packed.size() < content.size();
        if (useLh5 && !DecodesBack(packed, content))
            return fail("internal error: the lh5 stream made for '" + PrintableName(entry.name) +
                        "' does not decode to the file; nothing written");
        std::vector<uint8_t> &data = useLh5 ? packed : content;
        // A record whose header ends exactly at the end of the archive is
        // invalid to the setup program, so an empty file cannot be the last
        // record as it stands. It gets one data byte that is not part of the
        // file: a stored record writes unpackedSize (0) bytes of its data.
        if (data.empty() && i + 1 == entries.size())
            data.push_back(0);

        std::vector<uint8_t> header;
        PutU32(header, kPayloadMagic);
        PutU32(header, static_cast<uint32_t>(kPayloadFixedHeader + entry.name.size() + 1));
        PutU32(header, useLh5 ? kPayloadMethodLh5 : kPayloadMethodStored);
        PutU32(header, static_cast<uint32_t>(data.size()));
        PutU32(header, static_cast<uint32_t>(fileSize));
        header.insert(header.end(), entry.name.begin(), entry.name.end());
        header.push_back(0);

        stats.bytesOut += header.size() + data.size();
        if (stats.bytesOut > 0xFFFFFFFFull)
            return fail("the archive would exceed 4 GiB - 1 bytes at '" + PrintableName(entry.name) + "'");
        if (!sink(header.data(), header.size(), error) ||
            (!data.empty() && !sink(data.data(), data.size(), error)))
            return fail(error);
        stats.bytesIn += fileSize;
        (useLh5 ? stats.compressed : stats.stored)++;
    }
    if (options.progress)
        std::fprintf(stderr, "\r\x1b[K");
    return true;
}

std::string PackPercent(uint64_t part, uint64_t whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%",
                  whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 100.0);
    return text;
}
