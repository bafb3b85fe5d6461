// Shared helpers of the zar and samplegen tests: scratch folders, files,
// running the tools, and hand-made archive records.
#ifndef TESTS_ZAR_ZAR_TEST_SUPPORT_H
#define TESTS_ZAR_ZAR_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

// A scratch folder, removed with everything in it at the end of the test.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string operator/(const std::string &relative) const { return path + "/" + relative; }
};

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);  // makes parent folders
void WriteText(const std::string &path, const std::string &text);
std::vector<uint8_t> ReadBytes(const std::string &path);
bool Exists(const std::string &path);
// Every file below root as relative paths with '/', sorted.
std::vector<std::string> ListTree(const std::string &root);

// Deterministic test data.
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);
std::vector<uint8_t> TextBytes(size_t size, uint32_t seed);   // compressible

struct RunResult {
    int exitCode = -1;      // -1 when the program did not exit normally
    int signal = 0;         // the signal that ended it, if any
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell), capturing both output streams.
RunResult RunProgram(const std::string &program, const std::vector<std::string> &args);
RunResult Zar(const std::vector<std::string> &args);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string &text);

// One record made by hand, fields as given.
struct RawRecord {
    std::string name;
    uint32_t method = 0;
    std::vector<uint8_t> data;
    uint32_t unpackedSize = 0;
};
std::vector<uint8_t> BuildArchive(const std::vector<RawRecord> &records);
RawRecord StoredRecord(const std::string &name, const std::string &content);

#endif
