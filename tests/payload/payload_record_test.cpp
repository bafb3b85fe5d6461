// Reading payload archive records: the walk, its end, and every way a record
// can be invalid, on archives held in buffers of exactly their size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload_record.h"

namespace {

struct Spec {
    std::string name;
    std::vector<uint8_t> data;
    uint32_t method = kPayloadMethodStored;
    uint32_t magic = kPayloadMagic;
    int64_t headerSize = -1; // default: 20 + name + NUL
    int64_t packedSize = -1; // default: data size
    uint32_t unpackedSize = 0;
    bool nul = true;
};

void PutU32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((uint8_t)(v >> (8 * i)));
}

void Append(std::vector<uint8_t> &archive, const Spec &s)
{
    PutU32(archive, s.magic);
    PutU32(archive, s.headerSize >= 0 ? (uint32_t)s.headerSize
                                      : (uint32_t)(20 + s.name.size() + 1));
    PutU32(archive, s.method);
    PutU32(archive, s.packedSize >= 0 ? (uint32_t)s.packedSize : (uint32_t)s.data.size());
    PutU32(archive, s.unpackedSize);
    archive.insert(archive.end(), s.name.begin(), s.name.end());
    if (s.nul)
        archive.push_back(0);
    archive.insert(archive.end(), s.data.begin(), s.data.end());
}

int32_t Read(const std::vector<uint8_t> &archive, uint32_t offset, PayloadRecord *r = nullptr)
{
    PayloadRecord scratch;
    return PayloadReadRecord(archive.data(), offset, (uint32_t)archive.size(),
                             r ? r : &scratch);
}

std::vector<uint8_t> Bytes(const char *text)
{
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

TEST(PayloadRecord, WalkYieldsEveryRecordAndEndsAtTheLastByte)
{
    std::vector<uint8_t> archive;
    Spec first{"varnik.exe", Bytes("MZ program bytes")};
    first.method = kPayloadMethodLh5;
    first.unpackedSize = 425984;
    Spec empty{"templates\\blue\\empty.bmp", {}};
    Spec last{"templates\\blue\\small\\b.png", Bytes("png!")};
    last.unpackedSize = 4;
    Append(archive, first);
    Append(archive, empty);
    Append(archive, last);

    PayloadRecord r;
    ASSERT_EQ(Read(archive, 0, &r), 1);
    EXPECT_EQ(r.magic, (uint32_t)kPayloadMagic);
    EXPECT_EQ(r.headerSize, 31u);
    EXPECT_EQ(r.method, (uint32_t)kPayloadMethodLh5);
    EXPECT_EQ(r.packedSize, 16u);
    EXPECT_EQ(r.unpackedSize, 425984u);
    EXPECT_STREQ(r.name, "varnik.exe");
    EXPECT_EQ(r.data, archive.data() + 31);
    EXPECT_EQ(r.next, 47u);

    ASSERT_EQ(Read(archive, r.next, &r), 1);
    EXPECT_STREQ(r.name, "templates\\blue\\empty.bmp");
    EXPECT_EQ(r.packedSize, 0u);
    EXPECT_EQ(r.next, 47u + 45u);

    ASSERT_EQ(Read(archive, r.next, &r), 1);
    EXPECT_STREQ(r.name, "templates\\blue\\small\\b.png");
    EXPECT_EQ(0, std::memcmp(r.data, "png!", 4));
    EXPECT_EQ(r.next, archive.size());
    EXPECT_EQ(Read(archive, r.next), 0);
}

// Where fewer than 21 bytes are left there is no record: a resource of 20
// bytes or fewer holds none, and up to 20 bytes after the last record are
// ignored; 21 bytes are a record, here an invalid one.
TEST(PayloadRecord, FewerThanTwentyOneBytesLeftEndTheArchive)
{
    for (size_t size = 0; size <= 20; size++) {
        std::vector<uint8_t> archive;
        Append(archive, Spec{"a", {}});
        archive.resize(size);
        archive.shrink_to_fit();
        EXPECT_EQ(Read(archive, 0), 0) << "size " << size;
    }
    std::vector<uint8_t> base;
    Append(base, Spec{"a.txt", Bytes("hello")});
    uint32_t end = (uint32_t)base.size();
    for (size_t tail = 1; tail <= 21; tail++) {
        std::vector<uint8_t> archive = base;
        archive.resize(base.size() + tail, 0x7A);
        EXPECT_EQ(Read(archive, 0), 1);
        EXPECT_EQ(Read(archive, end), tail <= 20 ? 0 : -1) << "tail " << tail;
    }
    // Offsets beyond the end, up to the last before 32-bit wrap, also end it.
    EXPECT_EQ(Read(base, end + 1000), 0);
    EXPECT_EQ(Read(base, 0xFFFFFFEBu), 0);
}

TEST(PayloadRecord, MagicMustMatchInEveryByte)
{
    std::vector<uint8_t> good;
    Append(good, Spec{"file.txt", Bytes("data")});
    good.resize(good.size() + 1);
    ASSERT_EQ(Read(good, 0), 1);
    for (int i = 0; i < 4; i++) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x20; // "Zar\n", "zAr\n", "zaR\n", "zar*"
        EXPECT_EQ(Read(bad, 0), -1) << "byte " << i;
    }
    std::vector<uint8_t> upper = good;
    std::memcpy(upper.data(), "ZAR\n", 4);
    EXPECT_EQ(Read(upper, 0), -1);
}

// The header must end before the end of the archive, even with no data.
TEST(PayloadRecord, HeaderReachingTheEndIsInvalid)
{
    std::vector<uint8_t> archive;
    Append(archive, Spec{"a.txt", {}});
    EXPECT_EQ(Read(archive, 0), -1);

    std::vector<uint8_t> oneByte;
    Append(oneByte, Spec{"a.txt", {'x'}});
    PayloadRecord r;
    EXPECT_EQ(Read(oneByte, 0, &r), 1);
    EXPECT_EQ(r.next, oneByte.size());

    // A header size so large that offset + headerSize wraps in 32 bits.
    std::vector<uint8_t> wrap;
    Append(wrap, Spec{"a.txt", Bytes("data")});
    wrap[4] = 0xF8;
    wrap[5] = wrap[6] = wrap[7] = 0xFF;
    EXPECT_EQ(Read(wrap, 0), -1);
    EXPECT_EQ(Read(wrap, 3), -1); // and at an odd offset into garbage
}

// Names: not empty, and NUL-terminated inside their field; a header of fewer
// than 22 bytes has no room for both, whatever follows it.
TEST(PayloadRecord, NameMustBeNonEmptyAndTerminatedInItsField)
{
    std::vector<uint8_t> empty;
    Append(empty, Spec{"", Bytes("data")});
    EXPECT_EQ(Read(empty, 0), -1);
    std::vector<uint8_t> leadingNul; // a NUL first, text behind it in the field
    Append(leadingNul, Spec{std::string("\0abc", 4), Bytes("data")});
    EXPECT_EQ(Read(leadingNul, 0), -1);

    Spec open{"abc", {0, 0, 0}};
    open.nul = false;
    open.headerSize = 23;
    std::vector<uint8_t> unterminated;
    Append(unterminated, open); // the NUL right behind it is data
    EXPECT_EQ(Read(unterminated, 0), -1);

    Spec early{std::string("ab\0cd", 5), Bytes("xy")};
    std::vector<uint8_t> shortName;
    Append(shortName, early);
    PayloadRecord r;
    ASSERT_EQ(Read(shortName, 0, &r), 1);
    EXPECT_STREQ(r.name, "ab");
    EXPECT_EQ(r.headerSize, 26u);

    for (uint32_t headerSize : {0u, 4u, 19u, 20u, 21u}) {
        Spec tiny{"name.txt", Bytes("more bytes")};
        tiny.headerSize = headerSize;
        tiny.packedSize = 0;
        std::vector<uint8_t> archive;
        Append(archive, tiny);
        EXPECT_EQ(Read(archive, 0), -1) << "headerSize " << headerSize;
    }
}

// The record's data must lie within the archive; sums are not allowed to wrap.
TEST(PayloadRecord, DataPastTheEndIsInvalid)
{
    Spec s{"a.txt", Bytes("hello")};
    s.packedSize = 6;
    std::vector<uint8_t> over;
    Append(over, s);
    EXPECT_EQ(Read(over, 0), -1);

    for (uint32_t packed : {0xFFFFFFFFu, 0xFFFFFFF0u, 0x80000000u}) {
        s.packedSize = packed;
        std::vector<uint8_t> huge;
        Append(huge, s);
        EXPECT_EQ(Read(huge, 0), -1) << "packedSize " << packed;
    }
}

// An offset so large that offset + 20 wraps cannot be read.
TEST(PayloadRecord, OffsetThatWrapsIsInvalidAndNotRead)
{
    std::vector<uint8_t> archive;
    Append(archive, Spec{"a.txt", Bytes("hello")});
    for (uint32_t offset : {0xFFFFFFF0u, 0xFFFFFFFFu, 0xFFFFFFECu})
        EXPECT_EQ(Read(archive, offset), -1) << "offset " << offset;
}

TEST(PayloadRecord, ReadU32IsLittleEndianAtAnyAlignment)
{
    const uint8_t bytes[] = {0x00, 0x7A, 0x61, 0x72, 0x0A, 0xFF};
    EXPECT_EQ(PayloadReadU32(bytes + 1), (uint32_t)kPayloadMagic);
    EXPECT_EQ(PayloadReadU32(bytes + 2), 0xFF0A7261u);
}

} // namespace
