// zar extract: writes every record below a directory it makes (or one the
// user names with --into). A name the setup
// program would refuse is refused here too, and every path is opened relative to the
// directory handle one component at a time without following symbolic
// links, so nothing is ever written outside the directory.
#include "archive_input.h"
#include "archive_walk.h"
#include "descriptor.h"
#include "record_data.h"
#include "safe_name.h"
#include "text_out.h"
#include "zar_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const uint8_t *bytes, uint32_t count, std::string &error)
{
    while (count > 0) {
        ssize_t done = write(fd, bytes, count);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            error = std::string("write failed: ") + (done < 0 ? std::strerror(errno) : "nothing written");
            return false;
        }
        bytes += done;
        count -= static_cast<uint32_t>(done);
    }
    return true;
}

// Writes one record below the directory open as root. On failure the
// record's partial file is removed and error says why.
bool ExtractRecord(int root, const PayloadRecord &record, std::string &error)
{
    std::string name = record.name;
    std::string unsafe = WritableNameReason(name);
    if (!unsafe.empty()) {
        error = "unsafe name: " + unsafe;
        return false;
    }
    std::vector<std::string> parts = SplitName(name);
    Descriptor folder(dup(root));
    if (folder.fd < 0) {
        error = std::string("cannot use the target directory: ") + std::strerror(errno);
        return false;
    }
    for (size_t i = 0; i + 1 < parts.size(); i++) {
        const std::string &part = parts[i];
        if (mkdirat(folder.fd, part.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot create folder '" + PrintableName(part) + "': " + std::strerror(errno);
            return false;
        }
        int next = openat(folder.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                error = "folder '" + PrintableName(part) +
                        "' is a symbolic link or not a folder; refusing to follow it";
            else
                error = "cannot open folder '" + PrintableName(part) + "': " + std::strerror(errno);
            return false;
        }
        folder.Reset(next);
    }
    const std::string &leaf = parts.back();
    // Replace rather than write through whatever sits at the leaf (a link to
    // a file elsewhere must not be truncated).
    if (unlinkat(folder.fd, leaf.c_str(), 0) != 0 && errno != ENOENT) {
        error = "cannot replace '" + PrintableName(leaf) + "': " + std::strerror(errno);
        return false;
    }
    Descriptor file(
        openat(folder.fd, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.fd < 0) {
        error = "cannot create file: " + std::string(std::strerror(errno));
        return false;
    }
    std::string dataError;
    bool ok = ProduceRecordData(
        record,
        [&](const uint8_t *bytes, uint32_t count, std::string &sinkError) {
            return WriteAll(file.fd, bytes, count, sinkError);
        },
        dataError);
    int closed = close(file.fd);
    file.fd = -1;
    if (ok && closed != 0) {
        dataError = std::string("closing the file failed: ") + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlinkat(folder.fd, leaf.c_str(), 0);
        error = dataError + " (partial file removed)";
        return false;
    }
    return true;
}

// Why the folder open as folder may not take an extraction of its own:
// another user's folder, or one holding anything (a link planted in a shared
// folder where the target was to be made, files that the extraction would
// mix with its own). Empty when it is an empty folder of the user running
// zar.
std::string UnfitTargetReason(int folder)
{
    struct stat st;
    if (fstat(folder, &st) != 0)
        return std::strerror(errno);
    if (st.st_uid != geteuid())
        return "it belongs to another user";
    Descriptor listing(dup(folder));
    DIR *dir = listing.fd < 0 ? nullptr : fdopendir(listing.fd);
    if (dir == nullptr)
        return std::strerror(errno);
    listing.fd = -1;   // the listing owns it now
    bool empty = true;
    while (const dirent *entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            empty = false;
    closedir(dir);
    return empty ? "" : "it is not empty";
}

}   // namespace

int ZarExtract(const std::string &file, const std::string &directory, bool into)
{
    ArchiveInput input;
    std::string error;
    if (!LoadArchive(file, input, error)) {
        ReportError(error);
        return 1;
    }
    // The target is made here. One that exists already is taken only when
    // it is an empty folder of the user running zar, itself and not a
    // symbolic link, or when --into says to extract into it as it is.
    if (mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) {
        ReportError("cannot create '" + directory + "': " + std::strerror(errno));
        return 1;
    }
    Descriptor root(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (into ? 0 : O_NOFOLLOW)));
    if (root.fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            ReportError("refusing '" + directory +
                        "': it is a symbolic link or not a folder "
                        "(--into extracts into an existing folder as it is)");
        else
            ReportError("cannot open '" + directory + "': " + std::strerror(errno));
        return 1;
    }
    const std::string unfit = into ? "" : UnfitTargetReason(root.fd);
    if (!unfit.empty()) {
        ReportError("refusing '" + directory + "': it exists and " + unfit +
                    " (--into extracts into an existing folder as it is)");
        return 1;
    }
    std::string failure;
    uint64_t bytes = 0;
    WalkResult walk = WalkArchive(
        input.data(), input.size, [&](uint32_t index, uint32_t offset, const PayloadRecord &record) {
            std::string recordError;
            if (!ExtractRecord(root.fd, record, recordError)) {
                failure = RecordLabel(index, record.name, offset) + ": " + recordError;
                return false;
            }
            bytes += RecordFileSize(record);
            return true;
        });
    if (ReportWalkFailure(file, walk, failure))
        return 1;
    NoteTrailingBytes(file, walk);
    std::printf("%s: extracted %u files, %llu bytes, to %s\n", file.c_str(), walk.records,
                static_cast<unsigned long long>(bytes), directory.c_str());
    return 0;
}
