// Entry extraction on Wine's real file system: paths, refused names and
// records, data and piece sizes, failures, and the progress shown.
#include <windows.h>

#include <gtest/gtest.h>
#include <cstring>
#include <functional>

#include "entry_name_cases.h"
#include "extract_entry.h"
#include "header_damage_cases.h"
#include "folder_link.h"
#include "iat_hook.h"
#include "setup_state.h"
#include "lh5_stream_writer.h"
#include "payload_archive.h"
#include "test_files.h"
#ifdef HAVE_LH5ENC
#include "lh5_encoder.h"
#endif

namespace {

// The progress panel stand-in: what the state shows at each paint.
struct Paint {
    std::string currentFile;
    uint32_t progressDone;
    DWORD fileSize;
};
std::vector<Paint> paints;
std::function<void()> onPaint;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    ValidateRect(window, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(SetupState.currentFile, GetFileExInfoStandard, &data);
    paints.push_back({SetupState.currentFile, SetupState.progressDone, data.nFileSizeLow});
    if (onPaint)
        onPaint();
    return 0;
}

HWND MakePanel()
{
    WNDCLASSA panelClass = {};
    panelClass.lpfnWndProc = PanelProc;
    panelClass.lpszClassName = "TestPanel";
    RegisterClassA(&panelClass);
    HWND panel = CreateWindowA("TestPanel", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 60, nullptr,
                               nullptr, nullptr, nullptr);
    UpdateWindow(panel);
    paints.clear();
    return panel;
}

// Every WriteFile of the code under test, recorded through the import table
// (and cut short on request): the single writes can be told apart.
struct WriteRecorder {
    static WriteRecorder *active;
    static void *real;
    std::vector<DWORD> sizes;
    Bytes content;
    bool shortWrites = false;
    testsupport::ImportHook hook{"kernel32.dll", "WriteFile", (void *)Record};
    WriteRecorder()
    {
        active = this;
        real = hook.Original();
    }
    ~WriteRecorder() { active = nullptr; }

    static BOOL WINAPI Record(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written,
                              LPOVERLAPPED overlapped)
    {
        WriteRecorder *self = active;
        self->sizes.push_back(count);
        self->content.insert(self->content.end(), (const uint8_t *)bytes, (const uint8_t *)bytes + count);
        DWORD asked = self->shortWrites && count > 0 ? count - 1 : count;
        return ((BOOL(WINAPI *)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED))real)(file, bytes, asked,
                                                                                     written, overlapped);
    }
};
WriteRecorder *WriteRecorder::active;
void *WriteRecorder::real;

class ExtractEntryTest : public ::testing::Test {
protected:
    ScratchDir scratch{"extract"};
    std::string install = scratch.at("install");
    std::string startDir = CurrentDirectory();

    void SetUp() override
    {
        CreateDirectoryA(install.c_str(), nullptr);
        SetupState.progressDone = 0;
        SetupState.currentFile[0] = '\0';
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(startDir.c_str());   // extraction moves it
        DestroyWindow(SetupState.progressPanel);
        SetupState.progressPanel = nullptr;
        onPaint = nullptr;
    }
    int32_t Extract(const std::vector<TestRecord> &records, std::string dir = "")
    {
        Bytes archive;
        for (const TestRecord &record : records)
            AppendRecord(archive, record);
        dir = dir.empty() ? install : dir;
        return ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), dir.c_str());
    }
    Bytes Installed(const std::string &name) { return ReadBytes(install + "\\" + name); }
};

TEST_F(ExtractEntryTest, WalksTheArchiveAndJoinsPathsWithOneBackslash)
{
    ASSERT_TRUE(WriteBytes(install, "a\\old.txt", {7}));
    Bytes archive;
    AppendRecord(archive, Stored("a\\b\\one.txt", Pattern(100, 1)));
    uint32_t second = (uint32_t)archive.size();
    AppendRecord(archive, Lh5("two.bin", Pattern(300, 2)));
    uint32_t tail = (uint32_t)archive.size();
    archive.resize(tail + 20, 0xEE);   // too short for a record: the end
    auto at = [&](uint32_t offset, const std::string &dir) {
        return ExtractEntry(archive.data(), offset, (uint32_t)archive.size(), dir.c_str());
    };
    EXPECT_EQ(at(0, install + "\\"), (int32_t)second);
    EXPECT_STREQ(SetupState.currentFile, (install + "\\a\\b\\one.txt").c_str());
    EXPECT_EQ(at(second, install), (int32_t)tail);
    EXPECT_STREQ(SetupState.currentFile, (install + "\\two.bin").c_str());
    EXPECT_EQ(at(tail, install), kExtractEnd);
    EXPECT_EQ(Installed("a\\b\\one.txt"), Pattern(100, 1));
    EXPECT_EQ(Installed("two.bin"), Pattern(300, 2));
    EXPECT_EQ(Installed("a\\old.txt"), Bytes{7});
    EXPECT_EQ(SetupState.progressDone, 2u);
}

TEST_F(ExtractEntryTest, AcceptsPathsOfUpTo253Characters)
{
    auto name = [&](size_t length) { return "d\\" + std::string(length - install.size() - 3, 'f'); };
    EXPECT_GT(Extract({Stored(name(253), {1})}), 0);
    EXPECT_EQ(strlen(SetupState.currentFile), 253u);
    RemoveTree(install + "\\d");
    EXPECT_EQ(Extract({Stored(name(254), {1})}), kExtractInvalid);
    EXPECT_FALSE(Exists(install + "\\d"));   // refused before any folder is made
    EXPECT_EQ(Extract({Stored("x", {1})}, std::string(300, 'c')), kExtractInvalid);
    Bytes archive;
    AppendRecord(archive, Stored("x", {1}));
    EXPECT_EQ(ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), ""), kExtractInvalid);
    EXPECT_EQ(SetupState.progressDone, 1u);
}

// Any method but 1 is stored. An lh5 record starts on the window the record
// before left: a stream whose one symbol copies 256 bytes from 256 back
// yields the last 256 bytes of the lh5 record before it.
TEST_F(ExtractEntryTest, OtherMethodsAreStoredAndTheWindowCarriesOver)
{
    for (uint32_t method : {2u, 5u, 0xFFFFFFFFu}) {
        TestRecord record = Stored("m" + std::to_string(method), Pattern(300, method));
        record.method = method;
        EXPECT_GT(Extract({record}), 0) << method;
        EXPECT_EQ(Installed(record.name), Pattern(300, method)) << method;
    }
    BitWriter back;
    back.Put(1, 16);                     // one symbol
    back.Put(0, 5), back.Put(0, 5);      // code-length code: a single symbol, unused
    back.Put(0, 9), back.Put(509, 9);    // literal code: the single symbol 509, 256 bytes
    back.Put(0, 4), back.Put(8, 4);      // position code: the single symbol 8, then
    back.Put(127, 7), back.Put(0, 16);   // 7 extra bits: 128 + 127, so 256 bytes back
    const Bytes first = Pattern(8192, 15);
    EXPECT_GT(Extract({Lh5("first.bin", first)}), 0);
    EXPECT_GT(Extract({{"second.bin", 1, back.bytes, 256}}), 0);
    EXPECT_EQ(Installed("second.bin"), Bytes(first.end() - 256, first.end()));
}

TEST_F(ExtractEntryTest, RefusesNamesThatCouldLeaveTheInstallDirectory)
{
    for (const auto *names : {&cases::LeavingNames(), &cases::DeviceNames()})
        for (const std::string &name : *names)
            EXPECT_EQ(Extract({Stored(name, {1})}), kExtractInvalid) << name;
    EXPECT_EQ(ListFolder(scratch.path), std::vector<std::string>{"install"});
    EXPECT_EQ(ListFolder(install), std::vector<std::string>{});
    EXPECT_FALSE(Exists("C:\\canary.txt"));
    EXPECT_EQ(SetupState.progressDone, 0u);
    for (const std::string &name : cases::SafeNames())
        EXPECT_GT(Extract({Stored(name, {1})}), 0) << name;
}

TEST_F(ExtractEntryTest, RefusesDamagedRecordsBeforeCreatingAnything)
{
    // Each damaged record of the shared table, after a sound one and before
    // another where there is room, extracted where it stands.
    for (const cases::HeaderDamage &damage : cases::HeaderDamages()) {
        Bytes archive;
        AppendRecord(archive, Stored("good.txt", Pattern(10, 2)));
        uint32_t at = (uint32_t)archive.size();
        AppendRecord(archive, damage.record);
        if (damage.room)
            AppendRecord(archive, Stored("next.txt", Pattern(10, 4)));
        EXPECT_EQ(ExtractEntry(archive.data(), at, (uint32_t)archive.size(), install.c_str()),
                  kExtractInvalid)
            << damage.label;
    }
    Bytes archive;
    AppendRecord(archive, Stored("cut.txt", Pattern(1000, 3)));
    EXPECT_EQ(ExtractEntry(archive.data(), 0, (uint32_t)archive.size() - 1, install.c_str()),
              kExtractInvalid);
    EXPECT_EQ(ListFolder(install), std::vector<std::string>{});
    EXPECT_EQ(SetupState.progressDone, 0u);
}

TEST_F(ExtractEntryTest, WritesInPiecesOf32767AndChunksOf8192)
{
    TestRecord noBytes = Stored("", {1});
    noBytes.unpackedSize = 0;
    struct Case {
        TestRecord record;
        Bytes content;
        std::vector<DWORD> writes;
    };
    for (Case c :
         {Case{Stored("", Pattern(70000, 4)), Pattern(70000, 4), {32767, 32767, 4466}},
          Case{Lh5("", Pattern(8192, 5)), Pattern(8192, 5), {8192}},
          Case{Lh5("", Pattern(8193, 6)), Pattern(8193, 6), {8192, 1}},
          Case{Lh5("", Pattern(20000, 7)), Pattern(20000, 7), {8192, 8192, 3616}}, Case{noBytes, {}, {}}}) {
        c.record.name = "pieces.bin";
        WriteRecorder writes;
        EXPECT_GT(Extract({c.record}), 0);
        EXPECT_EQ(writes.sizes, c.writes);
        EXPECT_EQ(writes.content, c.content);
        EXPECT_EQ(Installed("pieces.bin"), c.content);
    }
    for (size_t size : {8193u, 20000u}) {
        EXPECT_GT(Extract({Lh5("lh5.bin", Pattern(size, 8))}), 0);
        EXPECT_EQ(Installed("lh5.bin"), Pattern(size, 8));
    }
    // Empty records (a negative lh5 size too) replace a file with an empty one.
    TestRecord negative = Lh5("lh5.bin", {});
    negative.unpackedSize = 0x80000000u;
    for (const TestRecord &empty : {Stored("lh5.bin", {}), Lh5("lh5.bin", {}), negative}) {
        ASSERT_TRUE(WriteBytes(install, "lh5.bin", {1, 2}));
        EXPECT_GT(Extract({empty, Stored("next", {1})}), 0);
        EXPECT_TRUE(Exists(install + "\\lh5.bin") && Installed("lh5.bin").empty());
    }
#ifdef HAVE_LH5ENC
    std::string text;
    for (int i = 0; text.size() < 50000; ++i)
        text += "line " + std::to_string(i % 97) + " of the sample text\r\n";
    Bytes bytes(text.begin(), text.end());
    EXPECT_GT(Extract({{"packed.txt", 1, Lh5Encode(bytes.data(), bytes.size()), (int64_t)bytes.size()}}), 0);
    EXPECT_EQ(Installed("packed.txt"), bytes);
#endif
}

TEST_F(ExtractEntryTest, FailedRecordsDeleteOnlyTheirOwnFile)
{
    // Decode errors, at once and after a first chunk has been written.
    for (auto [stream, size] : {std::pair{BitWriter().Incomplete().bytes, 100},
                                std::pair{BitWriter().Literals(Pattern(8192, 9)).Incomplete().bytes, 9000}}) {
        Bytes archive;
        AppendRecord(archive, Stored("kept.txt", {1}));
        uint32_t second = (uint32_t)archive.size();
        AppendRecord(archive, {"bad.bin", 1, stream, size});
        ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), install.c_str());
        EXPECT_EQ(ExtractEntry(archive.data(), second, (uint32_t)archive.size(), install.c_str()),
                  kExtractDecodeFailed);
        EXPECT_FALSE(Exists(install + "\\bad.bin"));
        EXPECT_TRUE(Exists(install + "\\kept.txt"));
    }
    EXPECT_EQ(SetupState.progressDone, 4u);   // failed files were created, so they count
    // Short writes: the file goes, through its folder.
    for (auto [record, expected] :
         {std::pair{Stored("sub\\short.bin", Pattern(100, 10)), kExtractShortWrite},
          std::pair{Lh5("sub\\short.bin", Pattern(100, 11)), kExtractDecodeFailed}}) {
        WriteRecorder writes;
        writes.shortWrites = true;
        EXPECT_EQ(Extract({record}), expected);
        EXPECT_FALSE(Exists(install + "\\sub\\short.bin"));
    }
}

// A disk that fills up midway: the cut file is deleted, nothing of it stays.
// Needs the drive "q:" on a file system of a few dozen KiB, which
// tests/payload/with-full-disk.sh provides; without it the case is skipped.
TEST_F(ExtractEntryTest, FullDiskDeletesTheCutFile)
{
    const char *drive = "q:\\";
    ULARGE_INTEGER free, total;
    if (!GetDiskFreeSpaceExA(drive, &free, &total, nullptr) || total.QuadPart > (1u << 20))
        GTEST_SKIP() << "no small drive q: (run through tests/payload/with-full-disk.sh)";
    std::string dir = std::string(drive) + "full";
    CreateDirectoryA(dir.c_str(), nullptr);
    const size_t tooMuch = (size_t)total.QuadPart + (256u << 10);
    for (auto [record, expected] :
         {std::pair{Stored("stored.bin", Pattern(tooMuch, 21)), kExtractShortWrite},
          std::pair{Lh5("packed.bin", Pattern(tooMuch, 22)), kExtractDecodeFailed}}) {
        EXPECT_EQ(Extract({record}, dir), expected) << record.name;
        EXPECT_FALSE(Exists(dir + "\\" + record.name)) << record.name;
        // Everything written was given back: a small file still fits.
        EXPECT_GT(Extract({Stored("small.txt", Pattern(1000, 23))}, dir), 0) << record.name;
        EXPECT_EQ(ReadBytes(dir + "\\small.txt"), Pattern(1000, 23));
        DeleteFileA((dir + "\\small.txt").c_str());
    }
}

TEST_F(ExtractEntryTest, FileThatCannotBeCreatedGivesNotCreated)
{
    ASSERT_TRUE(WriteBytes(install, "held.txt", {7}) && WriteBytes(install, "folder\\x", {}));
    HANDLE held =
        CreateFileA((install + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Extract({Stored("held.txt", {1})}), kExtractNotCreated);
    CloseHandle(held);
    EXPECT_EQ(Extract({Stored("folder", {1})}), kExtractNotCreated);
    EXPECT_EQ(Installed("held.txt"), Bytes{7});
    EXPECT_EQ(SetupState.progressDone, 0u);
    EXPECT_STREQ(SetupState.currentFile, "");
    // A read-only file can be neither written nor removed to be replaced,
    // whatever the account (Wine run as root included).
    ASSERT_TRUE(SetFileAttributesA((install + "\\held.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Extract({Stored("held.txt", {1})}), kExtractNotCreated);
    EXPECT_EQ(Installed("held.txt"), Bytes{7});
    SetFileAttributesA((install + "\\held.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ExtractEntryTest, PanelShowsTheNewFileBeforeItsData)
{
    SetupState.progressPanel = MakePanel();
    EXPECT_GT(Extract({Lh5("sub\\shown.bin", Pattern(10000, 12))}), 0);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].currentFile, install + "\\sub\\shown.bin");
    EXPECT_EQ(paints[0].progressDone, 1u);
    EXPECT_EQ(paints[0].fileSize, 0u);
    EXPECT_EQ(Installed("sub\\shown.bin").size(), 10000u);
}

// No written file's identity is read: the launch compares the program's
// bytes instead, and under Wine each such read is a round trip to the mount
// manager, some nine server requests a file.
int identityReads = 0;
void *realGetFileInformationByHandle;
BOOL WINAPI CountIdentityRead(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    ++identityReads;
    return ((BOOL(WINAPI *)(HANDLE, LPBY_HANDLE_FILE_INFORMATION))realGetFileInformationByHandle)(file, info);
}

TEST_F(ExtractEntryTest, NoFileHasItsIdentityRead)
{
    testsupport::ImportHook hook("kernel32.dll", "GetFileInformationByHandle", (void *)CountIdentityRead);
    realGetFileInformationByHandle = hook.Original();
    identityReads = 0;
    Bytes archive;
    AppendRecord(archive, Stored("before.dll", {1}));
    const uint32_t program = (uint32_t)archive.size();
    AppendRecord(archive, Lh5("bin\\main.exe", Pattern(9000, 16)));
    const uint32_t after = (uint32_t)archive.size();
    AppendRecord(archive, Stored("bin\\after.dll", {2}));
    auto at = [&](uint32_t offset) {
        return ExtractEntry(archive.data(), offset, (uint32_t)archive.size(), install.c_str());
    };
    EXPECT_EQ(at(0), (int32_t)program);
    EXPECT_EQ(at(program), (int32_t)after);
    EXPECT_GT(at(after), 0);
    EXPECT_EQ(identityReads, 0);
}

// A folder of a record's path that is a link (the verified attack: an
// existing install whose "templates" points elsewhere) fails the record like
// an unsafe name, and nothing is written where the link points; so does a
// record whose file name is a link.
TEST_F(ExtractEntryTest, RecordsThroughLinkedFoldersFailAndWriteNothing)
{
    std::string other = scratch.at("other");
    ASSERT_TRUE(WriteBytes(scratch.path, "other\\Flat\\keep.bmp", {9}));
    ASSERT_TRUE(CreateDirectoryA((install + "\\a").c_str(), nullptr));
    std::string links[] = {install + "\\templates", install + "\\a\\b"};
    if (!folder_link::MakeFolderLink(links[0], other) || !folder_link::MakeFolderLink(links[1], other))
        GTEST_SKIP() << "no folder link can be made here";
    for (const char *name :
         {"templates\\Flat\\image.bmp", "templates\\new.bmp", "a\\b\\c\\d.txt", "templates", "a\\b"})
        EXPECT_EQ(Extract({Lh5(name, Pattern(100, 14))}), kExtractInvalid) << name;
    EXPECT_EQ(ListFolder(other), std::vector<std::string>{"Flat"});
    EXPECT_EQ(ListFolder(other + "\\Flat"), std::vector<std::string>{"keep.bmp"});
    EXPECT_EQ(ReadBytes(other + "\\Flat\\keep.bmp"), Bytes{9});
    EXPECT_EQ(SetupState.progressDone, 0u);
    // Beside the links, records install as before.
    EXPECT_GT(Extract({Stored("a\\c\\d.txt", {5})}), 0);
    EXPECT_EQ(Installed("a\\c\\d.txt"), Bytes{5});
    SetCurrentDirectoryA(startDir.c_str());
    for (const std::string &link : links)
        folder_link::RemoveLink(link);
}

// A payload name taken by another name of a file elsewhere (a hard link,
// which another local user can make to a file they cannot change) is
// replaced by a new file: the file elsewhere keeps its bytes.
TEST_F(ExtractEntryTest, FileLinksAtAPayloadNameAreReplacedNotWrittenThrough)
{
    ASSERT_TRUE(WriteBytes(scratch.path, "victim.dll", {9, 9}));
    const std::string victim = scratch.path + "\\victim.dll";
    ASSERT_TRUE(CreateHardLinkA((install + "\\hard.dll").c_str(), victim.c_str(), nullptr));
    EXPECT_GT(Extract({Stored("hard.dll", {1, 2, 3})}), 0);
    EXPECT_EQ(Installed("hard.dll"), (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadBytes(victim), (Bytes{9, 9}));
}

// The folders of the record's path are held while its file is written: they
// can be neither renamed nor removed meanwhile, and are let go afterwards.
TEST_F(ExtractEntryTest, FoldersOfThePathAreHeldWhileTheFileIsWritten)
{
    SetupState.progressPanel = MakePanel();
    int moves = 0;
    onPaint = [&] {
        moves += MoveFileA((install + "\\sub").c_str(), (install + "\\moved").c_str());
        moves += MoveFileA((install + "\\sub\\deeper").c_str(), (install + "\\sub\\moved").c_str());
    };
    EXPECT_GT(Extract({Stored("sub\\deeper\\held.txt", Pattern(100, 15))}), 0);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(Installed("sub\\deeper\\held.txt"), Pattern(100, 15));
    SetCurrentDirectoryA(startDir.c_str());
    EXPECT_TRUE(MoveFileA((install + "\\sub").c_str(), (install + "\\moved").c_str()));
}

TEST(WriteFileLockedTest, WritesAtThePositionAndReleasesTheLock)
{
    ScratchDir scratch("locked");
    std::string path = scratch.at("f.bin");
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    Bytes bytes = Pattern(40000, 13);
    EXPECT_EQ(WriteFileLocked(file, bytes.data(), 3), 1);
    EXPECT_EQ(WriteFileLocked(file, bytes.data() + 3, 0), 1);
    EXPECT_EQ(WriteFileLocked(file, bytes.data() + 3, 39997), 1);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 40000u);
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(LockFile(other, 0, 0, 40000, 0));             // no lock left behind
    EXPECT_EQ(WriteFileLocked(other, bytes.data(), 10), 0);   // not open for writing
    CloseHandle(other);
    CloseHandle(file);
    EXPECT_EQ(ReadBytes(path), bytes);
}

// Wine lets no other handle see a byte-range lock through writes, so the
// calls themselves are recorded: LockFile, WriteFile and UnlockFile of this
// program's import table are replaced for the test. The write numbered
// shortWriteAt writes half its piece and reports that.
std::vector<std::string> fileCalls;
int writesSeen = 0, shortWriteAt = 0;
void *realWriteFile;

template <bool unlock>
BOOL WINAPI RecordLock(HANDLE, DWORD low, DWORD high, DWORD lengthLow, DWORD lengthHigh)
{
    fileCalls.push_back((unlock ? "unlock " : "lock ") + std::to_string(low) + " " +
                        std::to_string(lengthLow) + (high || lengthHigh ? " high" : ""));
    return TRUE;
}

BOOL WINAPI RecordWrite(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    fileCalls.push_back("write " + std::to_string(count) + (overlapped ? " overlapped" : ""));
    const DWORD asked = ++writesSeen == shortWriteAt ? count / 2 : count;
    return ((BOOL(WINAPI *)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED))realWriteFile)(
        file, bytes, asked, written, overlapped);
}

TEST(WriteFileLockedTest, LocksExactlyTheWrittenRangeAroundTheWrites)
{
    testsupport::ImportHook lock("kernel32.dll", "LockFile", (void *)RecordLock<false>),
        unlock("kernel32.dll", "UnlockFile", (void *)RecordLock<true>),
        write("kernel32.dll", "WriteFile", (void *)RecordWrite);
    realWriteFile = write.Original();
    ASSERT_TRUE(lock.Original() && unlock.Original() && realWriteFile) << "calls not imported by the program";
    ScratchDir scratch("locked");
    HANDLE file =
        CreateFileA(scratch.at("f.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    Bytes bytes = Pattern(40000, 14);
    auto calls = [&](uint32_t length, int shortAt) {
        fileCalls.clear();
        writesSeen = 0;
        shortWriteAt = shortAt;
        const int32_t result = WriteFileLocked(file, bytes.data(), length);
        return std::to_string(result) + ": " + ::testing::PrintToString(fileCalls);
    };
    auto expected = [](int32_t result, const std::vector<std::string> &list) {
        return std::to_string(result) + ": " + ::testing::PrintToString(list);
    };
    EXPECT_EQ(calls(3, 0), expected(1, {"lock 0 3", "write 3", "unlock 0 3"}));
    EXPECT_EQ(calls(0, 0), expected(1, {"lock 3 0", "unlock 3 0"}));
    EXPECT_EQ(calls(40000, 0), expected(1, {"lock 3 40000", "write 32767", "write 7233", "unlock 3 40000"}));
    // Short writes, in the first piece and in a later one: the same range is
    // unlocked before the failure is returned.
    EXPECT_EQ(calls(10, 1), expected(0, {"lock 40003 10", "write 10", "unlock 40003 10"}));
    SetFilePointer(file, 100, nullptr, FILE_BEGIN);
    EXPECT_EQ(calls(40000, 2),
              expected(0, {"lock 100 40000", "write 32767", "write 7233", "unlock 100 40000"}));
    CloseHandle(file);
}

}   // namespace
