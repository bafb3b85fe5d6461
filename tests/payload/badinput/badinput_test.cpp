// Damaged and hostile payloads installed through ExtractPayload under Wine.
// Every payload holds two good records (one stored, one lh5) before the
// record under test and, where the damage allows, a good record after it.
// The outcomes:
//   Refused   -1, cancelled; the record is refused before anything is created
//             (progressDone 2), the good records stay, the later one is never
//             attempted.
//   Removed   -1, cancelled; the record's file was created (progressDone 3)
//             and deleted again when its data failed.
//   Installed -2, not cancelled: every record written (the damage still makes
//             a valid record), then the shortcuts fail for want of a Start
//             Menu folder (see the fixture).
//   Ignored   -2, not cancelled: the bytes are no record at all (the archive
//             has ended), only the good records are written.
// The fixture checks every case for writes outside the install folder, for
// crashes and for walks that never end.
#include "badinput_fixture.h"

#include <chrono>
#include <cstdio>

#include "entry_name_cases.h"
#include "header_damage_cases.h"
#include "extract_payload.h"
#include "lh5_encoder.h"

namespace badinput {
namespace {

enum class Expect {
    Refused,
    Removed,
    Installed,
    Ignored
};

const char kFirstName[] = "good1.txt";
const char kFirstText[] = "first record, stored";
const char kSecondName[] = "sub\\good2.bin";
const char kAfterName[] = "after.txt";
const char kAfterText[] = "after the damage";
const char kBadName[] = "damaged.bin";

const Bytes &SecondData()
{
    static const Bytes data = TextBytes(3000, 1);
    return data;
}

// good1, good2, the records under test, after.txt when asked for, then tail.
Bytes Payload(const std::vector<TestRecord> &middle, bool withAfter, const Bytes &tail = {})
{
    Bytes archive;
    AppendRecord(archive, StoredRecord(kFirstName, kFirstText));
    AppendRecord(archive, Lh5Record(kSecondName, Lh5Encode(SecondData().data(), SecondData().size()),
                                    (int64_t)SecondData().size()));
    for (const TestRecord &r : middle)
        AppendRecord(archive, r);
    if (withAfter)
        AppendRecord(archive, StoredRecord(kAfterName, kAfterText));
    archive.insert(archive.end(), tail.begin(), tail.end());
    return archive;
}

int32_t RecordCount(size_t middle, bool withAfter)
{
    return 2 + (int32_t)middle + (withAfter ? 1 : 0);
}

class BadPayloads : public BadInputTest {
protected:
    // Installs the payload and checks the outcome of kind expect for the
    // record named name (its data content where it is Installed).
    Outcome Check(const Bytes &payload, int32_t fileCount, const std::string &label, Expect expect,
                  const std::string &name = kBadName, const Bytes &content = {}, bool withAfter = true)
    {
        SCOPED_TRACE(label);
        Outcome o = Install(payload, fileCount, label);
        Names tree = {kFirstName, "sub\\", kSecondName};
        switch (expect) {
        case Expect::Refused:
        case Expect::Removed:
            EXPECT_EQ(o.result, kInstallFailed);
            EXPECT_EQ(o.cancelled, 1);
            EXPECT_EQ(o.progressDone, expect == Expect::Refused ? 2u : 3u);
            if (expect == Expect::Removed) {
                EXPECT_EQ(o.currentFile, installDir + name);
            }
            break;
        case Expect::Installed:
            EXPECT_EQ(o.result, kShortcutsFailed);
            EXPECT_EQ(o.cancelled, 0);
            EXPECT_EQ(o.progressDone, withAfter ? 4u : 3u);
            EXPECT_EQ(ReadInstalled(name), content);
            for (size_t slash = name.find('\\'); slash != std::string::npos;
                 slash = name.find('\\', slash + 1))
                tree.push_back(name.substr(0, slash + 1));   // its folders
            tree.push_back(name);
            if (withAfter)
                tree.push_back(kAfterName);
            std::sort(tree.begin(), tree.end());
            tree.erase(std::unique(tree.begin(), tree.end()), tree.end());
            break;
        case Expect::Ignored:
            EXPECT_EQ(o.result, kShortcutsFailed);
            EXPECT_EQ(o.cancelled, 0);
            EXPECT_EQ(o.progressDone, 2u);
            break;
        }
        EXPECT_EQ(o.installed, tree);
        EXPECT_EQ(ReadInstalled(kFirstName), ToBytes(kFirstText));
        EXPECT_EQ(ReadInstalled(kSecondName), SecondData());
        return o;
    }
};

// A sound lh5 stream of 700 bytes.
Bytes LiteralBlockStream()
{
    return BlockStream({LiteralBlock(TextBytes(700, 11))});
}

TestRecord Evil(const std::string &name = "evil.txt")
{
    return StoredRecord(name, "EVIL");
}

TEST_F(BadPayloads, DamagedRecordHeadersAreRefusedBeforeAnythingIsCreated)
{
    struct Case {
        const char *label;
        std::vector<TestRecord> records;
        bool withAfter;
        Expect expect = Expect::Refused;
        Bytes tail = {};
        size_t cut = 0;   // bytes cut off the end of the archive
    };
    TestRecord lh5 = Lh5Record("evil.bin", LiteralBlockStream(), 700);
    Bytes partial;
    AppendRecord(partial, Evil("a-name-that-the-archive-cuts.txt"));
    partial.resize(30);

    // Where the archive ends; the damaged records come from the shared table.
    std::vector<Case> all = {
        {"archive ending inside a header", {}, false, Expect::Refused, partial},
        {"archive cut inside the last record's data", {lh5}, false, Expect::Refused, {}, 10},
        {"20 stray bytes after the last record", {}, false, Expect::Ignored, Bytes(20, 'x')},
        {"21 stray bytes after the last record", {}, false, Expect::Refused, Bytes(21, 'x')},
    };
    for (const cases::HeaderDamage &damage : cases::HeaderDamages())
        all.push_back({damage.label.c_str(), {damage.record}, damage.room});
    for (const Case &c : all) {
        Bytes payload = Payload(c.records, c.withAfter, c.tail);
        payload.resize(payload.size() - c.cut);
        Check(payload, RecordCount(c.records.size(), c.withAfter), c.label, c.expect);
    }
}

TEST_F(BadPayloads, NamesThatCouldLeaveTheInstallFolderAreRefused)
{
    // 253 and 254 characters of full path, made to measure.
    size_t dirLength = installDir.size();
    std::string name253 = std::string(253 - dirLength - 4, 'n') + ".txt";
    std::string name254 = "x" + name253;
    std::string drive = installDir.substr(0, 2);
    // The shared table, and names made to measure for this install folder.
    std::vector<std::string> names = cases::LeavingNames();
    for (const std::string &name :
         {drive + "\\badinput-canary.txt", drive + "badinput-canary.txt",
          "\\\\?\\" + drive + "\\badinput-canary.txt", name254, std::string(300, 'n')})
        names.push_back(name);
    for (const std::string &name : names)
        Check(Payload({Evil(name)}, true), 4, "name " + name, Expect::Refused);

    Check(Payload({Evil(name253)}, true), 4, "name of 253 characters in all", Expect::Installed, name253,
          ToBytes("EVIL"));
}

TEST_F(BadPayloads, DeviceNamesAreRefusedAndLookalikesInstalled)
{
    // Opened by such a name, a device would take the data (the console, a
    // serial port, the null device swallowing it as a success).
    for (const std::string &name : cases::DeviceNames())
        Check(Payload({Evil(name)}, true), 4, "name " + name, Expect::Refused);
    for (const std::string &name : cases::SafeNames())
        Check(Payload({Evil(name)}, true), 4, "name " + name, Expect::Installed, name, ToBytes("EVIL"));
}

TEST_F(BadPayloads, CodeLengthDefectsFailAndTheirFileIsRemoved)
{
    for (const cases::StreamCase &c : cases::CodeLengthCases()) {
        Bytes payload = Payload({Lh5Record(kBadName, c.stream, c.unpackedSize)}, true);
        Check(payload, 4, c.label, c.sound ? Expect::Installed : Expect::Removed, kBadName, c.expected);
    }
}

TEST_F(BadPayloads, CutStreamsFailInsteadOfDecodingZeroFill)
{
    // 20,000 bytes in three chunks; a cut anywhere, down to the last byte,
    // fails, also after whole chunks were written.
    Bytes text = TextBytes(20000, 3);
    Bytes stream = Lh5Encode(text.data(), text.size());
    size_t n = stream.size();
    for (size_t keep : {(size_t)0, (size_t)1, (size_t)2, (size_t)16, n / 4, n / 2, n - 2, n - 1}) {
        Bytes cut(stream.begin(), stream.begin() + keep);
        Check(Payload({Lh5Record(kBadName, cut, (int64_t)text.size())}, true), 4,
              "stream cut to " + std::to_string(keep) + " of " + std::to_string(n) + " bytes",
              Expect::Removed);
    }
    Check(Payload({Lh5Record(kBadName, stream, (int64_t)text.size())}, true), 4, "uncut stream",
          Expect::Installed, kBadName, text);

    // Sizes: far more than the stream holds fails once its input is used up;
    // 0 and negative sizes give an empty file.
    Check(Payload({Lh5Record(kBadName, stream, 0x7FFFFFFF)}, true), 4, "unpackedSize 2^31 - 1",
          Expect::Removed);
    for (int64_t size : {(int64_t)0, (int64_t)0x80000000, (int64_t)0xFFFFFFFF})
        Check(Payload({Lh5Record(kBadName, stream, size)}, true), 4, "unpackedSize " + std::to_string(size),
              Expect::Installed, kBadName, {});
}

TEST_F(BadPayloads, BitFlipSweepEndsInFailureOrACompleteFile)
{
    // Every bit of the first 48 bytes (the block header with the three
    // codes) and every fifth bit of the symbols after them, one at a time. The format carries no checksum: a flip that still decodes gives
    // a complete file whose bytes may differ; anything else must fail and
    // leave no file.
    Bytes text = TextBytes(400, 9);
    Bytes stream = Lh5Encode(text.data(), text.size());
    const size_t headerBits = 48 * 8;
    int refused = 0, same = 0, different = 0;
    auto start = std::chrono::steady_clock::now();
    for (size_t bit = 0; bit < stream.size() * 8; bit += bit < headerBits ? 1 : 5) {
        Bytes flipped = stream;
        flipped[bit / 8] ^= (uint8_t)(0x80 >> (bit % 8));
        std::string label = "bit " + std::to_string(bit) + " flipped";
        Bytes payload = Payload({Lh5Record(kBadName, flipped, (int64_t)text.size())}, true);
        Outcome o = Install(payload, 4, label);
        if (o.result == kInstallFailed) {
            ++refused;
            EXPECT_EQ(o.cancelled, 1) << label;
            EXPECT_EQ(o.progressDone, 3u) << label;
            EXPECT_EQ(o.installed, (Names{kFirstName, "sub\\", kSecondName})) << label;
            continue;
        }
        ASSERT_EQ(o.result, kShortcutsFailed) << label;
        EXPECT_EQ(o.progressDone, 4u) << label;
        EXPECT_EQ(o.installed, (Names{kAfterName, kBadName, kFirstName, "sub\\", kSecondName})) << label;
        Bytes got = ReadInstalled(kBadName);
        EXPECT_EQ(got.size(), text.size()) << label;
        ++(got == text ? same : different);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("bit flips over a %zu-byte stream: %d payloads in %.1f s: %d failed, %d decoded to the "
           "original bytes, %d to other bytes of the right size\n",
           stream.size(), refused + same + different, seconds, refused, same, different);
    EXPECT_GT(refused, 0);
}

}   // namespace
}   // namespace badinput
