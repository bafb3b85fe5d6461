// lh5 streams written by a classic lh5 archiver (not our encoder), packed as
// payload records: zar must test and extract them to exactly the bytes the
// archiver stored, as liblhasa and the archive's own CRC-16 confirm.
#include <gtest/gtest.h>

#include <lhasa.h>

#include <cstdio>
#include <cstring>

#include "zar_test_support.h"

namespace {

const std::string kFixture = std::string(ZAR_LZH_DIR) + "/classic-lh5.lzh";

struct LzhEntry {
    std::string name;
    std::vector<uint8_t> stream;
    uint32_t length = 0;
};

uint32_t Le(const std::vector<uint8_t> &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + i);
    return v;
}

// Level-2 headers: total header size, method, packed and original sizes.
std::vector<LzhEntry> ReadLevel2Streams(const std::vector<uint8_t> &lzh,
                                        const std::vector<std::string> &names)
{
    std::vector<LzhEntry> entries;
    size_t offset = 0;
    while (offset + 2 <= lzh.size() && Le(lzh, offset, 2) != 0) {
        uint32_t headerSize = Le(lzh, offset, 2);
        EXPECT_EQ(2, lzh.at(offset + 20)) << "header level";
        EXPECT_EQ(0, std::memcmp(&lzh.at(offset + 2), "-lh5-", 5));
        uint32_t packed = Le(lzh, offset + 7, 4);
        LzhEntry entry;
        entry.length = Le(lzh, offset + 11, 4);
        entry.name = names.at(entries.size());
        entry.stream.assign(lzh.begin() + offset + headerSize, lzh.begin() + offset + headerSize + packed);
        entries.push_back(entry);
        offset += headerSize + packed;
    }
    return entries;
}

// CRC-16 as the LHA format stores it (reflected, polynomial 0xA001).
uint16_t Crc16(const std::vector<uint8_t> &data)
{
    uint16_t crc = 0;
    for (uint8_t byte : data) {
        crc ^= byte;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

struct LhasaFile {
    std::string name;
    uint16_t crc;
    std::vector<uint8_t> content;
};

std::vector<LhasaFile> ExtractWithLhasa(const std::string &path)
{
    std::vector<LhasaFile> files;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    LHAInputStream *stream = lha_input_stream_from(name.data());
    EXPECT_NE(nullptr, stream);
    if (!stream)
        return files;
    LHAReader *reader = lha_reader_new(stream);
    while (LHAFileHeader *header = lha_reader_next_file(reader)) {
        LhasaFile file{header->filename, header->crc, {}};
        uint8_t buffer[4096];
        size_t got;
        while ((got = lha_reader_read(reader, buffer, sizeof buffer)) > 0)
            file.content.insert(file.content.end(), buffer, buffer + got);
        files.push_back(file);
    }
    lha_reader_free(reader);
    lha_input_stream_free(stream);
    return files;
}

TEST(ZarClassicStreams, ArchiverStreamsTestAndExtractByteForByte)
{
    std::vector<LhasaFile> reference = ExtractWithLhasa(kFixture);
    ASSERT_EQ(3u, reference.size());
    std::vector<std::string> names;
    for (const LhasaFile &f : reference)
        names.push_back(f.name);
    std::vector<LzhEntry> entries = ReadLevel2Streams(ReadBytes(kFixture), names);
    ASSERT_EQ(3u, entries.size());

    std::vector<TestRecord> records;
    for (const LzhEntry &e : entries)
        records.push_back(Lh5Record("classic\\" + e.name, e.stream, e.length));
    ScratchDir dir;
    WriteBytes(dir / "classic.zar", BuildArchive(records));

    RunResult test = Zar({"test", dir / "classic.zar"});
    EXPECT_EQ(0, test.exitCode) << test.err;
    RunResult extract = Zar({"extract", dir / "classic.zar", dir / "out"});
    ASSERT_EQ(0, extract.exitCode) << extract.err;

    for (size_t i = 0; i < reference.size(); ++i) {
        std::vector<uint8_t> ours = ReadBytes(dir / ("out/classic/" + reference[i].name));
        EXPECT_EQ(entries[i].length, ours.size()) << reference[i].name;
        EXPECT_EQ(reference[i].crc, Crc16(ours)) << reference[i].name;
        EXPECT_TRUE(ours == reference[i].content) << reference[i].name;
    }
}

TEST(ZarClassicStreams, ArchiverStreamCutShortFails)
{
    std::vector<LhasaFile> reference = ExtractWithLhasa(kFixture);
    ASSERT_FALSE(reference.empty());
    std::vector<LzhEntry> entries =
        ReadLevel2Streams(ReadBytes(kFixture), {reference[0].name, reference[1].name, reference[2].name});
    ASSERT_FALSE(entries.empty());
    // The word salad's stream without its last quarter: decoding it would
    // need more bits than the record holds.
    TestRecord r = Lh5Record(
        "cut.txt",
        Bytes(entries[0].stream.begin(), entries[0].stream.begin() + entries[0].stream.size() * 3 / 4),
        entries[0].length);
    ScratchDir dir;
    WriteBytes(dir / "cut.zar", BuildArchive({r}));
    RunResult test = Zar({"test", dir / "cut.zar"});
    EXPECT_NE(0, test.exitCode);
    RunResult extract = Zar({"extract", dir / "cut.zar", dir / "out"});
    EXPECT_NE(0, extract.exitCode);
    EXPECT_FALSE(Exists(dir / "out/cut.txt"));
}

}   // namespace
