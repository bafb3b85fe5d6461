#include "archive_input.h"

#include "pe_resource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, std::string &error)
{
    // Opened without waiting (a FIFO would block the open until a writer
    // came) and without becoming a controlling terminal; the check below
    // then refuses anything but a regular file, which reads normally once
    // the flag is cleared.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "cannot read '" + path + "': it is a directory";
        close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "cannot read '" + path + "': not a regular file";
        close(fd);
        return false;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        close(fd);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > 0xFFFFFFFFull) {
        error = "'" + path + "' is larger than 4 GiB - 1 bytes";
        close(fd);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0) {
            error = "cannot read '" + path + "': it shrank while being read";
            close(fd);
            return false;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    return true;
}

bool LoadArchive(const std::string &path, ArchiveInput &input, std::string &error)
{
    input = ArchiveInput();
    if (!ReadWholeFile(path, input.file, error))
        return false;
    if (input.file.size() >= 2 && input.file[0] == 'M' && input.file[1] == 'Z') {
        PeResourceSpan span;
        std::string peError;
        if (!FindZarResource(input.file.data(), input.file.size(), span, peError)) {
            error = "'" + path + "': " + peError;
            return false;
        }
        input.offset = span.offset;
        input.size = span.size;
        input.fromExecutable = true;
        return true;
    }
    input.offset = 0;
    input.size = static_cast<uint32_t>(input.file.size());
    return true;
}
