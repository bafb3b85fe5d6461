// Opening what zar pack reads and writes without being led elsewhere: the
// packed folder may change between the scan and the reading of a file (a
// file swapped for a symbolic link, a FIFO or another file), and the folder
// of the output may hold a planted link at the temporary output's name.
#ifndef TOOLS_ZAR_PACK_OPEN_H
#define TOOLS_ZAR_PACK_OPEN_H

#include "pack_scan.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Reads the file of entry, found by ScanPackTree below directory. Each
// folder below directory and the file itself are opened without following
// symbolic links, the file without waiting (a FIFO put there since the scan
// does not block the open), and what is opened must be the regular file the
// scan recorded (same device and inode). Otherwise returns false with error
// naming the file and what it has become.
bool ReadPackEntry(const std::string &directory, const PackEntry &entry, std::vector<uint8_t> &bytes,
                   std::string &error);

// Creates the temporary output for output: a new file beside it, created
// exclusively and without following links. The first name not taken among
// output + ".partial", ".partial.1" ... ".partial.99" is used, so anything
// already there (a file left by an interrupted run, a planted symbolic link,
// even one pointing nowhere) is neither opened nor written, and does not stop
// the pack either. Returns the open stream with partial set to its name, or
// null with error set.
FILE *CreatePackOutput(const std::string &output, std::string &partial, std::string &error);

// Finishes the temporary output out, named partial: flushed to the disk,
// closed, and renamed to output. False with error set, and partial removed,
// when any of that fails; out is closed either way.
bool CommitPackOutput(FILE *out, const std::string &partial, const std::string &output, std::string &error);

// Closes and removes the temporary output, named partial, of a failed pack.
void DiscardPackOutput(FILE *out, const std::string &partial);

#endif
