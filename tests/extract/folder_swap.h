// Another local user replacing a folder the installer holds: the folder is
// renamed Unix-side to NAME.moved and a link to target put in its place.
// Wine's share modes do not govern a Unix rename, so this plays a user
// whose rename Windows would refuse, or who turned the folder into a
// junction, which share modes do not govern on Windows either.
#ifndef TESTS_EXTRACT_FOLDER_SWAP_H
#define TESTS_EXTRACT_FOLDER_SWAP_H

#include "folder_link.h"

#include <functional>

namespace folder_link {

// True when folder is now a link to target and its old self at folder + ".moved".
inline bool SwapForLink(const std::string &folder, const std::string &target)
{
    if (UnixName(folder) == "''")
        return false;
    auto linked = [&] {
        DWORD attributes = GetFileAttributesA(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    RunUnix("mv " + UnixName(folder) + " " + UnixName(folder + ".moved") + " && ln -s " +
                UnixName(target) + " " + UnixName(folder),
            linked);
    return linked() && Present(folder + ".moved");
}

// The moment of the swap: the first call the code under test makes through
// an import replaced by Call (testsupport::ImportHook), which then goes on
// to the real function.
template <typename R, typename... A>
struct SwapAtFirstCall {
    static inline R(WINAPI *real)(A...);
    static inline std::function<void()> moment;
    static R WINAPI Call(A... args)
    {
        std::function<void()> now = moment;
        moment = nullptr;
        if (now)
            now();
        return real(args...);
    }
};

using SwapAtFirstWrite = SwapAtFirstCall<BOOL, HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED>;
using SwapAtFirstSetInformation = SwapAtFirstCall<BOOL, HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD>;

}  // namespace folder_link

#endif
