// Test helpers on the real file system: a fresh folder below the temp
// directory for each test, and small file operations.
#ifndef TESTS_EXTRACT_SCRATCH_DIR_H
#define TESTS_EXTRACT_SCRATCH_DIR_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A new, empty folder below GetTempPathA, named after tag; removed with
// everything in it when the object goes (read-only files included).
class ScratchDir {
public:
    explicit ScratchDir(const std::string &tag);
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    // Full path without a final backslash.
    const std::string &path() const { return path_; }
    // path() + "\\" + relative.
    std::string at(const std::string &relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

bool WriteWholeFile(const std::string &path, const std::vector<uint8_t> &bytes);
bool WriteTextFile(const std::string &path, const std::string &text);
// Creates every folder of relative below root, then the file (empty text by default).
bool MakeFile(const std::string &root, const std::string &relative, const std::string &text = "x");
bool MakeFolders(const std::string &root, const std::string &relative);
std::vector<uint8_t> ReadWholeFile(const std::string &path);
bool FileExists(const std::string &path);
bool FolderExists(const std::string &path);
std::string CurrentDirectory();
// Names in a folder, without "." and "..", sorted.
std::vector<std::string> ListFolder(const std::string &path);
// Removes a tree; never enters reparse points, clears read-only attributes.
void RemoveTree(const std::string &path);
// Bytes that differ from position to position, so that a piece written at the
// wrong place or twice shows up in the content.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

#endif
