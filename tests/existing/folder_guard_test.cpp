// The folder guard on Wine's real file system: what is held, what is
// refused, that a held folder can be neither renamed nor removed, and the
// rename through the guard.
#include <windows.h>

#include <gtest/gtest.h>

#include "folder_guard.h"
#include "folder_link.h"
#include "test_files.h"

namespace {

using Names = std::vector<std::string>;

class FolderGuardTest : public ::testing::Test {
protected:
    ScratchDir scratch{"guard"};
    std::string plain = scratch.at("plain"), outside = scratch.at("outside"),
                link = scratch.at("link");
    int32_t depth = FolderGuardDepth();

    void SetUp() override
    {
        ASSERT_TRUE(WriteBytes(scratch.path, "plain\\inner\\f.txt", {1}));
        ASSERT_TRUE(WriteBytes(scratch.path, "outside\\precious.txt", {2}));
        ASSERT_TRUE(WriteBytes(scratch.path, "file.txt", {3}));
        linked = folder_link::MakeFolderLink(link, outside);
    }
    void TearDown() override
    {
        FolderGuardRelease(depth);
        if (linked)
            folder_link::RemoveLink(link);
    }
    bool linked = false;
};

TEST_F(FolderGuardTest, HoldsPlainFoldersOnlyAndReleasesThemInOrder)
{
    EXPECT_EQ(FolderGuardHold(scratch.at("missing").c_str()), kFolderUnusable);
    EXPECT_EQ(FolderGuardHold(scratch.at("file.txt").c_str()), kFolderUnusable);
    EXPECT_EQ(FolderGuardHold(""), kFolderUnusable);
    EXPECT_EQ(FolderGuardDepth(), depth);

    EXPECT_EQ(FolderGuardHold(plain.c_str()), kFolderHeld);
    EXPECT_EQ(FolderGuardHold((plain + "\\inner\\").c_str()), kFolderHeld);
    EXPECT_EQ(FolderGuardDepth(), depth + 2);
    // Held: neither renamed nor removed, though its files can be changed.
    EXPECT_FALSE(MoveFileA((plain + "\\inner").c_str(), (plain + "\\moved").c_str()));
    EXPECT_FALSE(MoveFileA(plain.c_str(), scratch.at("moved").c_str()));
    EXPECT_TRUE(DeleteFileA((plain + "\\inner\\f.txt").c_str()));
    EXPECT_FALSE(RemoveDirectoryA((plain + "\\inner").c_str()));
    EXPECT_EQ(ListFolder(plain), Names{"inner"});

    FolderGuardRelease(depth + 1);   // the inner one goes, plain stays held
    EXPECT_EQ(FolderGuardDepth(), depth + 1);
    EXPECT_TRUE(MoveFileA((plain + "\\inner").c_str(), (plain + "\\moved").c_str()));
    EXPECT_FALSE(MoveFileA(plain.c_str(), scratch.at("moved").c_str()));
    FolderGuardRelease(depth);
    EXPECT_TRUE(RemoveDirectoryA((plain + "\\moved").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(plain.c_str()));
}

TEST_F(FolderGuardTest, RefusesLinksWithOrWithoutFinalBackslash)
{
    if (!linked)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(FolderGuardHold(link.c_str()), kFolderIsLink);
    EXPECT_EQ(FolderGuardHold((link + "\\").c_str()), kFolderIsLink);
    EXPECT_EQ(FolderGuardDepth(), depth);
    EXPECT_TRUE(PathIsLink(link.c_str()));
    EXPECT_TRUE(PathIsLink((link + "\\").c_str()));
    EXPECT_FALSE(PathIsLink(outside.c_str()));
    EXPECT_FALSE(PathIsLink(scratch.at("file.txt").c_str()));
    EXPECT_FALSE(PathIsLink(scratch.at("missing").c_str()));
    // A folder reached through a link is a plain folder; the link is what
    // its users refuse.
    EXPECT_EQ(FolderGuardHold(outside.c_str()), kFolderHeld);
}

TEST_F(FolderGuardTest, MovesPlainFoldersButNeverALinkNorOverAnExistingName)
{
    ASSERT_TRUE(CreateDirectoryA(scratch.at("taken").c_str(), nullptr));
    EXPECT_EQ(FolderGuardMove(plain.c_str(), scratch.at("taken").c_str()), kFolderUnusable);
    EXPECT_EQ(FolderGuardMove(scratch.at("missing").c_str(), scratch.at("new").c_str()),
              kFolderUnusable);
    EXPECT_EQ(FolderGuardMove(plain.c_str(), scratch.at("new").c_str()), kFolderHeld);
    EXPECT_EQ(ListFolder(scratch.at("new\\inner")), Names{"f.txt"});
    EXPECT_FALSE(Exists(plain));
    if (!linked)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(FolderGuardMove(link.c_str(), scratch.at("moved").c_str()), kFolderIsLink);
    EXPECT_FALSE(Exists(scratch.at("moved")));
    EXPECT_EQ(ListFolder(outside), Names{"precious.txt"});
    EXPECT_TRUE(PathIsLink(link.c_str()));
}

}  // namespace
