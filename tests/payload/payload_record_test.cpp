// Reading payload archive records: the walk, its end, and every way a record
// can be invalid, on archives held in buffers of exactly their size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "header_damage_cases.h"
#include "payload_archive.h"
#include "payload_record.h"

namespace {

// A record as the tests write it: data as text, unpackedSize three times the
// data, so that a reader taking one size for the other shows.
struct Fields {
    std::string name;
    std::string data;
    int64_t headerSize = -1;   // default: 20 + name + NUL
    int64_t packedSize = -1;   // default: data size
    uint32_t method = kPayloadMethodStored;
    bool nul = true;
};

std::vector<uint8_t> Archive(std::initializer_list<Fields> records, size_t tail = 0)
{
    std::vector<uint8_t> a;
    for (const Fields &s : records) {
        TestRecord r{s.name,       s.method,    ToBytes(s.data), (int64_t)s.data.size() * 3,
                     s.headerSize, s.packedSize};
        r.nul = s.nul;
        AppendRecord(a, r);
    }
    a.resize(a.size() + tail, 0x7A);
    a.shrink_to_fit();   // so that the sanitizer sees any read past the end
    return a;
}

int32_t Read(const std::vector<uint8_t> &archive, uint32_t offset, PayloadRecord *r = nullptr)
{
    PayloadRecord scratch;
    return PayloadReadRecord(archive.data(), offset, (uint32_t)archive.size(), r ? r : &scratch);
}

TEST(PayloadRecord, WalkYieldsEveryRecordAndEndsAtTheLastByte)
{
    Fields lh5{"varnik.exe", "compressed bytes"};
    lh5.method = kPayloadMethodLh5;
    std::vector<uint8_t> a =
        Archive({lh5, {"templates\\blue\\empty.bmp", ""}, {"templates\\blue\\small\\b.png", "png!"}});
    PayloadRecord r;
    ASSERT_EQ(Read(a, 0, &r), 1);
    EXPECT_EQ(r.magic, (uint32_t)kPayloadMagic);
    EXPECT_EQ(r.headerSize, 31u);
    EXPECT_EQ(r.method, (uint32_t)kPayloadMethodLh5);
    EXPECT_EQ(r.packedSize, 16u);
    EXPECT_EQ(r.unpackedSize, 48u);
    EXPECT_STREQ(r.name, "varnik.exe");
    EXPECT_EQ(r.data, a.data() + 31);
    EXPECT_EQ(r.next, 47u);
    ASSERT_EQ(Read(a, r.next, &r), 1);
    EXPECT_STREQ(r.name, "templates\\blue\\empty.bmp");
    EXPECT_EQ(r.next, 47u + 45u);
    ASSERT_EQ(Read(a, r.next, &r), 1);
    EXPECT_EQ(0, std::memcmp(r.data, "png!", 4));
    EXPECT_EQ(r.next, a.size());
    EXPECT_EQ(Read(a, r.next), 0);
}

// Where fewer than 21 bytes are left there is no record: a resource of 20
// bytes or fewer holds none, up to 20 bytes after the last record are
// ignored, 21 are a record (here an invalid one). Offsets past the end, up
// to the last one before offset + 20 wraps in 32 bits, end the walk too;
// offsets beyond that cannot be read and are invalid.
TEST(PayloadRecord, FewerThanTwentyOneBytesLeftEndTheArchive)
{
    for (size_t size = 0; size <= 20; size++) {
        std::vector<uint8_t> a = Archive({{"a", ""}});
        a.resize(size);
        a.shrink_to_fit();
        EXPECT_EQ(Read(a, 0), 0) << "size " << size;
    }
    for (size_t tail = 1; tail <= 21; tail++) {
        std::vector<uint8_t> a = Archive({{"a.txt", "hello"}}, tail);
        PayloadRecord r;
        ASSERT_EQ(Read(a, 0, &r), 1);
        EXPECT_EQ(Read(a, r.next), tail <= 20 ? 0 : -1) << "tail " << tail;
    }
    std::vector<uint8_t> a = Archive({{"a.txt", "hello"}});
    EXPECT_EQ(Read(a, 1000), 0);
    EXPECT_EQ(Read(a, 0xFFFFFFEBu), 0);
    for (uint32_t offset : {0xFFFFFFECu, 0xFFFFFFF0u, 0xFFFFFFFFu})
        EXPECT_EQ(Read(a, offset), -1) << "offset " << offset;
}

// A damaged record of the shared table (header_damage_cases.h), read where
// it stands: after a sound record, so that a sum with its offset can wrap,
// and before another where there is room; in a buffer of exactly the
// archive's size. The reader's answer for it.
int32_t ReadDamaged(const cases::HeaderDamage &damage)
{
    std::vector<uint8_t> a;
    AppendRecord(a, StoredRecord("good.txt", "sound"));
    uint32_t at = (uint32_t)a.size();
    AppendRecord(a, damage.record);
    if (damage.room)
        AppendRecord(a, StoredRecord("after.txt", "after"));
    a.shrink_to_fit();
    return Read(a, at);
}

// Every header damage of one field is refused.
void ExpectRefused(cases::Field field)
{
    int seen = 0;
    for (const cases::HeaderDamage &damage : cases::HeaderDamages()) {
        if (damage.field != field)
            continue;
        ++seen;
        EXPECT_EQ(ReadDamaged(damage), -1) << damage.label;
    }
    EXPECT_GT(seen, 0) << "no case of this field in the table";
}

TEST(PayloadRecord, MagicMustMatchInEveryByte)
{
    std::vector<uint8_t> good = Archive({{"file.txt", "data"}}, 1);
    ASSERT_EQ(Read(good, 0), 1);
    ExpectRefused(cases::Field::kMagic);
}

// The header must end before the end of the archive, even with no data, and
// the data must lie within it; no 32-bit sum may wrap past a check.
TEST(PayloadRecord, HeaderAndDataMustLieInsideTheArchive)
{
    EXPECT_EQ(Read(Archive({{"a.txt", ""}}), 0), -1);
    EXPECT_EQ(Read(Archive({{"a.txt", "x"}}), 0), 1);
    for (int64_t packed : {6LL, 0x80000000LL, 0xFFFFFFF0LL, 0xFFFFFFFFLL}) {
        Fields s{"a.txt", "hello"};
        s.packedSize = packed;
        EXPECT_EQ(Read(Archive({s}), 0), -1) << "packedSize " << packed;
    }
    ExpectRefused(cases::Field::kBounds);
}

// Names: not empty, NUL-terminated inside their field (an earlier NUL ends
// the name); a header below 22 bytes has no room for both, whatever follows.
TEST(PayloadRecord, NameMustBeNonEmptyAndTerminatedInItsField)
{
    ExpectRefused(cases::Field::kName);
    ExpectRefused(cases::Field::kHeaderSize);

    PayloadRecord r;
    std::vector<uint8_t> early = Archive({{std::string("ab\0cd", 5), "xy"}});
    ASSERT_EQ(Read(early, 0, &r), 1);
    EXPECT_STREQ(r.name, "ab");
}

// Sizes that the record's data must give are the extraction's to check: the
// reader hands them on as they stand.
TEST(PayloadRecord, UnpackedSizeIsHandedOnAsItStands)
{
    int seen = 0;
    for (const cases::HeaderDamage &damage : cases::HeaderDamages()) {
        if (damage.field != cases::Field::kSizes)
            continue;
        ++seen;
        std::vector<uint8_t> a = BuildArchive({damage.record});
        PayloadRecord r;
        ASSERT_EQ(Read(a, 0, &r), 1) << damage.label;
        EXPECT_EQ(r.unpackedSize, (uint32_t)damage.record.unpackedSize) << damage.label;
        EXPECT_EQ(r.packedSize, damage.record.data.size()) << damage.label;
    }
    EXPECT_GT(seen, 0);
}

TEST(PayloadRecord, ReadU32IsLittleEndianAtAnyAlignment)
{
    const uint8_t bytes[] = {0x00, 0x7A, 0x61, 0x72, 0x0A, 0xFF};
    EXPECT_EQ(PayloadReadU32(bytes + 1), (uint32_t)kPayloadMagic);
    EXPECT_EQ(PayloadReadU32(bytes + 2), 0xFF0A7261u);
}

}   // namespace
