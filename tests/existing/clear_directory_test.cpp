// Directory clearing on Wine's real file system: whole trees, what stays
// (read-only files, dot-folders, keepName), long paths, folder links, and the
// current directory given back on every path.
#include <windows.h>

#include <gtest/gtest.h>
#include <functional>

#include "clear_directory.h"
#include "scratch_dir.h"

namespace {

class ClearDirectoryTest : public ::testing::Test {
protected:
    ScratchDir scratch{"clear"};
    std::string top = scratch.at("top");
    std::string startDir = CurrentDirectory();

    void SetUp() override { ASSERT_TRUE(MakeFolders(scratch.path(), "top")); }
    void TearDown() override { EXPECT_EQ(CurrentDirectory(), startDir); }
    bool Has(const std::string &relative) { return GetFileAttributesA(At(relative).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string At(const std::string &relative) { return top + "\\" + relative; }
    void MakeTree(const std::vector<std::string> &files)
    {
        for (const std::string &file : files)
            ASSERT_TRUE(MakeFile(top, file));
    }
};

const std::vector<std::string> kThreeLevels = {
    "a.txt", "noext", ".dotfile", "one\\b.txt", "one\\two\\c.txt", "one\\two\\three\\d",
    "other\\e.txt"};

TEST_F(ClearDirectoryTest, MissingOrEmptyDirectory)
{
    EXPECT_EQ(ClearDirectory(At("missing").c_str(), nullptr, 1), 1);
    EXPECT_NE(ClearDirectory(top.c_str(), nullptr, 0), 0);
    EXPECT_TRUE(FolderExists(top));
    EXPECT_NE(ClearDirectory(top.c_str(), nullptr, 1), 0);
    EXPECT_FALSE(FolderExists(top));
}

TEST_F(ClearDirectoryTest, ClearsATreeThreeLevelsDeep)
{
    MakeTree(kThreeLevels);
    EXPECT_NE(ClearDirectory(top.c_str(), nullptr, 0), 0);
    EXPECT_EQ(ListFolder(top), std::vector<std::string>{});
    MakeTree(kThreeLevels);
    EXPECT_NE(ClearDirectory((top + "\\").c_str(), nullptr, 1), 0);
    EXPECT_FALSE(FolderExists(top));
}

TEST_F(ClearDirectoryTest, DotFoldersReadOnlyFilesAndTheirParentsStay)
{
    MakeTree(kThreeLevels);
    MakeTree({"one\\.git\\config", "other\\deep\\ro.txt"});
    SetFileAttributesA(At("other\\deep\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ClearDirectory(top.c_str(), nullptr, 1);
    EXPECT_TRUE(Has("one\\.git\\config"));
    EXPECT_TRUE(Has("other\\deep\\ro.txt"));
    EXPECT_EQ(ListFolder(top), std::vector<std::string>({"one", "other"}));
    EXPECT_EQ(ListFolder(At("one")), std::vector<std::string>{".git"});
    EXPECT_EQ(ListFolder(At("other")), std::vector<std::string>{"deep"});
}

TEST_F(ClearDirectoryTest, KeepsFilesOfKeepNameInEveryFolder)
{
    MakeTree(kThreeLevels);
    MakeTree({"keep.me", "one\\two\\keep.me", "other\\KEEP.ME"});
    ClearDirectory(top.c_str(), "keep.me", 1);
    EXPECT_EQ(ListFolder(top), std::vector<std::string>({"keep.me", "one"}));
    EXPECT_EQ(ListFolder(At("one")), std::vector<std::string>{"two"});
    EXPECT_EQ(ListFolder(At("one\\two")), std::vector<std::string>{"keep.me"});
}

TEST_F(ClearDirectoryTest, FoldersBeyondThePathLimitArePassedOver)
{
    // A chain of folders, each with a file, that reaches past 259 characters;
    // made through the wide long-path functions (the ANSI ones stop at 259).
    auto wide = [](const std::string &path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); };
    std::vector<std::string> chain;
    std::string path = top;
    while (path.size() < 320) {
        path += "\\" + std::string(40, (char)('a' + chain.size()));
        chain.push_back(path);
        CreateDirectoryW(wide(path).c_str(), nullptr);
        CloseHandle(CreateFileW(wide(path + "\\f.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
    }
    ClearDirectory(top.c_str(), nullptr, 1);
    EXPECT_FALSE(FileExists(chain.front() + "\\f.txt"));
    EXPECT_NE(GetFileAttributesW(wide(chain.back() + "\\f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
        DeleteFileW(wide(*level + "\\f.txt").c_str());
        RemoveDirectoryW(wide(*level).c_str());
    }
}

TEST(FindLastCharTest, FindsTheLastOccurrence)
{
    char path[] = "c:\\dir\\file.txt";
    EXPECT_EQ(FindLastChar(path, '\\'), path + 6);
    EXPECT_EQ(FindLastChar(path, 'c'), path);
    EXPECT_EQ(FindLastChar(path, '/'), nullptr);
    EXPECT_EQ(FindLastChar(path, '\0'), path + sizeof path - 1);
    char empty[] = "";
    EXPECT_EQ(FindLastChar(empty, '\\'), nullptr);
}

// Folder links. Wine shows a Unix symbolic link to a folder as a directory
// with FILE_ATTRIBUTE_REPARSE_POINT, so under Wine the link is made by the
// Unix "ln", started through Wine's Z: drive; elsewhere by CreateSymbolicLinkA.
typedef char *(CDECL *UnixNameOf)(LPCWSTR);

std::string UnixName(const std::string &path)
{
    auto unixNameOf = (UnixNameOf)(void *)GetProcAddress(GetModuleHandleA("kernel32"),
                                                 "wine_get_unix_file_name");
    if (!unixNameOf)
        return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char *name = unixNameOf(wide);
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Unix shell command and waits (by polling, Wine cannot wait for a
// Unix process) until done() holds.
bool RunUnix(const std::string &command, const std::function<bool()> &done)
{
    std::string line = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA("Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 200 && !done(); ++i)
        Sleep(50);
    return done();
}

bool IsFolderLink(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeFolderLink(const std::string &link, const std::string &target)
{
    if (!UnixName(target).empty())
        RunUnix("ln -s '" + UnixName(target) + "' '" + UnixName(link) + "'",
                [&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
    else
        CreateSymbolicLinkA(link.c_str(), target.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    return IsFolderLink(link);
}

void RemoveFolderLink(const std::string &link)
{
    std::string unixLink = UnixName(link);
    if (unixLink.empty() || !IsFolderLink(link))
        RemoveDirectoryA(link.c_str());
    else
        RunUnix("rm -f '" + unixLink + "'",
                [&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

TEST_F(ClearDirectoryTest, FolderLinksAreNeverEntered)
{
    std::string outside = scratch.at("outside");
    ASSERT_TRUE(MakeFile(scratch.path(), "outside\\precious.txt"));
    MakeTree(kThreeLevels);
    if (!MakeFolderLink(At("one\\link"), outside))
        GTEST_SKIP() << "no folder link can be made on this system";
    ASSERT_TRUE(MakeFolderLink(scratch.at("toplink"), top));

    // A link as the top folder: nothing behind it is cleared.
    ClearDirectory(scratch.at("toplink").c_str(), nullptr, 0);
    EXPECT_TRUE(Has("one\\two\\c.txt"));
    // A link inside the tree: only its removal is tried, the target stays whole.
    ClearDirectory(top.c_str(), nullptr, 1);
    EXPECT_TRUE(FileExists(outside + "\\precious.txt"));
    EXPECT_FALSE(Has("one\\two"));
    EXPECT_FALSE(Has("a.txt"));
    RemoveFolderLink(At("one\\link"));
    RemoveFolderLink(scratch.at("toplink"));
}

}  // namespace
