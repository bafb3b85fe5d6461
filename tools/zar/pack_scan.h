// Collecting the files zar pack puts into an archive.
#ifndef TOOLS_ZAR_PACK_SCAN_H
#define TOOLS_ZAR_PACK_SCAN_H

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct PackEntry {
    std::string name;   // relative to the packed folder, backslashes between components
    std::string path;   // path to read the file from
    uint64_t size = 0;
    dev_t device = 0;   // the file the scan found: ReadPackEntry packs this
    ino_t inode = 0;    // very file or nothing
};

// Every regular file below directory, in byte order of name. Symbolic links
// and other non-regular entries are not followed; each one skipped adds a
// line to notes. Empty folders yield nothing. On failure returns false with
// error set.
bool ScanPackTree(const std::string &directory, std::vector<PackEntry> &entries,
                  std::vector<std::string> &notes, std::string &error);

// Arranges entries: the names in first (given with '/' or '\' between
// components) in that order, then the rest in byte order of name. Fails for a
// name in first that is not among the entries or is given twice.
bool OrderPackEntries(std::vector<PackEntry> &entries, const std::vector<std::string> &first,
                      std::string &error);

// A pair of names Windows would take for the same file (it ignores case), or
// a file whose name Windows would take for a folder of another entry; "" when
// there is none.
std::string FindCaseConflict(const std::vector<PackEntry> &entries);

#endif
