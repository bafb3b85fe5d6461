// The zar commands. Each returns the process exit status: 0 on success, 1 on
// failure (after printing a one-line reason on stderr).
#ifndef TOOLS_ZAR_ZAR_COMMANDS_H
#define TOOLS_ZAR_ZAR_COMMANDS_H

#include "lh5_encoder.h"

#include <string>
#include <vector>

int ZarList(const std::string &file);
int ZarTest(const std::string &file);
int ZarExtract(const std::string &file, const std::string &directory, bool into);

struct PackOptions {
    std::string output;
    std::string directory;
    std::vector<std::string> first;   // relative paths packed first, in order
    int dirLength = 27;               // assumed install directory length
    bool progress = false;            // show progress on stderr
    Lh5Level level = Lh5Level::kFast;
    int threads = 0;   // compressing threads; 0: one per processor
};

int ZarPack(const PackOptions &options);

struct SetupOptions {
    std::string output;
    std::string productIni;
    std::string directory;
    std::string icon;   // "": the stub's own icon
    std::string stub;   // "": found beside zar (stub_locate.h)
    bool win64 = false;
    bool progress = false;
    Lh5Level level = Lh5Level::kBest;
    int threads = 0;
};

int ZarSetup(const SetupOptions &options);

#endif
