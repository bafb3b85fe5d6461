// Folder links for the tests, planted the way another local user would:
// under Wine a Unix symbolic link, made by "ln -s" started through Wine's Z:
// drive, which Wine shows as a folder with FILE_ATTRIBUTE_REPARSE_POINT;
// elsewhere a Windows symbolic link. Header only, shared by the test areas.
//
// Under Wine a link can always be made, so one that does not appear fails
// the test that asked for it (its "cannot be made here" skip then reports
// the failure, not a skip). On Windows, where a symbolic link needs a
// privilege the account may lack, the caller's skip stands.
//
// SwapForLink plays another local user replacing a folder the installer
// holds: the folder is renamed Unix-side to NAME.moved and a link to the
// target put in its place. Wine's share modes do not govern a Unix rename,
// so this plays a user whose rename Windows would refuse, or who turned the
// folder into a junction, which share modes do not govern on Windows either.
#ifndef TESTS_EXTRACT_FOLDER_LINK_H
#define TESTS_EXTRACT_FOLDER_LINK_H

#include <windows.h>

#include <gtest/gtest.h>

#include "iat_hook.h"

#include <functional>
#include <thread>
#include <string>

namespace folder_link {

inline bool Present(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The Unix name of a Windows path, quoted for the shell; "''" when not
// under Wine.
inline std::string UnixName(const std::string &path)
{
    typedef char *(CDECL * UnixNameOf)(LPCWSTR);
    auto unixNameOf =
        (UnixNameOf)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    std::wstring wide(path.begin(), path.end());
    char *name = unixNameOf ? unixNameOf(wide.c_str()) : nullptr;
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return "'" + result + "'";
}

// Runs a Unix shell command; Wine cannot wait for a Unix process, so this
// waits until done() holds (its effect is seen), for a minute at most.
// False when it was not seen.
inline bool RunUnix(std::string command, const std::function<bool()> &done)
{
    command = "/bin/sh -c \"" + command + "\"";
    // Started from a thread of its own: Wine starting a Unix program from
    // a thread with windows (the code under test's, when a hook makes the
    // swap) leaves that thread unable to create the next one, and a message
    // box it shows then never appears.
    std::thread([&command] {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        // Wine starts a Unix program without giving handles of it: the
        // record stays as it was, and closing what it held before would
        // close whatever handle of this process had that value.
        PROCESS_INFORMATION process = {};
        if (CreateProcessA("Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            if (process.hThread)
                CloseHandle(process.hThread);
            if (process.hProcess)
                CloseHandle(process.hProcess);
        }
    }).join();
    for (int i = 0; i < 1200 && !done(); ++i)
        Sleep(50);
    return done();
}

// Makes link a link to the folder target. True when the link is there and
// shows as a reparse point.
inline bool MakeFolderLink(const std::string &link, const std::string &target)
{
    bool underWine = UnixName(link) != "''";
    if (underWine)
        RunUnix("ln -s " + UnixName(target) + " " + UnixName(link), [&] { return Present(link); });
    else
        CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2);
    DWORD attributes = GetFileAttributesA(link.c_str());
    bool made = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!made && underWine)
        ADD_FAILURE() << "the Unix link " << link << " did not appear as a reparse point";
    return made;
}

// Removes the link itself, never what it points to (under Wine, removing a
// link through the Windows functions would remove its target).
inline void RemoveLink(const std::string &link)
{
    if (UnixName(link) == "''")
        RemoveDirectoryA(link.c_str());
    else
        RunUnix("rm -f " + UnixName(link), [&] { return !Present(link); });
}

// True when folder is now a link to target and its old self at folder + ".moved";
// under Wine, where the swap can always be made, one that did not appear
// fails the test.
inline bool SwapForLink(const std::string &folder, const std::string &target)
{
    if (UnixName(folder) == "''")
        return false;
    auto linked = [&] {
        DWORD attributes = GetFileAttributesA(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    RunUnix("mv " + UnixName(folder) + " " + UnixName(folder + ".moved") + " && ln -s " + UnixName(target) +
                " " + UnixName(folder),
            linked);
    const bool swapped = linked() && Present(folder + ".moved");
    if (!swapped)
        ADD_FAILURE() << folder << " was not swapped for a link Unix-side";
    return swapped;
}

// True when folder has been renamed to folder + ".moved" and a new, empty
// folder of the same name made in its place (another user's), Unix-side;
// more, when given, are made below the new folder too.
inline bool SwapForFolder(const std::string &folder, const std::string &more = "")
{
    if (UnixName(folder) == "''")
        return false;
    const std::string made = more.empty() ? folder : folder + "\\" + more;
    RunUnix("mv " + UnixName(folder) + " " + UnixName(folder + ".moved") + " && mkdir -p " + UnixName(made),
            [&] { return Present(folder + ".moved") && Present(made); });
    const bool swapped = Present(folder + ".moved") && Present(made);
    if (!swapped)
        ADD_FAILURE() << folder << " was not swapped for another folder Unix-side";
    return swapped;
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

// Runs run() with the kernel32 import function replaced by Swap, which swaps
// folder for a link to target at its first call; swapped tells whether the
// swap was made then. A run that never made the call fails the test: the
// code did not reach the moment the test is about.
template <typename Swap>
void SwapDuring(const char *function, const std::string &folder, const std::string &target, bool &swapped,
                const std::function<void()> &run)
{
    testsupport::ImportHook hook("kernel32.dll", function, (void *)&Swap::Call);
    Swap::real = (decltype(Swap::real))hook.Original();
    bool called = false;
    Swap::moment = [&] {
        called = true;
        swapped = SwapForLink(folder, target);
    };
    run();
    Swap::moment = nullptr;
    if (!called)
        ADD_FAILURE() << "no " << function << " call came to swap " << folder << " at";
}

}   // namespace folder_link

#endif
