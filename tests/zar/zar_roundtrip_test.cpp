// pack -> list -> test -> extract round trips, reproducibility, ordering, and
// lhasa as an independent decoder of every compressed record.
#include "zar_test_support.h"

#include "lhasa_decode.h"
#include "payload_record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

// A tree with the sizes that matter: empty, one byte, exactly one and just
// over one decoder chunk, text, incompressible data, nested folders.
std::map<std::string, std::vector<uint8_t>> SampleTree()
{
    return {
        {"empty.txt", {}},
        {"one.bin", {0x41}},
        {"chunk8192.txt", TextBytes(8192, 1)},
        {"chunk8193.txt", TextBytes(8193, 2)},
        {"noise.bin", RandomBytes(20000, 3)},
        {"docs/manual.txt", TextBytes(150000, 4)},
        {"docs/deep/er/still.txt", TextBytes(3000, 5)},
        {"templates/Flat/Icons/zeros.bmp", std::vector<uint8_t>(70000, 0)},
    };
}

void WriteTree(const std::string &root, const std::map<std::string, std::vector<uint8_t>> &tree)
{
    for (const auto &[name, bytes] : tree)
        WriteBytes(root + "/" + name, bytes);
}

struct Listed {
    std::string method;
    uint32_t packed = 0, unpacked = 0;
    std::string name;
};

std::vector<Listed> ParseListing(const std::string &out)
{
    std::vector<Listed> rows;
    for (const std::string &line : Lines(out)) {
        Listed row;
        char method[32];
        int consumed = 0;
        if (std::sscanf(line.c_str(), "%31s %u %u  %n", method, &row.packed, &row.unpacked, &consumed) != 3)
            ADD_FAILURE() << "unexpected listing line: " << line;
        row.method = method;
        row.name = line.substr(static_cast<size_t>(consumed));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Names(const std::vector<Listed> &rows)
{
    std::vector<std::string> names;
    for (const Listed &row : rows)
        names.push_back(row.name);
    return names;
}

TEST(ZarRoundTrip, PackListTestExtractGivesBackEveryFileByteForByte)
{
    ScratchDir scratch;
    auto tree = SampleTree();
    WriteTree(scratch / "in", tree);
    std::filesystem::create_directories(scratch / "in/empty-folder/inner");

    RunResult pack = Zar({"pack", "-o", scratch / "a.zar", scratch / "in"});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    EXPECT_NE(pack.out.find("8 files"), std::string::npos) << pack.out;

    RunResult list = Zar({"list", scratch / "a.zar"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::vector<Listed> rows = ParseListing(list.out);
    ASSERT_EQ(rows.size(), tree.size());
    for (const Listed &row : rows) {
        std::string path = row.name;
        std::replace(path.begin(), path.end(), '\\', '/');
        ASSERT_TRUE(tree.count(path)) << row.name;
        const std::vector<uint8_t> &original = tree[path];
        EXPECT_EQ(row.unpacked, original.size()) << row.name;
        if (row.method == "lh5") {
            EXPECT_LT(row.packed, original.size()) << row.name;
        } else {
            EXPECT_EQ(row.method, "stored") << row.name;
        }
    }
    auto row = [&](const std::string &name) {
        for (const Listed &r : rows)
            if (r.name == name)
                return r;
        return Listed();
    };
    EXPECT_EQ(row("noise.bin").method, "stored");
    EXPECT_EQ(row("noise.bin").packed, 20000u);
    EXPECT_EQ(row("docs\\manual.txt").method, "lh5");
    EXPECT_EQ(row("templates\\Flat\\Icons\\zeros.bmp").method, "lh5");
    EXPECT_EQ(row("empty.txt").method, "stored");
    EXPECT_EQ(row("empty.txt").packed, 0u);

    RunResult test = Zar({"test", scratch / "a.zar"});
    EXPECT_EQ(test.exitCode, 0) << test.err;

    RunResult extract = Zar({"extract", scratch / "a.zar", scratch / "out"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    std::vector<std::string> expected;
    for (const auto &[name, bytes] : tree) {
        expected.push_back(name);
        EXPECT_EQ(ReadBytes(scratch / "out/" + name), bytes) << name;
    }
    EXPECT_EQ(ListTree(scratch / "out"), expected);   // no empty folders, nothing else
}

TEST(ZarRoundTrip, EmptyFileAsLastRecordStillGivesAValidArchive)
{
    // The last record's header may not end exactly at the end of the archive.
    ScratchDir scratch;
    WriteText(scratch / "in/a.txt", "first");
    WriteText(scratch / "in/z.txt", "");
    ASSERT_EQ(Zar({"pack", "-o", scratch / "a.zar", scratch / "in"}).exitCode, 0);
    RunResult test = Zar({"test", scratch / "a.zar"});
    EXPECT_EQ(test.exitCode, 0) << test.err;
    ASSERT_EQ(Zar({"extract", scratch / "a.zar", scratch / "out"}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(scratch / "out/z.txt").empty());
    EXPECT_EQ(ListTree(scratch / "out"), (std::vector<std::string>{"a.txt", "z.txt"}));
}

TEST(ZarRoundTrip, SameInputGivesTheSameBytesWherever)
{
    ScratchDir scratch;
    WriteTree(scratch / "one", SampleTree());
    WriteTree(scratch / "elsewhere/two", SampleTree());
    ASSERT_EQ(Zar({"pack", "-o", scratch / "1.zar", scratch / "one"}).exitCode, 0);
    ASSERT_EQ(Zar({"pack", "-o", scratch / "2.zar", scratch / "one"}).exitCode, 0);
    ASSERT_EQ(Zar({"pack", "-o", scratch / "3.zar", scratch / "elsewhere/two"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(scratch / "1.zar"), ReadBytes(scratch / "2.zar"));
    EXPECT_EQ(ReadBytes(scratch / "1.zar"), ReadBytes(scratch / "3.zar"));
}

// Every compressed record of an archive, decoded by lhasa, the independent
// decoder, must give back its file of tree; a stored record holds the file as
// it is. Returns the packed size of each compressed record by name.
std::map<std::string, size_t>
ExpectLhasaDecodesEveryRecord(const std::vector<uint8_t> &archive,
                              const std::map<std::string, std::vector<uint8_t>> &tree)
{
    std::map<std::string, size_t> compressed;
    uint32_t offset = 0;
    PayloadRecord record;
    while (PayloadReadRecord(archive.data(), offset, static_cast<uint32_t>(archive.size()), &record) == 1) {
        std::string path = record.name;
        std::replace(path.begin(), path.end(), '\\', '/');
        const std::vector<uint8_t> &original = tree.at(path);
        if (record.method == kPayloadMethodLh5) {
            compressed[record.name] = record.packedSize;
            std::vector<uint8_t> stream(record.data, record.data + record.packedSize);
            EXPECT_EQ(LhasaDecode(stream, record.unpackedSize), original) << record.name;
        } else {
            EXPECT_EQ(std::vector<uint8_t>(record.data, record.data + record.packedSize), original)
                << record.name;
        }
        offset = record.next;
    }
    EXPECT_EQ(offset, archive.size());
    return compressed;
}

TEST(ZarRoundTrip, SameBytesWhateverTheThreadsAndTheLevelsStreams)
{
    ScratchDir scratch;
    auto tree = SampleTree();
    // Large enough for three pieces at the fast level.
    std::vector<uint8_t> big = TextBytes(2200000, 9);
    big.insert(big.begin() + 1000000, 300000, 0x20);
    tree["big/pieces.txt"] = big;
    WriteTree(scratch / "in", tree);

    for (const char *threads : {"1", "2", "3"}) {
        RunResult pack = Zar({"pack", "-o", scratch / std::string("t") + threads + ".zar", scratch / "in",
                              "--threads", threads});
        ASSERT_EQ(pack.exitCode, 0) << pack.err;
        RunResult best = Zar({"pack", "--best", "-o", scratch / std::string("b") + threads + ".zar",
                              scratch / "in", "--threads=" + std::string(threads)});
        ASSERT_EQ(best.exitCode, 0) << best.err;
    }
    std::vector<uint8_t> fast = ReadBytes(scratch / "t1.zar");
    EXPECT_EQ(ReadBytes(scratch / "t2.zar"), fast);
    EXPECT_EQ(ReadBytes(scratch / "t3.zar"), fast);
    EXPECT_EQ(ReadBytes(scratch / "b2.zar"), ReadBytes(scratch / "b1.zar"));
    EXPECT_EQ(ReadBytes(scratch / "b3.zar"), ReadBytes(scratch / "b1.zar"));
    ASSERT_EQ(Zar({"pack", "--fast", "-o", scratch / "f.zar", scratch / "in"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(scratch / "f.zar"), fast) << "--fast is not the default";
    RunResult test = Zar({"test", scratch / "t3.zar"});
    EXPECT_EQ(test.exitCode, 0) << test.err;

    // Both levels' records decode to the files, and the exhaustive search
    // finds a shorter stream for the large file.
    auto fastRecords = ExpectLhasaDecodesEveryRecord(fast, tree);
    auto bestRecords = ExpectLhasaDecodesEveryRecord(ReadBytes(scratch / "b3.zar"), tree);
    EXPECT_GE(fastRecords.size(), 5u);
    EXPECT_EQ(fastRecords.size(), bestRecords.size());
    EXPECT_LT(bestRecords["big\\pieces.txt"], fastRecords["big\\pieces.txt"]);

    for (const char *threads : {"0", "257", "two", ""}) {
        RunResult bad = Zar({"pack", "-o", scratch / "x.zar", scratch / "in", "--threads", threads});
        EXPECT_EQ(bad.exitCode, 2) << threads;
        EXPECT_NE(bad.err.find("--threads"), std::string::npos) << bad.err;
    }
    EXPECT_FALSE(Exists(scratch / "x.zar"));
    RunResult help = Zar({"--help"});
    for (const char *option : {"--best", "--fast", "--threads N"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(ZarRoundTrip, FirstFilesLeadInTheGivenOrderThenByteOrder)
{
    ScratchDir scratch;
    for (const char *name : {"a.txt", "B.txt", "a/b.txt", "a_b.txt", "main.exe", "help/readme.htm"})
        WriteText(scratch / "in/" + name, name);
    RunResult pack = Zar({"pack", "-o", scratch / "a.zar", scratch / "in", "--first", "main.exe", "--first",
                          "help\\readme.htm"});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    RunResult list = Zar({"list", scratch / "a.zar"});
    // Byte order of the backslash names: 'B' < 'a', '.' < '\' < '_'.
    EXPECT_EQ(
        Names(ParseListing(list.out)),
        (std::vector<std::string>{"main.exe", "help\\readme.htm", "B.txt", "a.txt", "a\\b.txt", "a_b.txt"}));

    RunResult missing = Zar({"pack", "-o", scratch / "b.zar", scratch / "in", "--first", "nothere.exe"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nothere.exe"), std::string::npos) << missing.err;
    RunResult twice =
        Zar({"pack", "-o", scratch / "b.zar", scratch / "in", "--first", "a.txt", "--first", "a.txt"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_FALSE(Exists(scratch / "b.zar"));
}

TEST(ZarRoundTrip, OutputInsideThePackedFolderIsRefused)
{
    ScratchDir scratch;
    WriteText(scratch / "in/a.txt", "a");
    std::filesystem::create_directories(scratch / "in/sub");
    RunResult pack = Zar({"pack", "-o", scratch / "in/sub/../self.zar", scratch / "in"});
    EXPECT_EQ(pack.exitCode, 1);
    EXPECT_NE(pack.err.find("inside"), std::string::npos) << pack.err;
    EXPECT_FALSE(Exists(scratch / "in/self.zar"));
}

TEST(ZarRoundTrip, LhasaDecodesEveryCompressedRecordToTheOriginalFile)
{
    ScratchDir scratch;
    auto tree = SampleTree();
    WriteTree(scratch / "in", tree);
    ASSERT_EQ(Zar({"pack", "-o", scratch / "a.zar", scratch / "in"}).exitCode, 0);
    EXPECT_GE(ExpectLhasaDecodesEveryRecord(ReadBytes(scratch / "a.zar"), tree).size(), 5u);
}

}   // namespace
