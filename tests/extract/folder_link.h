// Folder links for the tests, planted the way another local user would:
// under Wine a Unix symbolic link, made by "ln -s" started through Wine's Z:
// drive, which Wine shows as a folder with FILE_ATTRIBUTE_REPARSE_POINT;
// elsewhere a Windows symbolic link. Header only, shared by the test areas.
//
// Under Wine a link can always be made, so one that does not appear fails
// the test that asked for it (its "cannot be made here" skip then reports
// the failure, not a skip). On Windows, where a symbolic link needs a
// privilege the account may lack, the caller's skip stands.
#ifndef TESTS_EXTRACT_FOLDER_LINK_H
#define TESTS_EXTRACT_FOLDER_LINK_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
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
    auto unixNameOf = (UnixNameOf)(void *)GetProcAddress(GetModuleHandleA("kernel32"),
                                                         "wine_get_unix_file_name");
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
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (CreateProcessA("Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
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

}  // namespace folder_link

#endif
