// Damaged archives: truncated, bit-flipped, inconsistent. Every one gives a
// clear failure, never a crash, and extraction removes the failing file.
#include "zar_test_support.h"

#include "archive_walk.h"
#include "header_damage_cases.h"
#include "lh5_encoder.h"
#include "record_data.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// An archive of two lh5 records around a stored one; starts receives the
// offset of each record and the archive's end.
std::vector<uint8_t> SmallArchive(std::vector<size_t> *starts = nullptr)
{
    std::vector<uint8_t> text = TextBytes(9000, 7);
    std::vector<uint8_t> more = TextBytes(700, 8);
    std::vector<TestRecord> records{
        {"docs\\text.txt", 1, Lh5Encode(text.data(), text.size()), static_cast<uint32_t>(text.size())},
        StoredRecord("plain.txt", "stored bytes"),
        {"more.txt", 1, Lh5Encode(more.data(), more.size()), static_cast<uint32_t>(more.size())},
    };
    if (starts) {
        size_t offset = 0;
        starts->push_back(0);
        for (const TestRecord &r : records) {
            offset += 21 + r.name.size() + r.data.size();
            starts->push_back(offset);
        }
    }
    return BuildArchive(records);
}

// What zar test decides, in process: true when every record yields its data
// and the archive ends exactly after its last record.
bool ArchiveTestsClean(const std::vector<uint8_t> &archive)
{
    bool dataOk = true;
    WalkResult walk = WalkArchive(archive.data(), static_cast<uint32_t>(archive.size()),
                                  [&](uint32_t, uint32_t, const PayloadRecord &record) {
                                      std::string error;
                                      uint64_t produced = 0;
                                      dataOk = ProduceRecordData(
                                          record,
                                          [&](const uint8_t *, uint32_t count, std::string &) {
                                              produced += count;
                                              return true;
                                          },
                                          error);
                                      if (dataOk && produced != RecordFileSize(record))
                                          ADD_FAILURE()
                                              << record.name << ": " << produced << " bytes produced";
                                      return dataOk;
                                  });
    return dataOk && walk.outcome == WalkResult::Ended && walk.trailing == 0;
}

TEST(ZarDamage, EveryTruncationFailsUnlessItEndsOnARecordBoundary)
{
    std::vector<size_t> starts;
    std::vector<uint8_t> archive = SmallArchive(&starts);
    std::set<size_t> boundaries(starts.begin(), starts.end());
    ASSERT_TRUE(ArchiveTestsClean(archive));
    for (size_t length = 0; length < archive.size(); length++) {
        // An exact-size copy, so that a read past the end is caught by the
        // sanitizer build.
        std::vector<uint8_t> cut(archive.begin(), archive.begin() + static_cast<long>(length));
        EXPECT_EQ(ArchiveTestsClean(cut), boundaries.count(length) == 1) << "cut at " << length;
    }
}

// Every damage of the shared table (header_damage_cases.h), after a sound
// record and, where there is room, before another: zar test refuses it.
TEST(ZarDamage, EveryHeaderDamageIsRefused)
{
    for (const cases::HeaderDamage &damage : cases::HeaderDamages()) {
        std::vector<TestRecord> records{StoredRecord("good.txt", "sound"), damage.record};
        if (damage.room)
            records.push_back(StoredRecord("after.txt", "after"));
        std::vector<uint8_t> archive = BuildArchive(records);
        archive.shrink_to_fit();
        EXPECT_FALSE(ArchiveTestsClean(archive)) << damage.label;
    }
}

TEST(ZarDamage, BitFlipsNeverCrashAndHeaderDamageIsAlwaysCaught)
{
    std::vector<size_t> starts;
    std::vector<uint8_t> archive = SmallArchive(&starts);
    std::set<size_t> headerBytes;   // magic, headerSize, method... up to packedSize
    for (size_t r = 0; r + 1 < starts.size(); r++)
        for (size_t i = 0; i < 16; i++)
            headerBytes.insert(starts[r] + i);
    for (size_t i = 8; i < 12; i++)
        headerBytes.erase(starts[1] + i);   // the stored record's method: any value but 1 stores
    for (size_t byte = 0; byte < archive.size(); byte++)
        for (int bit = 0; bit < 8; bit++) {
            std::vector<uint8_t> flipped = archive;
            flipped[byte] ^= static_cast<uint8_t>(1 << bit);
            bool clean = ArchiveTestsClean(flipped);
            if (headerBytes.count(byte)) {
                EXPECT_FALSE(clean) << "flip at " << byte << ":" << bit;
            }
        }
}

TEST(ZarDamage, CommandsReportTheFailingRecordWithNonZeroExit)
{
    ScratchDir scratch;
    std::vector<size_t> starts;
    std::vector<uint8_t> archive = SmallArchive(&starts);
    const uint32_t third = static_cast<uint32_t>(starts[2]);

    std::vector<uint8_t> badMagic = archive;
    badMagic[third] = 'Z';
    WriteBytes(scratch / "magic.zar", badMagic);
    for (const char *command : {"list", "test"}) {
        RunResult run = Zar({command, scratch / "magic.zar"});
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find("invalid record 3 at offset " + std::to_string(third)), std::string::npos)
            << run.err;
    }

    // Damage inside the lh5 data of the first record: test names it, extract
    // removes its partial file.
    std::vector<uint8_t> badData = archive;
    for (size_t i = 40; i < 60; i++)
        badData[i] ^= 0xFF;
    WriteBytes(scratch / "data.zar", badData);
    RunResult test = Zar({"test", scratch / "data.zar"});
    EXPECT_EQ(test.exitCode, 1);
    EXPECT_NE(test.err.find("record 1 'docs\\text.txt'"), std::string::npos) << test.err;
    RunResult extract = Zar({"extract", scratch / "data.zar", scratch / "out"});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_NE(extract.err.find("partial file removed"), std::string::npos) << extract.err;
    EXPECT_TRUE(ListTree(scratch / "out").empty());

    // Cut inside the last header: list ignores the stub as the setup program
    // does, test does not.
    std::vector<uint8_t> stub = archive;
    stub.resize(third + 10);
    WriteBytes(scratch / "stub.zar", stub);
    EXPECT_EQ(Zar({"list", scratch / "stub.zar"}).exitCode, 0);
    RunResult stubTest = Zar({"test", scratch / "stub.zar"});
    EXPECT_EQ(stubTest.exitCode, 1);
    EXPECT_NE(stubTest.err.find("10 stray byte(s)"), std::string::npos) << stubTest.err;

    // A stored record claiming more bytes than it holds.
    TestRecord greedy = StoredRecord("greedy.txt", "four");
    greedy.unpackedSize = 400;
    WriteBytes(scratch / "greedy.zar",
               BuildArchive({greedy, StoredRecord("next.txt", "0123456789abcdefghijkl")}));
    RunResult greedyTest = Zar({"test", scratch / "greedy.zar"});
    EXPECT_EQ(greedyTest.exitCode, 1);
    EXPECT_NE(greedyTest.err.find("holds only 4"), std::string::npos) << greedyTest.err;
}

TEST(ZarDamage, UnusableInputsAndArgumentsGiveOneLineErrors)
{
    ScratchDir scratch;
    RunResult missing = Zar({"list", scratch / "nothere.zar"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(Lines(missing.err).size(), 1u);
    EXPECT_NE(missing.err.find("nothere.zar"), std::string::npos);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos);

    RunResult directory = Zar({"test", scratch.path});
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_EQ(Lines(directory.err).size(), 1u) << directory.err;

    EXPECT_EQ(Zar({}).exitCode, 2);
    EXPECT_EQ(Zar({"frobnicate", "x"}).exitCode, 2);
    EXPECT_EQ(Zar({"extract", "only-one"}).exitCode, 2);
    EXPECT_EQ(Zar({"pack", scratch.path}).exitCode, 2);

    RunResult help = Zar({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *word : {"list", "test", "extract", "pack", "--first", "--dir-length", "ZAR", "119"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

}   // namespace
