// Entry extraction on Wine's real file system: paths and folders, refused
// names and records, stored and lh5 data, piece sizes, failures and the
// progress shown while a file is written.
#include <windows.h>

#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <thread>

#include "extract_entry.h"
#include "payload_builder.h"
#include "scratch_dir.h"
#include "setup_state.h"
#ifdef HAVE_LH5ENC
#include "lh5_encoder.h"
#endif

namespace {

// The progress panel stand-in: records what the state shows at each paint.
struct Paint {
    std::string currentFile;
    uint32_t progressDone;
    bool fileEmpty;
};
std::vector<Paint> paints;
std::function<void()> onPaint;

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    EndPaint(window, &ps);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(SetupState.currentFile, &found);
    paints.push_back({SetupState.currentFile, SetupState.progressDone,
                      search != INVALID_HANDLE_VALUE && found.nFileSizeLow == 0});
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    if (onPaint)
        onPaint();
    return 0;
}

HWND MakePanel()
{
    WNDCLASSA panelClass = {};
    panelClass.lpfnWndProc = PanelProc;
    panelClass.lpszClassName = "TestProgressPanel";
    RegisterClassA(&panelClass);
    HWND panel = CreateWindowA("TestProgressPanel", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               200, 60, nullptr, nullptr, nullptr, nullptr);
    UpdateWindow(panel);
    paints.clear();
    return panel;
}

// A message-mode pipe: every WriteFile of the client arrives as one message,
// so the sizes of the single writes can be read back.
struct PipeRecorder {
    std::string dir = "\\\\.\\pipe", name;
    HANDLE server;
    std::vector<DWORD> writes;
    std::thread reader;

    PipeRecorder(bool read)
    {
        name = "st-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        server = CreateNamedPipeA((dir + "\\" + name).c_str(), PIPE_ACCESS_INBOUND,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                  1 << 20, 0, nullptr);
        if (read)
            reader = std::thread([this] {
                static char buffer[1 << 16];
                ConnectNamedPipe(server, nullptr);
                DWORD got;
                while (ReadFile(server, buffer, sizeof buffer, &got, nullptr))
                    writes.push_back(got);
            });
    }
    ~PipeRecorder()
    {
        if (reader.joinable())
            reader.join();
        CloseHandle(server);
    }
};

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
        SetupState.progressPanel = nullptr;
    }
    void TearDown() override
    {
        // Extraction leaves the current directory in the folders it tested.
        SetCurrentDirectoryA(startDir.c_str());
        if (SetupState.progressPanel)
            DestroyWindow(SetupState.progressPanel);
        SetupState.progressPanel = nullptr;
        onPaint = nullptr;
    }

    int32_t Extract(const std::vector<TestRecord> &records, const std::string &dir)
    {
        std::vector<uint8_t> archive;
        for (const TestRecord &record : records)
            AppendRecord(archive, record);
        return ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), dir.c_str());
    }
    int32_t Extract(const TestRecord &record) { return Extract({record}, install); }
    std::vector<uint8_t> Installed(const std::string &name)
    {
        return ReadWholeFile(install + "\\" + name);
    }
};

TEST_F(ExtractEntryTest, WalksTheArchiveRecordByRecordToItsEnd)
{
    std::vector<uint8_t> archive;
    AppendRecord(archive, StoredRecord("readme.htm", PatternBytes(100, 1)));
    uint32_t second = (uint32_t)archive.size();
    AppendRecord(archive, Lh5Record("templates\\Flat\\a.bmp", PatternBytes(300, 2)));
    uint32_t tail = (uint32_t)archive.size();
    archive.resize(tail + 20, 0xEE);   // too short for a record: the end

    const char *dir = install.c_str();
    EXPECT_EQ(ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), dir), (int32_t)second);
    EXPECT_EQ(ExtractEntry(archive.data(), second, (uint32_t)archive.size(), dir), (int32_t)tail);
    EXPECT_EQ(ExtractEntry(archive.data(), tail, (uint32_t)archive.size(), dir), 0);
    EXPECT_EQ(Installed("readme.htm"), PatternBytes(100, 1));
    EXPECT_EQ(Installed("templates\\Flat\\a.bmp"), PatternBytes(300, 2));
    EXPECT_EQ(SetupState.progressDone, 2u);
    EXPECT_STREQ(SetupState.currentFile, (install + "\\templates\\Flat\\a.bmp").c_str());
}

TEST_F(ExtractEntryTest, JoinsDirectoryAndNameWithOneBackslashAndMakesFolders)
{
    ASSERT_TRUE(MakeFile(install, "a\\old.txt", "old"));
    EXPECT_GT(Extract({StoredRecord("a\\b\\c\\new.txt", {'n'})}, install + "\\"), 0);
    EXPECT_STREQ(SetupState.currentFile, (install + "\\a\\b\\c\\new.txt").c_str());
    EXPECT_GT(Extract({StoredRecord("top.txt", {'t'})}, install), 0);
    EXPECT_STREQ(SetupState.currentFile, (install + "\\top.txt").c_str());
    EXPECT_EQ(Installed("a\\b\\c\\new.txt"), std::vector<uint8_t>{'n'});
    EXPECT_EQ(Installed("a\\old.txt"), std::vector<uint8_t>({'o', 'l', 'd'}));
}

TEST_F(ExtractEntryTest, AcceptsPathsUpTo253Characters)
{
    auto nameFor = [&](size_t pathLength) {
        return "d\\" + std::string(pathLength - install.size() - 3, 'f');
    };
    EXPECT_GT(Extract(StoredRecord(nameFor(253), {'x'})), 0);
    EXPECT_EQ(strlen(SetupState.currentFile), 253u);
    RemoveTree(install + "\\d");
    EXPECT_EQ(Extract(StoredRecord(nameFor(254), {'x'})), -1);
    EXPECT_FALSE(FolderExists(install + "\\d"));   // refused before any folder
    EXPECT_EQ(Extract({StoredRecord("x", {'x'})}, std::string(300, 'c')), -1);
    EXPECT_EQ(SetupState.progressDone, 1u);
}

TEST_F(ExtractEntryTest, RefusesNamesThatCouldLeaveTheInstallDirectory)
{
    for (const char *name :
         {"..\\st-evil.txt", "a\\..\\..\\st-evil.txt", "\\st-evil.txt", "\\\\host\\share\\st-evil",
          "C:\\st-evil.txt", "c:st-evil.txt", "file.txt:stream", "a/../st-evil.txt",
          "/st-evil.txt", "a\\\\b.txt", "a\\", ".\\b.txt", "a\\.\\b.txt", "...\\b.txt",
          ".. \\b.txt", "a\\..", "..", "."}) {
        EXPECT_EQ(Extract(StoredRecord(name, {'x'})), -1) << name;
    }
    EXPECT_EQ(ListFolder(install), std::vector<std::string>{});
    EXPECT_EQ(ListFolder(scratch.path()), std::vector<std::string>{"install"});
    EXPECT_FALSE(FileExists("C:\\st-evil.txt"));
    EXPECT_EQ(SetupState.progressDone, 0u);
    // Dots inside names are fine.
    for (const char *name : {".hidden", "v1..2\\x..txt", "a b\\..c"})
        EXPECT_GT(Extract(StoredRecord(name, {'x'})), 0) << name;
}

TEST_F(ExtractEntryTest, RefusesDamagedRecordsBeforeCreatingAnything)
{
    TestRecord shortHeader = StoredRecord("ab", {'x'});
    shortHeader.headerSize = 21;   // no room for a name and its NUL
    EXPECT_EQ(Extract(shortHeader), -1);

    std::vector<uint8_t> archive;
    AppendRecord(archive, StoredRecord("cut.txt", PatternBytes(1000, 3)));
    EXPECT_EQ(ExtractEntry(archive.data(), 0, (uint32_t)archive.size() - 1, install.c_str()), -1);

    TestRecord overlong = StoredRecord("long.txt", PatternBytes(10, 3));
    overlong.unpackedSize = 11;   // a copy would read past the archive
    EXPECT_EQ(Extract(overlong), -1);
    EXPECT_EQ(ListFolder(install), std::vector<std::string>{});
    EXPECT_EQ(SetupState.progressDone, 0u);
}

TEST_F(ExtractEntryTest, WritesStoredAndLh5DataExactly)
{
    for (size_t size : {8192u, 8193u, 20000u}) {
        EXPECT_GT(Extract(Lh5Record("lh5.bin", PatternBytes(size, size))), 0);
        EXPECT_EQ(Installed("lh5.bin"), PatternBytes(size, size)) << size;
    }
    EXPECT_GT(Extract(StoredRecord("stored.bin", PatternBytes(70000, 4))), 0);
    EXPECT_EQ(Installed("stored.bin"), PatternBytes(70000, 4));

    // Size 0 (and a negative lh5 size) replace an existing file with an empty one.
    TestRecord negative = Lh5Record("lh5.bin", {});
    negative.unpackedSize = 0x80000000u;
    for (const TestRecord &empty : {StoredRecord("stored.bin", {}), Lh5Record("lh5.bin", {}), negative}) {
        EXPECT_GT(Extract({empty, StoredRecord("next", {'n'})}, install), 0);
        EXPECT_TRUE(FileExists(install + "\\" + empty.name));
        EXPECT_EQ(Installed(empty.name).size(), 0u);
    }
#ifdef HAVE_LH5ENC
    std::string text;
    for (int i = 0; text.size() < 50000; ++i)
        text += "line " + std::to_string(i % 97) + " of the sample text\r\n";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    TestRecord packed = StoredRecord("packed.txt", Lh5Encode(bytes.data(), bytes.size()));
    packed.method = 1;
    packed.unpackedSize = (int64_t)bytes.size();
    EXPECT_GT(Extract(packed), 0);
    EXPECT_EQ(Installed("packed.txt"), bytes);
#endif
}

TEST_F(ExtractEntryTest, WritesInPiecesOf32767AndDecodesIn8192ByteChunks)
{
    auto writesOf = [&](TestRecord record) {
        PipeRecorder pipe(true);
        record.name = pipe.name;
        EXPECT_GT(Extract({record}, pipe.dir), 0);
        CloseHandle(CreateFileA((pipe.dir + "\\" + pipe.name).c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));   // frees the reader if not opened
        pipe.reader.join();
        return pipe.writes;
    };
    using Writes = std::vector<DWORD>;
    EXPECT_EQ(writesOf(StoredRecord("", PatternBytes(70000, 5))), Writes({32767, 32767, 4466}));
    EXPECT_EQ(writesOf(Lh5Record("", PatternBytes(8192, 6))), Writes({8192}));
    EXPECT_EQ(writesOf(Lh5Record("", PatternBytes(8193, 7))), Writes({8192, 1}));
    TestRecord empty = StoredRecord("", {'x'});
    empty.unpackedSize = 0;
    EXPECT_EQ(writesOf(empty), Writes{});
}

TEST_F(ExtractEntryTest, ShortWritesFailTheRecord)
{
    // The reader goes away once the file is open: every write falls short.
    SetupState.progressPanel = MakePanel();
    for (auto [record, expected] : {std::pair{StoredRecord("", PatternBytes(100, 8)), -5},
                                    std::pair{Lh5Record("", PatternBytes(100, 9)), -2}}) {
        PipeRecorder pipe(false);
        record.name = pipe.name;
        onPaint = [&] { DisconnectNamedPipe(pipe.server); };
        EXPECT_EQ(Extract({record}, pipe.dir), expected);
    }
}

TEST_F(ExtractEntryTest, DecodeErrorsDeleteThePartialFileOnly)
{
    Lh5StreamWriter broken;
    broken.IncompleteBlock();
    Lh5StreamWriter late;   // one good chunk is written before the error
    late.Literals(PatternBytes(8192, 10));
    late.IncompleteBlock();
    for (auto &[writer, size] : {std::pair{&broken, 100}, std::pair{&late, 9000}}) {
        TestRecord bad = StoredRecord("bad.bin", writer->Finish());
        bad.method = 1;
        bad.unpackedSize = size;
        std::vector<uint8_t> archive;
        AppendRecord(archive, StoredRecord("kept.txt", {'k'}));
        uint32_t second = (uint32_t)archive.size();
        AppendRecord(archive, bad);
        const char *dir = install.c_str();
        EXPECT_EQ(ExtractEntry(archive.data(), 0, (uint32_t)archive.size(), dir), (int32_t)second);
        EXPECT_EQ(ExtractEntry(archive.data(), second, (uint32_t)archive.size(), dir), -2);
        EXPECT_FALSE(FileExists(install + "\\bad.bin"));
        EXPECT_TRUE(FileExists(install + "\\kept.txt"));
    }
    EXPECT_EQ(SetupState.progressDone, 4u);   // the failed files count as created
}

TEST_F(ExtractEntryTest, FileThatCannotBeCreatedGivesMinus6)
{
    ASSERT_TRUE(WriteTextFile(install + "\\held.txt", "held"));
    HANDLE held = CreateFileA((install + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Extract(StoredRecord("held.txt", {'x'})), -6);
    CloseHandle(held);
    ASSERT_TRUE(MakeFolders(install, "folder"));
    EXPECT_EQ(Extract(StoredRecord("folder", {'x'})), -6);
    EXPECT_EQ(Installed("held.txt"), std::vector<uint8_t>({'h', 'e', 'l', 'd'}));
    EXPECT_EQ(SetupState.progressDone, 0u);
    EXPECT_STREQ(SetupState.currentFile, "");
}

TEST_F(ExtractEntryTest, ReadOnlyTargetFileGivesMinus6)
{
    std::string target = install + "\\ro.txt";
    ASSERT_TRUE(WriteTextFile(target, "ro"));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "this account may write read-only files here (Wine run as root)";
    }
    EXPECT_EQ(Extract(StoredRecord("ro.txt", {'x'})), -6);
    EXPECT_EQ(ReadWholeFile(target), std::vector<uint8_t>({'r', 'o'}));
}

TEST_F(ExtractEntryTest, PanelShowsTheNewFileBeforeItsData)
{
    SetupState.progressPanel = MakePanel();
    EXPECT_GT(Extract(Lh5Record("sub\\shown.bin", PatternBytes(10000, 11))), 0);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].currentFile, install + "\\sub\\shown.bin");
    EXPECT_EQ(paints[0].progressDone, 1u);
    EXPECT_TRUE(paints[0].fileEmpty);
    EXPECT_EQ(Installed("sub\\shown.bin").size(), 10000u);
}

TEST(WriteFileLockedTest, WritesAtThePositionAndReleasesTheLock)
{
    ScratchDir scratch("locked");
    std::string path = scratch.at("f.bin");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<uint8_t> bytes = PatternBytes(40000, 12);
    EXPECT_EQ(WriteFileLocked(file, bytes.data(), 3), 1);
    EXPECT_EQ(WriteFileLocked(file, bytes.data() + 3, 0), 1);
    EXPECT_EQ(WriteFileLocked(file, bytes.data() + 3, 39997), 1);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 40000u);
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(LockFile(other, 0, 0, 40000, 0));   // no lock left behind
    CloseHandle(other);
    CloseHandle(file);
    EXPECT_EQ(ReadWholeFile(path), bytes);

    HANDLE readOnly = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(WriteFileLocked(readOnly, bytes.data(), 10), 0);
    CloseHandle(readOnly);
}

}  // namespace
