// The held-folder layer on Wine's real file system: what is held, what is
// refused, that a held folder can be neither renamed nor removed, that its
// children are created, replaced, renamed and deleted through it, and that
// a held folder swapped for a link sends none of that elsewhere.
#include <windows.h>

#include <gtest/gtest.h>

#include "folder_chain.h"
#include "folder_handle.h"
#include "folder_link.h"
#include "path_text.h"
#include "test_files.h"

namespace {

using Names = std::vector<std::string>;

class FolderHandleTest : public ::testing::Test {
protected:
    ScratchDir scratch{"held"};
    std::string plain = scratch.at("plain"), outside = scratch.at("outside"), link = scratch.at("link");
    std::vector<HANDLE> handles;
    std::vector<std::string> links;

    void SetUp() override
    {
        ASSERT_TRUE(WriteBytes(scratch.path, "plain\\inner\\f.txt", {1}));
        ASSERT_TRUE(WriteBytes(scratch.path, "plain\\old.txt", {1}));
        ASSERT_TRUE(WriteBytes(scratch.path, "outside\\old.txt", {2}));
        ASSERT_TRUE(WriteBytes(scratch.path, "outside\\inner\\f.txt", {2}));
        ASSERT_TRUE(WriteBytes(scratch.path, "file.txt", {3}));
        if (folder_link::MakeFolderLink(link, outside))
            links.push_back(link);
    }
    void TearDown() override
    {
        for (HANDLE handle : handles)
            ReleaseHandle(handle);
        for (const std::string &made : links)
            folder_link::RemoveLink(made);
    }
    HANDLE Hold(const std::string &path)
    {
        HANDLE folder;
        EXPECT_EQ(HoldFolder(path.c_str(), 0, &folder), kEntryHeld) << path;
        handles.push_back(folder);
        return folder;
    }
    Names Outside()
    {
        Names all = ListFolder(outside);
        for (const std::string &name : ListFolder(outside + "\\inner"))
            all.push_back("inner\\" + name);
        return all;
    }
};

TEST_F(FolderHandleTest, HoldsPlainFoldersOnlyAndKeepsThemInPlace)
{
    HANDLE folder;
    EXPECT_EQ(HoldFolder(scratch.at("missing").c_str(), 0, &folder), kEntryUnusable);
    EXPECT_EQ(HoldFolder(scratch.at("file.txt").c_str(), 0, &folder), kEntryUnusable);
    EXPECT_EQ(HoldFolder("", 0, &folder), kEntryUnusable);
    EXPECT_EQ(folder, INVALID_HANDLE_VALUE);

    HANDLE top = Hold(plain + "\\");
    HANDLE inner;
    EXPECT_EQ(HoldChildFolder(top, "inner", 0, 0, &inner), kEntryHeld);
    EXPECT_EQ(HoldChildFolder(top, "old.txt", 0, 0, &folder), kEntryUnusable);
    EXPECT_EQ(HoldChildFolder(top, "missing", 0, 0, &folder), kEntryUnusable);
    // Held: neither renamed nor removed, though its files can be changed.
    EXPECT_FALSE(MoveFileA((plain + "\\inner").c_str(), (plain + "\\moved").c_str()));
    EXPECT_FALSE(MoveFileA(plain.c_str(), scratch.at("moved").c_str()));
    EXPECT_TRUE(DeleteFileA((plain + "\\inner\\f.txt").c_str()));
    EXPECT_FALSE(RemoveDirectoryA((plain + "\\inner").c_str()));
    ReleaseHandle(inner);
    EXPECT_TRUE(MoveFileA((plain + "\\inner").c_str(), (plain + "\\moved").c_str()));
    EXPECT_FALSE(MoveFileA(plain.c_str(), scratch.at("moved").c_str()));

    // Made when missing, through the held folder.
    EXPECT_EQ(HoldChildFolder(top, "made", 1, DELETE, &folder), kEntryHeld);
    EXPECT_TRUE(Exists(plain + "\\made"));
    EXPECT_TRUE(RemoveHeldFolder(folder));
    ReleaseHandle(folder);
    EXPECT_FALSE(Exists(plain + "\\made"));
    EXPECT_FALSE(RemoveDirectoryA(plain.c_str()));   // still held
}

TEST_F(FolderHandleTest, ChildFilesAreCreatedNewReplacedAndDeletedThroughTheFolder)
{
    HANDLE top = Hold(plain);
    ASSERT_TRUE(WriteBytes(scratch.path, "victim.dll", {9, 9}));
    ASSERT_TRUE(CreateHardLinkA((plain + "\\hard.dll").c_str(), scratch.at("victim.dll").c_str(), nullptr));
    for (const char *name : {"new.txt", "old.txt", "hard.dll"}) {
        HANDLE file;
        ASSERT_EQ(CreateChildFile(top, name, &file), kEntryHeld) << name;
        DWORD written = 0;
        WriteFile(file, "ab", 2, &written, nullptr);
        CloseHandle(file);
        EXPECT_EQ(ReadBytes(plain + "\\" + name), (Bytes{'a', 'b'})) << name;
    }
    EXPECT_EQ(ReadBytes(scratch.at("victim.dll")), (Bytes{9, 9}));
    // A plain folder, even an empty one, is not replaced, nor deleted as a file.
    ASSERT_TRUE(CreateDirectoryA((plain + "\\empty").c_str(), nullptr));
    HANDLE file;
    EXPECT_EQ(CreateChildFile(top, "empty", &file), kEntryUnusable);
    EXPECT_FALSE(DeleteChild(top, "empty"));
    EXPECT_TRUE(DeleteChild(top, "new.txt"));
    EXPECT_FALSE(DeleteChild(top, "new.txt"));
    EXPECT_EQ(ListFolder(plain), (Names{"empty", "hard.dll", "inner", "old.txt"}));
}

TEST_F(FolderHandleTest, RenamesChildFoldersInPlaceButNeverOverAnExistingName)
{
    HANDLE top = Hold(plain);
    ASSERT_TRUE(CreateDirectoryA((plain + "\\taken").c_str(), nullptr));
    EXPECT_EQ(RenameChildFolder(top, "inner", "taken"), kEntryUnusable);
    // Nor over a file, which a rename that may replace would delete.
    EXPECT_EQ(RenameChildFolder(top, "inner", "old.txt"), kEntryUnusable);
    EXPECT_EQ(ReadBytes(plain + "\\old.txt"), Bytes{1});
    EXPECT_EQ(RenameChildFolder(top, "missing", "new"), kEntryUnusable);
    EXPECT_EQ(RenameChildFolder(top, "inner", "new"), kEntryHeld);
    EXPECT_EQ(ListFolder(plain), (Names{"new", "old.txt", "taken"}));
    EXPECT_EQ(ListFolder(plain + "\\new"), Names{"f.txt"});
}

TEST_F(FolderHandleTest, LinksAreRefusedAndNeverFollowed)
{
    if (links.empty())
        GTEST_SKIP() << "no folder link can be made here";
    HANDLE folder;
    EXPECT_EQ(HoldFolder(link.c_str(), 0, &folder), kEntryIsLink);
    EXPECT_EQ(HoldFolder((link + "\\").c_str(), 0, &folder), kEntryIsLink);
    HANDLE top = Hold(scratch.path);
    EXPECT_EQ(HoldChildFolder(top, "link", 0, 0, &folder), kEntryIsLink);
    EXPECT_EQ(HoldChildFolder(top, "link", 1, 0, &folder), kEntryIsLink);
    EXPECT_EQ(RenameChildFolder(top, "link", "moved"), kEntryIsLink);
    EXPECT_FALSE(DeleteChild(top, "link"));
    EXPECT_EQ(CreateChildFile(top, "link", &folder), kEntryIsLink);
    EXPECT_EQ(Outside(), (Names{"inner", "old.txt", "inner\\f.txt"}));
    EXPECT_TRUE(Exists(link));
    // A link to a sibling in the same folder leads to a real child of the
    // held folder, but not to the one named (named alike, of the same
    // length, so that only the name itself differs).
    HANDLE held = Hold(outside);
    if (!folder_link::MakeFolderLink(outside + "\\twins", outside + "\\inner"))
        return;
    links.push_back(outside + "\\twins");
    EXPECT_EQ(HoldChildFolder(held, "twins", 0, 0, &folder), kEntryIsLink);
    EXPECT_EQ(RenameChildFolder(held, "twins", "moved"), kEntryIsLink);
    EXPECT_TRUE(Exists(outside + "\\inner\\f.txt"));
    // The same for a file: a link to a sibling file is never the named
    // child. Deleting it removes at most the link (on Windows, where it is
    // a reparse point), never the sibling; it is not opened as the child.
    // Under Wine, which shows a link to a file as the file itself, only the
    // name the system gives the handle tells the two apart.
    const std::string alias = outside + "\\ali.txt";
    folder_link::RunUnix("ln -s old.txt " + folder_link::UnixName(alias),
                         [&] { return folder_link::Present(alias); });
    if (folder_link::UnixName(alias) != "''") {
        ASSERT_TRUE(folder_link::Present(alias)) << "the Unix link did not appear";
        links.push_back(alias);
    }
    HANDLE file;
    EXPECT_NE(OpenChildFile(held, "ali.txt", &file), kEntryHeld);
    DeleteChild(held, "ali.txt");
    EXPECT_EQ(ReadBytes(outside + "\\old.txt"), Bytes{2}) << "the sibling was deleted";
}

// The attack: the held folder is replaced by a link after it was checked.
// Creations land in the folder that was held, wherever it is now; deletions
// and renames of names that the link's target also holds are refused.
TEST_F(FolderHandleTest, AHeldFolderSwappedForALinkSendsNothingElsewhere)
{
    HANDLE top = Hold(plain);
    if (!folder_link::SwapForLink(plain, outside))
        GTEST_SKIP() << "no folder link can be made here";
    links.push_back(plain);
    const std::string moved = plain + ".moved";
    HANDLE file, folder;
    ASSERT_EQ(CreateChildFile(top, "new.txt", &file), kEntryHeld);
    CloseHandle(file);
    EXPECT_EQ(HoldChildFolder(top, "made", 1, 0, &folder), kEntryHeld);
    handles.push_back(folder);
    EXPECT_NE(CreateChildFile(top, "old.txt", &file), kEntryHeld);
    EXPECT_FALSE(DeleteChild(top, "old.txt"));
    EXPECT_NE(RenameChildFolder(top, "inner", "renamed"), kEntryHeld);
    EXPECT_NE(HoldChildFolder(top, "inner", 0, 0, &folder), kEntryHeld);
    EXPECT_EQ(Outside(), (Names{"inner", "old.txt", "inner\\f.txt"}));
    EXPECT_EQ(ReadBytes(outside + "\\old.txt"), Bytes{2});
    EXPECT_EQ(ListFolder(moved), (Names{"inner", "made", "new.txt", "old.txt"}));
    ReleaseHandle(top);
    handles.clear();
    RemoveTree(moved);
}

// The install directory's chain from the drive's root: held folder by folder
// with the last component left to the caller; a link on the way that no
// administrator made stops it (Wine keeps no owner: every folder and link it
// shows is owned by the signed-in user, so the rule's other side, an
// administrator's link followed, shows only on Windows).
TEST_F(FolderHandleTest, AChainIsHeldFromTheRootAndStopsAtAnotherUsersLink)
{
    const char *leaf = nullptr;
    HANDLE parent;
    const std::string path = plain + "\\inner";
    ASSERT_EQ(HoldFolderChain(path.c_str(), &leaf, &parent), kEntryHeld);
    EXPECT_STREQ("inner", leaf);
    HANDLE child;
    EXPECT_EQ(HoldChildFolder(parent, leaf, 0, 0, &child), kEntryHeld);
    handles.push_back(child);
    EXPECT_FALSE(OwnedBySystem(child)) << "Wine shows the signed-in user as owner";

    ASSERT_EQ(HoldFolderChain("C:\\", &leaf, &parent), kEntryHeld);
    EXPECT_EQ(nullptr, leaf);
    EXPECT_EQ(HoldFolderChain((plain + "\\missing\\x").c_str(), &leaf, &parent), kEntryUnusable);
    EXPECT_EQ(HoldFolderChain("relative\\x", &leaf, &parent), kEntryUnusable);
    if (!links.empty()) {
        EXPECT_EQ(HoldFolderChain((link + "\\inner").c_str(), &leaf, &parent), kEntryIsLink);
        EXPECT_EQ(HoldFolderChain((link + "\\inner\\x").c_str(), &leaf, &parent), kEntryIsLink);
    }
    ReleaseFolderChain();
}

TEST(PathRootLengthTest, DrivesAndSharesOnly)
{
    EXPECT_EQ(3, PathRootLength("c:\\"));
    EXPECT_EQ(3, PathRootLength("Z:\\a\\b"));
    EXPECT_EQ(15, PathRootLength("\\\\server\\share\\a"));
    for (const char *other : {"c:", "c:a", "a\\b", "\\a", "\\\\server\\share", "\\\\?\\c:\\a", "\\\\.\\nul",
                              "\\\\\\x\\y\\", "\\\\server\\\\share\\", ""})
        EXPECT_EQ(0, PathRootLength(other)) << other;
}

TEST(ReparseLeadsElsewhereTest, OnlyNameSurrogatesAndUnknownTagsAreLinks)
{
    const uint32_t reparse = FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(ReparseLeadsElsewhere(reparse, IO_REPARSE_TAG_MOUNT_POINT));
    EXPECT_TRUE(ReparseLeadsElsewhere(reparse | FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK));
    EXPECT_TRUE(ReparseLeadsElsewhere(reparse, 0));   // unknown: Wine's links
    for (uint32_t tag : {0x80000017u /* WOF: compact /exe, Compact OS */, 0x80000013u /* dedup */,
                         0x9000001Au /* cloud files */, 0x9000701Au, 0x80000014u /* NFS */})
        EXPECT_FALSE(ReparseLeadsElsewhere(reparse, tag)) << std::hex << tag;
    EXPECT_FALSE(ReparseLeadsElsewhere(FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK));
}

}   // namespace

// A folder's child is named with exactly one backslash between, and a path
// that does not fit is not written at all.
TEST(JoinPathTest, OneBackslashBetweenAndAllOrNothing)
{
    struct Case {
        const char *dir, *name;
        int32_t capacity;
        const char *joined;   // null: does not fit
    };
    const Case cases[] = {
        {"c:\\app", "a.exe", 64, "c:\\app\\a.exe"},
        {"c:\\app\\", "a.exe", 64, "c:\\app\\a.exe"},
        {"c:\\", "a.exe", 64, "c:\\a.exe"},
        {"c:\\app", "", 64, "c:\\app\\"},
        {"c:\\app\\", "", 64, "c:\\app\\"},
        {"", "a", 64, "\\a"},
        {"c:\\app", "a.exe", 13, "c:\\app\\a.exe"},   // the NUL fills the last byte
        {"c:\\app", "a.exe", 12, nullptr},
        {"c:\\app\\", "a.exe", 12, nullptr},
        {"c:\\app", "", 7, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.dir) + " + " + c.name + " in " + std::to_string(c.capacity));
        char buffer[64] = "untouched";
        const int32_t length = JoinPath(buffer, c.capacity, c.dir, c.name);
        EXPECT_STREQ(buffer, c.joined != nullptr ? c.joined : "untouched");
        EXPECT_EQ(length, c.joined != nullptr ? (int32_t)strlen(c.joined) : 0);
        // The prefix a child's name starts at, whatever the folder's ending.
        if (c.joined != nullptr) {
            EXPECT_EQ(PathPrefixLength(c.dir), length - (int32_t)strlen(c.name));
        }
        // Joined in place, as a folder given its final backslash.
        char own[64];
        lstrcpyA(own, c.dir);
        EXPECT_EQ(JoinPath(own, c.capacity, own, c.name), length);
        EXPECT_STREQ(own, c.joined != nullptr ? c.joined : c.dir);
    }
}
