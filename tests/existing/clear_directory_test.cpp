// Directory clearing on Wine's real file system: whole trees, what stays,
// long paths, folder links, and the current directory given back.
#include <windows.h>

#include <gtest/gtest.h>

#include "clear_directory.h"
#include "folder_link.h"
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
    for (const char *file : {"one\\.git\\config", "other\\deep\\ro.txt", "keep.me", "one\\two\\keep.me",
                             "one\\two\\three\\KEEP.ME"})
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
        CloseHandle(CreateFileW(wide(chain.back() + "\\f").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                0, nullptr));
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

// Links are passed over: never entered, never removed (under Wine removing
// the link by the Windows functions would remove an empty target instead).
TEST_F(ClearDirectoryTest, FolderLinksAreNeverEnteredNorRemoved)
{
    using folder_link::MakeFolderLink;
    std::string outside = scratch.at("outside"), empty = scratch.at("empty");
    std::string inner = At("one\\link"), innerEmpty = At("one\\two\\void"), topLink = scratch.at("toplink");
    ASSERT_TRUE(WriteBytes(scratch.path, "outside\\precious.txt", {1}));
    ASSERT_TRUE(CreateDirectoryA(empty.c_str(), nullptr));
    if (!MakeFolderLink(inner, outside) || !MakeFolderLink(innerEmpty, empty) ||
        !MakeFolderLink(topLink, top))
        GTEST_SKIP() << "no folder link can be made here";
    ClearDirectory(topLink.c_str(), nullptr, 1);   // the top itself is a link
    EXPECT_TRUE(Exists(At("one\\two\\c.txt")));
    EXPECT_TRUE(Exists(topLink));
    ClearDirectory(top.c_str(), nullptr, 1);   // links inside the tree
    EXPECT_EQ(ListFolder(outside), Names{"precious.txt"});
    EXPECT_TRUE(Exists(empty));
    EXPECT_EQ(ListFolder(top), Names{"one"});
    EXPECT_EQ(ListFolder(At("one")), (Names{"link", "two"}));
    EXPECT_EQ(ListFolder(At("one\\two")), Names{"void"});
    for (const std::string &link : {inner, innerEmpty, topLink})
        folder_link::RemoveLink(link);
}

// The tree's top swapped for a link to a folder holding the same names, at
// the first deletion: nothing of that folder is deleted or removed.
TEST_F(ClearDirectoryTest, ATopSwappedAtTheFirstDeletionSendsNothingElsewhere)
{
    const std::string outside = scratch.at("outside");
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    for (const char *file : {"a.txt", "noext", ".dotfile", "one\\b.txt", "one\\two\\c.txt",
                             "one\\two\\three\\d", "other\\e.txt"})
        ASSERT_TRUE(WriteBytes(outside, file, {2}));
    bool swapped = false;
    folder_link::SwapDuring<folder_link::SwapAtFirstSetInformation>(
        "SetFileInformationByHandle", top, outside, swapped,
        [&] { ClearDirectory(top.c_str(), nullptr, 1); });
    if (!swapped)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(ListFolder(outside), (Names{".dotfile", "a.txt", "noext", "one", "other"}));
    EXPECT_EQ(ListFolder(outside + "\\one\\two\\three"), Names{"d"});
    EXPECT_EQ(ListFolder(outside + "\\other"), Names{"e.txt"});
    folder_link::RemoveLink(top);
}

}   // namespace
