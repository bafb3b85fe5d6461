// Names: what pack refuses, and hostile archives that try to write outside
// the extraction folder.
#include "zar_test_support.h"

#include "entry_name.h"
#include "entry_name_cases.h"
#include "pack_open.h"
#include "pack_scan.h"
#include "safe_name.h"
#include "text_out.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <filesystem>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// Every name the installer refuses (the shared table), and those that
// Windows or the setup program cannot take for other reasons.
std::vector<std::string> RefusedNames()
{
    std::vector<std::string> names = cases::LeavingNames();
    names.insert(names.end(), cases::DeviceNames().begin(), cases::DeviceNames().end());
    return names;
}

TEST(ZarNames, RefusesWhatTheSetupProgramOrWindowsCannotTake)
{
    std::vector<std::string> bad = RefusedNames();
    for (const char *more : {"", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\there", "caf\xC3\xA9.txt",
                             "aux \\x.txt", "lpt9", "Com1.log"})
        bad.push_back(more);
    for (const std::string &name : bad)
        EXPECT_NE(PackNameReason(name, kDefaultDirLength), "") << "accepted: " << name;
    std::vector<std::string> good = cases::SafeNames();
    for (const char *more : {"varnik.exe", "templates\\Flat\\Icons\\home.png", "com10"})
        good.push_back(more);
    for (const std::string &name : good)
        EXPECT_EQ(PackNameReason(name, kDefaultDirLength), "") << "refused: " << name;

    // The setup program's own rule, used by test and extract, is narrower.
    EXPECT_EQ(UnsafeNameReason("a?b"), "");
    EXPECT_NE(UnsafeNameReason("..\\a"), "");
}

// zar must call a name unsafe exactly when the installer refuses it:
// otherwise a payload passes zar test and then fails every install.
TEST(ZarNames, UnsafeExactlyWhenTheSetupProgramRefuses)
{
    std::vector<std::string> names = RefusedNames();
    names.insert(names.end(), cases::SafeNames().begin(), cases::SafeNames().end());
    for (const char *more : {"", "a?b", "trailing "})
        names.push_back(more);
    for (const std::string &name : names) {
        bool refused = EntryNameIsSafe(name.c_str()) == 0;
        EXPECT_EQ(UnsafeNameReason(name) != "", refused) << "'" << name << "': " << UnsafeNameReason(name);
    }
}

TEST(ZarNames, ShownNamesHaveEveryControlByteEscaped)
{
    EXPECT_EQ(PrintableName("templates\\Flat\\a b.bmp"), "templates\\Flat\\a b.bmp");
    EXPECT_EQ(PrintableName("a\x1B[2J\nb\rc\td\x7F"), "a\\x1B[2J\\x0Ab\\x0Dc\\x09d\\x7F");
    EXPECT_EQ(PrintableName(std::string("nul\0x", 5)), "nul\\x00x");
    EXPECT_EQ(PrintableName("caf\xC3\xA9\x9B"), "caf\\xC3\\xA9\\x9B");
    // A folder "a" holding "x1B" must not read like "a" + ESC.
    EXPECT_EQ(PrintableName("a\\x1B"), "a\\x5Cx1B");
    EXPECT_EQ(PrintableName("a\\y\\"), "a\\y\\");
    for (int c = 0; c < 256; c++) {
        std::string shown = PrintableName(std::string(1, static_cast<char>(c)));
        bool printable = c >= 0x20 && c < 0x7F;
        EXPECT_EQ(shown.size(), printable ? 1u : 4u) << c;
        for (unsigned char out : shown)
            EXPECT_TRUE(out >= 0x20 && out < 0x7F) << c;
    }
}

// True when text holds a byte that a terminal would act on, other than the
// line feeds that end lines.
bool HasRawControl(const std::string &text)
{
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\n') || c >= 0x7F)
            return true;
    return false;
}

// A name with an escape sequence and a line feed in it: list shows it
// escaped, test and extract refuse it (Windows allows no control characters
// in file names) and name it escaped, never with the raw bytes.
TEST(ZarNames, EveryCommandShowsControlCharactersInNamesEscaped)
{
    struct Case {
        std::string name, shown, reason;
    };
    const Case cases[] = {
        {"esc\x1B[2Jname\nline.txt", "esc\\x1B[2Jname\\x0Aline.txt", "contains a control character"},
        {"sub\x1B]0;title\x07\\a.txt", "sub\\x1B]0;title\\x07\\a.txt", "contains a control character"},
        {"sub\\nul.\x1B[31m", "sub\\nul.\\x1B[31m", "component 'nul.\\x1B[31m' is a Windows device name"},
    };
    for (const Case &c : cases) {
        ScratchDir scratch;
        WriteBytes(scratch / "a.zar",
                   BuildArchive({StoredRecord("good.txt", "good"), StoredRecord(c.name, "evil"),
                                 StoredRecord("after.txt", "after")}));
        RunResult list = Zar({"list", scratch / "a.zar"});
        EXPECT_EQ(list.exitCode, 0) << list.err;
        ASSERT_EQ(Lines(list.out).size(), 3u) << list.out;
        EXPECT_EQ(Lines(list.out)[1].substr(Lines(list.out)[1].size() - c.shown.size()), c.shown);
        EXPECT_FALSE(HasRawControl(list.out + list.err)) << list.out;

        const std::string label = "record 2 '" + c.shown + "' at offset 33: unsafe name: " + c.reason;
        RunResult test = Zar({"test", scratch / "a.zar"});
        EXPECT_EQ(test.exitCode, 1);
        EXPECT_EQ(test.err, "zar: " + scratch / "a.zar" + ": " + label + "\n");
        EXPECT_FALSE(HasRawControl(test.out + test.err));

        RunResult extract = Zar({"extract", scratch / "a.zar", scratch / "out"});
        EXPECT_EQ(extract.exitCode, 1);
        EXPECT_EQ(extract.err, "zar: " + scratch / "a.zar" + ": " + label + "\n");
        EXPECT_FALSE(HasRawControl(extract.out + extract.err));
        EXPECT_EQ(ListTree(scratch / "out"), std::vector<std::string>{"good.txt"}) << c.shown;
    }
}

TEST(ZarNames, PathLimitCountsTheInstallFolderAndItsBackslash)
{
    std::string name225(225, 'n');   // 27 + 1 + 225 = 253
    EXPECT_EQ(PackNameReason(name225, 27), "");
    EXPECT_NE(PackNameReason(name225 + "x", 27), "");
    EXPECT_EQ(PackNameReason(std::string(252, 'n'), 0), "");
    EXPECT_NE(PackNameReason(std::string(253, 'n'), 0), "");

    ScratchDir scratch;
    std::string longName = std::string(100, 'd') + "/" + std::string(128, 'f');   // 229 with the backslash
    WriteText(scratch / "in/" + longName, "x");
    RunResult refused = Zar({"pack", "-o", scratch / "a.zar", scratch / "in"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("too long"), std::string::npos) << refused.err;
    EXPECT_FALSE(Exists(scratch / "a.zar"));
    RunResult accepted = Zar({"pack", "-o", scratch / "a.zar", scratch / "in", "--dir-length", "23"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_EQ(Zar({"pack", "-o", scratch / "b.zar", scratch / "in", "--dir-length", "24"}).exitCode, 1);
    EXPECT_EQ(Zar({"pack", "-o", scratch / "b.zar", scratch / "in", "--dir-length", "x"}).exitCode, 2);
}

TEST(ZarNames, PackRefusesBadTreesAndWritesNothing)
{
    struct Case {
        std::vector<std::string> files;
        std::string expected;   // part of the message
    };
    const Case cases[] = {
        {{"ok.txt", "what?.txt"}, "what?.txt"}, {{"ok.txt", "sub/CON"}, "device"},
        {{"ok.txt", "COM0.bmp"}, "device"},     {{"Readme.txt", "readme.txt"}, "case"},
        {{"data", "DATA/inner.txt"}, "folder"}, {{"back\\slash.txt"}, "backslash"},
    };
    for (const Case &c : cases) {
        ScratchDir scratch;
        for (const std::string &file : c.files)
            WriteText(scratch / "in/" + file, "x");
        RunResult pack = Zar({"pack", "-o", scratch / "a.zar", scratch / "in"});
        EXPECT_EQ(pack.exitCode, 1) << c.files.back();
        EXPECT_NE(pack.err.find(c.expected), std::string::npos) << pack.err;
        EXPECT_FALSE(Exists(scratch / "a.zar"));
        EXPECT_FALSE(Exists(scratch / "a.zar.partial"));
    }
}

TEST(ZarNames, PackDoesNotFollowSymbolicLinks)
{
    ScratchDir scratch;
    WriteText(scratch / "in/real.txt", "real");
    WriteText(scratch / "secret/key.txt", "secret");
    ASSERT_EQ(symlink((scratch / "secret/key.txt").c_str(), (scratch / "in/link.txt").c_str()), 0);
    ASSERT_EQ(symlink((scratch / "secret").c_str(), (scratch / "in/linkdir").c_str()), 0);
    RunResult pack = Zar({"pack", "-o", scratch / "a.zar", scratch / "in"});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    EXPECT_NE(pack.err.find("symbolic link"), std::string::npos);
    RunResult list = Zar({"list", scratch / "a.zar"});
    ASSERT_EQ(Lines(list.out).size(), 1u) << list.out;
    EXPECT_NE(list.out.find("real.txt"), std::string::npos);
}

// True when thread tid of this process sleeps in an open call: the kernel
// names the call it waits in, and its state is S.
bool AsleepInOpen(pid_t tid)
{
    const std::string task = "/proc/self/task/" + std::to_string(tid);
    long call = -1;
    std::ifstream(task + "/syscall") >> call;
    std::string stat;
    std::getline(std::ifstream(task + "/stat"), stat);
    const size_t state = stat.rfind(')');
    return (call == SYS_openat || call == SYS_open) && state != std::string::npos &&
           stat.compare(state, 3, ") S") == 0;
}

// Runs read on a thread of its own until one of two things happens: it
// returns, or the thread is seen asleep in an open, which only a FIFO without
// a writer can keep it in. The FIFO is then opened for writing, which ends
// that wait. True when read returned without such a wait.
bool ReturnsWithoutWaitingInOpen(const std::string &fifo, const std::function<void()> &read)
{
    std::atomic<pid_t> tid{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        tid = static_cast<pid_t>(syscall(SYS_gettid));
        read();
        done = true;
    });
    bool waited = false;
    while (!done) {
        if (tid != 0 && AsleepInOpen(tid)) {
            waited = true;
            int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    return !waited;
}

// A file of the scanned tree swapped for something else before pack reads
// it: what is opened must be the very file the scan found, and a FIFO put in
// its place must not make the open wait for a writer.
TEST(ZarNames, PackReadsOnlyTheFilesItScanned)
{

    struct Swap {
        const char *what;
        std::function<void(const ScratchDir &)> apply;
        const char *expected;
    };
    const Swap swaps[] = {
        {"nothing", [](const ScratchDir &) {}, ""},
        {"a symbolic link",
         [](const ScratchDir &s) {
             ASSERT_EQ(unlink((s / "in/sub/b.txt").c_str()), 0);
             ASSERT_EQ(symlink((s / "secret/key.txt").c_str(), (s / "in/sub/b.txt").c_str()), 0);
         },
         "it has become a symbolic link since the scan"},
        {"a FIFO",
         [](const ScratchDir &s) {
             ASSERT_EQ(unlink((s / "in/sub/b.txt").c_str()), 0);
             ASSERT_EQ(mkfifo((s / "in/sub/b.txt").c_str(), 0644), 0);
         },
         "it is no longer a regular file (a FIFO since the scan)"},
        {"another file",
         [](const ScratchDir &s) {
             WriteText(s / "in/sub/new.txt", "other");
             ASSERT_EQ(rename((s / "in/sub/new.txt").c_str(), (s / "in/sub/b.txt").c_str()), 0);
         },
         "it has been replaced by another file since the scan"},
        {"its folder made a link",
         [](const ScratchDir &s) {
             std::filesystem::rename(s / "in/sub", s / "moved");
             ASSERT_EQ(symlink((s / "moved").c_str(), (s / "in/sub").c_str()), 0);
         },
         "its folder 'sub' has become a symbolic link or a file since the scan"},
        // The same file, grown or cut short in place: read no further than
        // one byte past the size the scan found.
        {"grown in place", [](const ScratchDir &s) { WriteText(s / "in/sub/b.txt", "scanned and grown"); },
         "changed while packing (7 bytes at the scan, more when read)"},
        {"cut short in place", [](const ScratchDir &s) { WriteText(s / "in/sub/b.txt", "sca"); },
         "changed while packing (7 bytes at the scan, 3 when read)"},
    };
    for (const Swap &swap : swaps) {
        ScratchDir scratch;
        WriteText(scratch / "in/a.txt", "first");
        WriteText(scratch / "in/sub/b.txt", "scanned");
        WriteText(scratch / "secret/key.txt", "secret");
        std::vector<PackEntry> entries;
        std::vector<std::string> notes;
        std::string error;
        ASSERT_TRUE(ScanPackTree(scratch / "in", entries, notes, error)) << error;
        ASSERT_EQ(entries.size(), 2u);
        ASSERT_EQ(entries[1].name, "sub\\b.txt");
        swap.apply(scratch);

        std::vector<uint8_t> bytes;
        bool read = false;
        EXPECT_TRUE(ReturnsWithoutWaitingInOpen(
            scratch / "in/sub/b.txt",
            [&] { read = ReadPackEntry(scratch / "in", entries[1], bytes, error); }))
            << swap.what << ": the open waited";
        if (std::string(swap.expected).empty()) {
            EXPECT_TRUE(read) << error;
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "scanned");
        } else {
            EXPECT_FALSE(read) << swap.what;
            EXPECT_EQ(error, "refusing '" + scratch / "in/sub/b.txt" + "': " + swap.expected) << swap.what;
            EXPECT_TRUE(bytes.empty()) << swap.what;
        }
        ASSERT_TRUE(ReadPackEntry(scratch / "in", entries[0], bytes, error)) << error;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first");
    }
}

// A link planted where pack writes its temporary output, pointing at a file
// or at a name that does not exist yet, and a file left by an interrupted
// run: pack writes none of them, leaves them as they are, and takes the next
// free name.
TEST(ZarNames, PackDoesNotWriteThroughAPlantedTemporaryOutput)
{
    for (int kind : {0, 1, 2}) {
        ScratchDir scratch;
        WriteText(scratch / "in/a.txt", "payload");
        if (kind == 0)
            WriteText(scratch / "victim.txt", "keep");
        if (kind == 2)
            WriteText(scratch / "a.zar.partial", "left");
        else
            ASSERT_EQ(symlink((scratch / "victim.txt").c_str(), (scratch / "a.zar.partial").c_str()), 0);
        RunResult pack = Zar({"pack", "-o", scratch / "a.zar", scratch / "in"});
        EXPECT_EQ(pack.exitCode, 0) << kind << pack.err;
        if (kind == 0)
            EXPECT_EQ(ReadBytes(scratch / "victim.txt"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
        else
            EXPECT_FALSE(Exists(scratch / "victim.txt")) << kind;
        if (kind == 2)
            EXPECT_EQ(ReadBytes(scratch / "a.zar.partial"), (std::vector<uint8_t>{'l', 'e', 'f', 't'}));
        else
            EXPECT_TRUE(std::filesystem::is_symlink(scratch / "a.zar.partial")) << kind;
        EXPECT_FALSE(Exists(scratch / "a.zar.partial.1")) << kind;
        ASSERT_TRUE(Exists(scratch / "a.zar")) << kind;
        EXPECT_EQ(Zar({"test", scratch / "a.zar"}).exitCode, 0) << kind;
    }
}

// Every hostile name stops extraction at its record, after the good record
// before it was written, and nothing appears outside the target folder.
TEST(ZarNames, ExtractNeverWritesOutsideItsFolder)
{
    std::vector<std::string> names = RefusedNames();
    names.push_back("ABSOLUTE");
    for (std::string hostile : names) {
        ScratchDir scratch;
        if (hostile == "ABSOLUTE")
            hostile = scratch / "evil.txt";   // where a writer that trusts names would put it
        std::filesystem::create_directories(scratch / "box");
        WriteBytes(scratch / "box/hostile.zar",
                   BuildArchive({StoredRecord("good.txt", "good"), StoredRecord(hostile, "evil"),
                                 StoredRecord("after.txt", "after")}));
        RunResult test = Zar({"test", scratch / "box/hostile.zar"});
        EXPECT_EQ(test.exitCode, 1) << hostile;
        EXPECT_NE(test.err.find("record 2"), std::string::npos) << test.err;
        RunResult extract = Zar({"extract", scratch / "box/hostile.zar", scratch / "box/out"});
        EXPECT_EQ(extract.exitCode, 1) << hostile;
        EXPECT_NE(extract.err.find("record 2"), std::string::npos) << extract.err;
        EXPECT_NE(extract.err.find("unsafe name"), std::string::npos) << extract.err;
        EXPECT_EQ(ListTree(scratch.path), (std::vector<std::string>{"box/hostile.zar", "box/out/good.txt"}))
            << hostile;
    }
}

TEST(ZarNames, ExtractRefusesSymbolicLinkFoldersAndReplacesLinkedFiles)
{
    ScratchDir scratch;
    std::filesystem::create_directories(scratch / "outside");
    std::filesystem::create_directories(scratch / "out");
    WriteText(scratch / "outside/target.txt", "keep");
    ASSERT_EQ(symlink((scratch / "outside").c_str(), (scratch / "out/link").c_str()), 0);
    ASSERT_EQ(symlink((scratch / "outside/target.txt").c_str(), (scratch / "out/file.txt").c_str()), 0);

    WriteBytes(scratch / "a.zar", BuildArchive({StoredRecord("file.txt", "new")}));
    RunResult replaced = Zar({"extract", "--into", scratch / "a.zar", scratch / "out"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(ReadBytes(scratch / "outside/target.txt"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_FALSE(std::filesystem::is_symlink(scratch / "out/file.txt"));
    EXPECT_EQ(ReadBytes(scratch / "out/file.txt"), (std::vector<uint8_t>{'n', 'e', 'w'}));

    WriteBytes(scratch / "b.zar", BuildArchive({StoredRecord("link\\planted.txt", "evil")}));
    RunResult refused = Zar({"extract", "--into", scratch / "b.zar", scratch / "out"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("symbolic link"), std::string::npos) << refused.err;
    EXPECT_FALSE(Exists(scratch / "outside/planted.txt"));
}

// extract makes its target. An existing one is taken only when it is an
// empty folder of the user running zar; a folder holding anything, or a
// link planted at the target's name (in a shared folder, say), is refused
// with nothing written, unless --into says to extract into it as it is.
TEST(ZarNames, ExtractMakesItsTargetOrTakesOnlyAnEmptyFolderOfItsUser)
{
    ScratchDir scratch;
    WriteBytes(scratch / "a.zar", BuildArchive({StoredRecord("file.txt", "new")}));
    std::filesystem::create_directories(scratch / "empty");
    std::filesystem::create_directories(scratch / "full");
    std::filesystem::create_directories(scratch / "elsewhere");
    WriteText(scratch / "full/mine.txt", "mine");
    ASSERT_EQ(symlink((scratch / "elsewhere").c_str(), (scratch / "linked").c_str()), 0);
    ASSERT_EQ(symlink((scratch / "nowhere").c_str(), (scratch / "dangling").c_str()), 0);

    for (const char *made : {"new", "empty"}) {
        RunResult extract = Zar({"extract", scratch / "a.zar", scratch / made});
        EXPECT_EQ(extract.exitCode, 0) << made << ": " << extract.err;
        EXPECT_EQ(ReadBytes(scratch / (std::string(made) + "/file.txt")),
                  (std::vector<uint8_t>{'n', 'e', 'w'}))
            << made;
    }
    for (const char *refused : {"full", "linked", "dangling"}) {
        RunResult extract = Zar({"extract", scratch / "a.zar", scratch / refused});
        EXPECT_EQ(extract.exitCode, 1) << refused;
        EXPECT_NE(extract.err.find("--into"), std::string::npos) << extract.err;
    }
    EXPECT_EQ(ListTree(scratch / "full"), std::vector<std::string>{"mine.txt"});
    EXPECT_TRUE(ListTree(scratch / "elsewhere").empty());
    EXPECT_FALSE(Exists(scratch / "nowhere"));

    RunResult into = Zar({"extract", "--into", scratch / "a.zar", scratch / "full"});
    EXPECT_EQ(into.exitCode, 0) << into.err;
    EXPECT_EQ(ListTree(scratch / "full"), (std::vector<std::string>{"file.txt", "mine.txt"}));
}

// An empty folder of another user at the target: they could read or change
// what is written into it. Needs the right to give a folder away (root).
TEST(ZarNames, ExtractRefusesAnotherUsersFolder)
{
    ScratchDir scratch;
    WriteBytes(scratch / "a.zar", BuildArchive({StoredRecord("file.txt", "new")}));
    std::filesystem::create_directories(scratch / "theirs");
    if (chown((scratch / "theirs").c_str(), geteuid() + 1, static_cast<gid_t>(-1)) != 0)
        GTEST_SKIP() << "cannot give a folder to another user here";
    RunResult extract = Zar({"extract", scratch / "a.zar", scratch / "theirs"});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_NE(extract.err.find("belongs to another user"), std::string::npos) << extract.err;
    EXPECT_TRUE(ListTree(scratch / "theirs").empty());
}

}   // namespace

// A folder of the tree swapped for a link to another folder while the scan
// runs (another thread exchanges the two as fast as it can, so that the name
// is always one or the other): the scan either lists the tree or stops with
// a message, and never names a file from elsewhere.
TEST(ZarNames, ScanNamesNothingFromAFolderSwappedForALink)
{
    ScratchDir scratch;
    for (int i = 0; i < 40; ++i)
        WriteText(scratch / ("in/sub/f" + std::to_string(i) + ".txt"), "in");
    WriteText(scratch / "secret/key.txt", "secret");
    ASSERT_EQ(symlink((scratch / "secret").c_str(), (scratch / "spare").c_str()), 0);
    std::atomic<bool> stop{false};
    std::thread flipper([&] {
        const std::string sub = scratch / "in/sub", spare = scratch / "spare";
        while (!stop)
            renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, spare.c_str(), RENAME_EXCHANGE);
    });
    int listed = 0;
    for (int scan = 0; scan < 10000; ++scan) {
        std::vector<PackEntry> entries;
        std::vector<std::string> notes;
        std::string error;
        listed += ScanPackTree(scratch / "in", entries, notes, error);
        std::string seen = error;
        for (const PackEntry &entry : entries)
            seen += entry.name + "\n";
        for (const std::string &note : notes)
            seen += note + "\n";
        ASSERT_EQ(seen.find("key"), std::string::npos) << "scan " << scan << ": " << seen;
    }
    stop = true;
    flipper.join();
    RecordProperty("scans listed whole", listed);
}

// zar's inputs are checked before they are read: a FIFO (which a blocking
// open would wait on for a writer forever) is refused at once.
TEST(ZarNames, AFifoAsInputIsRefusedAtOnce)
{
    ScratchDir scratch;
    ASSERT_EQ(mkfifo((scratch / "pipe").c_str(), 0644), 0);
    for (const char *command : {"list", "test", "extract"}) {
        std::vector<std::string> args = {"10", ZAR_BIN, command, scratch / "pipe"};
        if (std::string(command) == "extract")
            args.push_back(scratch / "out");
        RunResult run = RunProgram("/usr/bin/timeout", args);
        EXPECT_EQ(run.exitCode, 1) << command << " (124: it waited)";
        EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << command << run.err;
        EXPECT_FALSE(Exists(scratch / "out")) << command;
    }
}
