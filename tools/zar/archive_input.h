// Loading the archive a zar command works on: a raw payload archive, or a
// built setup executable (PE32 or PE32+) that carries the archive as its
// "ZAR" resource 119.
#ifndef TOOLS_ZAR_ARCHIVE_INPUT_H
#define TOOLS_ZAR_ARCHIVE_INPUT_H

#include <cstdint>
#include <string>
#include <vector>

struct ArchiveInput {
    std::vector<uint8_t> file;   // the whole file
    uint32_t offset = 0;         // first archive byte within file
    uint32_t size = 0;           // archive bytes
    bool fromExecutable = false;

    const uint8_t *data() const { return file.data() + offset; }
};

// Reads path and locates the archive in it. On failure returns false and sets
// error to a one-line reason (without the "zar:" prefix).
bool LoadArchive(const std::string &path, ArchiveInput &input, std::string &error);

// Reads a whole file. On failure returns false and sets error.
bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, std::string &error);

#endif
