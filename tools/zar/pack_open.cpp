#include "pack_open.h"

#include "descriptor.h"
#include "safe_name.h"
#include "text_out.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadPackEntry(const std::string &directory, const PackEntry &entry, std::vector<uint8_t> &bytes,
                   std::string &error)
{
    bytes.clear();
    const std::string shown = "'" + PrintableName(entry.path) + "'";
    // The packed folder itself is taken as given, as the scan took it.
    Descriptor folder(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0) {
        error = "cannot open '" + directory + "': " + std::strerror(errno);
        return false;
    }
    std::vector<std::string> parts = SplitName(entry.name);
    for (size_t i = 0; i + 1 < parts.size(); i++) {
        int next = openat(folder.fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                error = "refusing " + shown + ": its folder '" + PrintableName(parts[i]) +
                        "' has become a symbolic link or a file since the scan";
            else
                error = "cannot open " + shown + ": " + std::strerror(errno);
            return false;
        }
        folder.Reset(next);
    }
    Descriptor file(
        openat(folder.fd, parts.back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.fd < 0) {
        if (errno == ELOOP)
            error = "refusing " + shown + ": it has become a symbolic link since the scan";
        else if (errno == ENXIO)
            error = "refusing " + shown + ": it has become a socket or a device since the scan";
        else
            error = "cannot open " + shown + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(file.fd, &st) != 0) {
        error = "cannot read " + shown + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "refusing " + shown + ": it is no longer a regular file (" +
                (S_ISFIFO(st.st_mode)  ? "a FIFO"
                 : S_ISDIR(st.st_mode) ? "a folder"
                                       : "a special file") +
                " since the scan)";
        return false;
    }
    if (st.st_dev != entry.device || st.st_ino != entry.inode) {
        error = "refusing " + shown + ": it has been replaced by another file since the scan";
        return false;
    }
    if (entry.size > 0xFFFFFFFFull) {
        error = "refusing " + shown + ": larger than 4 GiB - 1 bytes";
        return false;
    }
    // At most the scanned size and one byte more: a file that has grown
    // since the scan is found by that byte, not read in full (another user
    // could grow it to any size while several files are read at once).
    bytes.resize(static_cast<size_t>(entry.size) + 1);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = read(file.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            bytes.clear();
            error = "cannot read " + shown + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    if (done != entry.size) {
        bytes.clear();
        error = "refusing " + shown + ": changed while packing (" + std::to_string(entry.size) +
                " bytes at the scan, " + (done > entry.size ? "more" : std::to_string(done)) + " when read)";
        return false;
    }
    bytes.resize(done);
    return true;
}

FILE *CreatePackOutput(const std::string &output, std::string &partial, std::string &error)
{
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        partial = output + ".partial" + (attempt ? "." + std::to_string(attempt) : std::string());
        fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            error = "cannot create '" + partial + "': " + std::strerror(errno);
            return nullptr;
        }
    }
    if (fd < 0) {
        error = "cannot create '" + output + ".partial': that name and its 99 numbered variants are taken";
        return nullptr;
    }
    FILE *out = fdopen(fd, "wb");
    if (!out) {
        error = "cannot create '" + partial + "': " + std::strerror(errno);
        close(fd);
        unlink(partial.c_str());
        return nullptr;
    }
    return out;
}

bool CommitPackOutput(FILE *out, const std::string &partial, const std::string &output, std::string &error)
{
    if (std::fflush(out) != 0 || fsync(fileno(out)) != 0) {
        error = "cannot write '" + partial + "': " + std::strerror(errno);
        DiscardPackOutput(out, partial);
        return false;
    }
    if (std::fclose(out) != 0) {
        error = "cannot write '" + partial + "': " + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        error = "cannot create '" + output + "': " + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

void DiscardPackOutput(FILE *out, const std::string &partial)
{
    std::fclose(out);
    std::remove(partial.c_str());
}
