#include "stub_locate.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> StubCandidates(const std::string &program, bool win64)
{
    std::string::size_type slash = program.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "" : program.substr(0, slash);
    const std::string name = win64 ? "stub-win64.exe" : "stub-win32.exe";
    return {dir + "/../lib/zar/" + name, dir + "/" + name};
}

std::string FindStub(bool win64, std::string &error)
{
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        error = std::string("cannot find the running zar (/proc/self/exe: ") + std::strerror(errno) +
                "); give the stub with --stub";
        return "";
    }
    self[length] = '\0';
    std::vector<std::string> candidates = StubCandidates(self, win64);
    for (const std::string &candidate : candidates) {
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return candidate;
    }
    error = std::string("no ") + (win64 ? "64" : "32") + "-bit setup stub: neither '" + candidates[0] +
            "' nor '" + candidates[1] + "' exists; give one with --stub";
    return "";
}
