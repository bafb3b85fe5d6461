// Where zar setup finds the generic setup stub when --stub is not given.
#ifndef TOOLS_ZAR_STUB_LOCATE_H
#define TOOLS_ZAR_STUB_LOCATE_H

#include <string>
#include <vector>

// The places looked at, in order, for the stub of the given kind beside the
// program at program (the running zar): DIR/../lib/zar/stub-win32.exe (or
// stub-win64.exe), then DIR/stub-win32.exe, DIR being program's folder.
std::vector<std::string> StubCandidates(const std::string &program, bool win64);

// The first candidate beside the running zar (/proc/self/exe) that exists;
// "" with error naming every place looked at when there is none.
std::string FindStub(bool win64, std::string &error);

#endif
