// Directory clearing on Wine's real file system: whole trees, what stays,
// long paths, folder links, and the current directory given back.
#include <windows.h>

#include <gtest/gtest.h>
#include <functional>

#include "clear_directory.h"
#include "test_files.h"

namespace {

using Names = std::vector<std::string>;

class ClearDirectoryTest : public ::testing::Test {
protected:
    ScratchDir scratch{"clear"};
    std::string top = scratch.at("top");
    std::string startDir = CurrentDirectory();

    void SetUp() override
    {
        for (const char *file : {"a.txt", "noext", ".dotfile", "one\\b.txt", "one\\two\\c.txt",
                                 "one\\two\\three\\d", "other\\e.txt"})
            ASSERT_TRUE(WriteBytes(scratch.path, std::string("top\\") + file, {1}));
    }
    void TearDown() override { EXPECT_EQ(CurrentDirectory(), startDir); }
    std::string At(const std::string &relative) { return top + "\\" + relative; }
};

TEST_F(ClearDirectoryTest, ClearsTreesThreeLevelsDeep)
{
    EXPECT_EQ(ClearDirectory(At("missing").c_str(), nullptr, 1), 1);
    EXPECT_NE(ClearDirectory(top.c_str(), nullptr, 0), 0);
    EXPECT_EQ(ListFolder(top), Names{});
    ASSERT_TRUE(WriteBytes(top, "one\\two\\three\\d", {1}));
    EXPECT_NE(ClearDirectory((top + "\\").c_str(), nullptr, 1), 0);
    EXPECT_FALSE(Exists(top));
    // An empty folder goes too.
    ASSERT_TRUE(CreateDirectoryA(top.c_str(), nullptr));
    EXPECT_NE(ClearDirectory(top.c_str(), nullptr, 1), 0);
    EXPECT_FALSE(Exists(top));
}

TEST_F(ClearDirectoryTest, DotFoldersReadOnlyFilesAndKeptNamesStayWithTheirParents)
{
    for (const char *file : {"one\\.git\\config", "other\\deep\\ro.txt", "keep.me",
                             "one\\two\\keep.me", "one\\two\\three\\KEEP.ME"})
        ASSERT_TRUE(WriteBytes(top, file, {1}));
    SetFileAttributesA(At("other\\deep\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ClearDirectory(top.c_str(), "keep.me", 1);
    EXPECT_EQ(ListFolder(top), Names({"keep.me", "one", "other"}));
    EXPECT_EQ(ListFolder(At("one")), Names({".git", "two"}));
    EXPECT_EQ(ListFolder(At("one\\.git")), Names{"config"});
    EXPECT_EQ(ListFolder(At("one\\two")), Names{"keep.me"});
    EXPECT_EQ(ListFolder(At("other")), Names{"deep"});
    EXPECT_EQ(ListFolder(At("other\\deep")), Names{"ro.txt"});
}

TEST_F(ClearDirectoryTest, FoldersBeyondThePathLimitArePassedOver)
{
    // A chain of folders, each with a file, reaching past 259 characters;
    // made with the wide long-path functions (the ANSI ones stop at 259).
    auto wide = [](const std::string &path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); };
    std::vector<std::string> chain = {top};
    while (chain.back().size() < 320) {
        chain.push_back(chain.back() + "\\" + std::string(40, (char)('a' + chain.size())));
        CreateDirectoryW(wide(chain.back()).c_str(), nullptr);
        CloseHandle(CreateFileW(wide(chain.back() + "\\f").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
    }
    ClearDirectory(top.c_str(), nullptr, 1);
    EXPECT_FALSE(Exists(chain[1] + "\\f"));
    EXPECT_NE(GetFileAttributesW(wide(chain.back() + "\\f").c_str()), INVALID_FILE_ATTRIBUTES);
    for (size_t i = chain.size() - 1; i > 0; --i) {
        DeleteFileW(wide(chain[i] + "\\f").c_str());
        RemoveDirectoryW(wide(chain[i]).c_str());
    }
}

TEST(FindLastCharTest, FindsTheLastOccurrence)
{
    char path[] = "c:\\dir\\file.txt";
    EXPECT_EQ(FindLastChar(path, '\\'), path + 6);
    EXPECT_EQ(FindLastChar(path, 'c'), path);
    EXPECT_EQ(FindLastChar(path, '/'), nullptr);
    EXPECT_EQ(FindLastChar(path, '\0'), path + sizeof path - 1);
}

// Wine shows a Unix symbolic link to a folder as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT: under Wine the links are made by the Unix
// "ln", started through Wine's Z: drive; elsewhere by CreateSymbolicLinkA.
std::string UnixName(const std::string &path)
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
// polls until done() holds.
void RunUnix(std::string command, const std::function<bool()> &done)
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
    for (int i = 0; i < 200 && !done(); ++i)
        Sleep(50);
}

bool MakeFolderLink(const std::string &link, const std::string &target)
{
    if (UnixName(link) != "''")
        RunUnix("ln -s " + UnixName(target) + " " + UnixName(link), [&] { return Exists(link); });
    else
        CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2);
    return (GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) && Exists(link);
}

TEST_F(ClearDirectoryTest, FolderLinksAreNeverEntered)
{
    std::string outside = scratch.at("outside"), inner = At("one\\link"), topLink = scratch.at("toplink");
    ASSERT_TRUE(WriteBytes(scratch.path, "outside\\precious.txt", {1}));
    if (!MakeFolderLink(inner, outside) || !MakeFolderLink(topLink, top))
        GTEST_SKIP() << "no folder link can be made here";
    ClearDirectory(topLink.c_str(), nullptr, 0);   // the top itself is a link
    EXPECT_TRUE(Exists(At("one\\two\\c.txt")));
    ClearDirectory(top.c_str(), nullptr, 1);   // a link inside the tree
    EXPECT_TRUE(Exists(outside + "\\precious.txt"));
    EXPECT_FALSE(Exists(At("a.txt")) || Exists(At("one\\two")));
    for (const std::string &link : {inner, topLink}) {
        if (UnixName(link) == "''")
            RemoveDirectoryA(link.c_str());
        else
            RunUnix("rm -f " + UnixName(link), [&] { return !Exists(link); });
    }
}

}  // namespace
