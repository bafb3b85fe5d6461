// Helpers of the zar and samplegen tests on the build machine: scratch
// folders, files and running the tools. Data and archive records come from
// the shared test support.
#ifndef TESTS_ZAR_ZAR_TEST_SUPPORT_H
#define TESTS_ZAR_ZAR_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "test_data.h"

// A scratch folder, removed with everything in it at the end of the test.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string operator/(const std::string &relative) const { return path + "/" + relative; }
};

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);   // makes parent folders
void WriteText(const std::string &path, const std::string &text);
std::vector<uint8_t> ReadBytes(const std::string &path);
bool Exists(const std::string &path);
// Every file below root as relative paths with '/', sorted.
std::vector<std::string> ListTree(const std::string &root);

struct RunResult {
    int exitCode = -1;   // -1 when the program did not exit normally
    int signal = 0;      // the signal that ended it, if any
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell), capturing both output streams.
RunResult RunProgram(const std::string &program, const std::vector<std::string> &args);
RunResult Zar(const std::vector<std::string> &args);

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string &text);

#endif
