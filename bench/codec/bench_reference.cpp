#include "bench_reference.h"

#include <cstdio>
#include <cstdlib>

#include <lha_file_header.h>
#include <lha_input_stream.h>
#include <lha_reader.h>

namespace {

// Paths go to the shell in single quotes.
std::string Quote(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

long CommandOutputNumber(const std::string &command)
{
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    long value = -1;
    if (std::fscanf(pipe, "%ld", &value) != 1)
        value = -1;
    return pclose(pipe) == 0 ? value : -1;
}

}   // namespace

long GzipSize(const std::string &path)
{
    return CommandOutputNumber("gzip -9 -c " + Quote(path) + " 2>/dev/null | wc -c");
}

long ClassicLh5Size(const std::string &path, const std::string &scratch, std::string *method)
{
    if (std::system("command -v jlha >/dev/null 2>&1") != 0)
        return -1;
    std::remove(scratch.c_str());
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string command =
        "cd " + Quote(dir) + " && jlha co5q " + Quote(scratch) + " " + Quote(name) + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return -1;

    long size = -1;
    LHAInputStream *stream = lha_input_stream_from(const_cast<char *>(scratch.c_str()));
    if (stream != nullptr) {
        LHAReader *reader = lha_reader_new(stream);
        LHAFileHeader *header = reader != nullptr ? lha_reader_next_file(reader) : nullptr;
        if (header != nullptr) {
            size = static_cast<long>(header->compressed_length);
            *method = std::string(header->compress_method, 5);
        }
        if (reader != nullptr)
            lha_reader_free(reader);
        lha_input_stream_free(stream);
    }
    std::remove(scratch.c_str());
    return size;
}
