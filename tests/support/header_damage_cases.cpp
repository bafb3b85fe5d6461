#include "header_damage_cases.h"

#include "lh5_stream_writer.h"

namespace cases {

namespace {

TestRecord Evil()
{
    return StoredRecord("evil.txt", "EVIL");
}

TestRecord Changed(void (*change)(TestRecord &))
{
    TestRecord r = Evil();
    change(r);
    return r;
}

TestRecord Lh5Evil()
{
    return Lh5Record("evil.bin", BlockStream({LiteralBlock(TextBytes(700, 11))}), 700);
}

}   // namespace

const std::vector<HeaderDamage> &HeaderDamages()
{
    static const std::vector<HeaderDamage> damages = [] {
        TestRecord lh5PastEnd = Lh5Evil();
        lh5PastEnd.packedSize = (int64_t)lh5PastEnd.data.size() + 1;
        std::vector<HeaderDamage> d = {
            // The magic, in every byte ("Zar\n", "zAr\n", "zaR\n", "zar*").
            {"magic in capitals", Field::kMagic, Changed([](TestRecord &r) { r.magic = 0x0A52415A; }), true},
            {"magic one bit off", Field::kMagic, Changed([](TestRecord &r) { r.magic ^= 0x100; }), true},
            {"magic byte 0", Field::kMagic, Changed([](TestRecord &r) { r.magic ^= 0x20; }), true},
            {"magic byte 1", Field::kMagic, Changed([](TestRecord &r) { r.magic ^= 0x2000; }), true},
            {"magic byte 2", Field::kMagic, Changed([](TestRecord &r) { r.magic ^= 0x200000; }), true},
            {"magic byte 3", Field::kMagic, Changed([](TestRecord &r) { r.magic ^= 0x20000000; }), true},
            // headerSize: no room for a name and its NUL, wrapping in 32 bits.
            {"headerSize 0", Field::kHeaderSize, Changed([](TestRecord &r) { r.headerSize = 0; }), true},
            {"headerSize 4", Field::kHeaderSize, Changed([](TestRecord &r) { r.headerSize = 4; }), true},
            {"headerSize 19", Field::kHeaderSize, Changed([](TestRecord &r) { r.headerSize = 19; }), true},
            {"headerSize 20", Field::kHeaderSize, Changed([](TestRecord &r) { r.headerSize = 20; }), true},
            {"headerSize 21", Field::kHeaderSize, Changed([](TestRecord &r) { r.headerSize = 21; }), true},
            {"headerSize wrapping past 4 GiB", Field::kHeaderSize,
             Changed([](TestRecord &r) { r.headerSize = 0xFFFFFFF0; }), true},
            {"headerSize wrapping to just below the record", Field::kHeaderSize,
             Changed([](TestRecord &r) { r.headerSize = 0xFFFFFFF8; }), true},
            // The name: not empty, terminated inside its field.
            {"name field without its NUL", Field::kName,
             Changed([](TestRecord &r) { r.headerSize = 20 + 8; }), true},
            {"name without a NUL, data zeros behind it", Field::kName,
             Changed([](TestRecord &r) { r.nul = false, r.headerSize = 20 + 8, r.data = Bytes(4, 0); }),
             true},
            {"empty name", Field::kName, Changed([](TestRecord &r) { r.name = "", r.headerSize = 24; }),
             true},
            {"name starting with its NUL", Field::kName,
             Changed([](TestRecord &r) { r.name = std::string("\0abc", 4); }), true},
            // Header and data inside the archive, no sum wrapping.
            {"header past the end", Field::kBounds,
             Changed([](TestRecord &r) { r.headerSize = 20 + 9 + 100; }), false},
            {"header ending at the end", Field::kBounds, Changed([](TestRecord &r) { r.data.clear(); }),
             false},
            {"stored data past the end", Field::kBounds, Changed([](TestRecord &r) { r.packedSize = 5; }),
             false},
            {"lh5 data past the end", Field::kBounds, lh5PastEnd, false},
            {"packedSize 2^31", Field::kBounds, Changed([](TestRecord &r) { r.packedSize = 0x80000000; }),
             true},
            {"packedSize 0xFFFFFFF0", Field::kBounds,
             Changed([](TestRecord &r) { r.packedSize = 0xFFFFFFF0; }), true},
            {"packedSize 0xFFFFFFFF", Field::kBounds,
             Changed([](TestRecord &r) { r.packedSize = 0xFFFFFFFF; }), true},
            // The sizes a record's data must give: checked when it is written.
            {"stored unpackedSize past the end", Field::kSizes,
             Changed([](TestRecord &r) { r.unpackedSize = 5; }), false},
            // Within the archive, but more than the record holds: zar test
            // refuses it, and so does the installer.
            {"stored unpackedSize above its packedSize", Field::kSizes,
             Changed([](TestRecord &r) { r.unpackedSize = (int64_t)r.data.size() + 1; }), true},
            {"stored unpackedSize 0xFFFFFFFF", Field::kSizes,
             Changed([](TestRecord &r) { r.unpackedSize = 0xFFFFFFFF; }), true},
            // Any method but 1 is stored: the same limit holds for them.
            {"method 2 unpackedSize past the end", Field::kSizes,
             Changed([](TestRecord &r) { r.method = 2, r.unpackedSize = 5; }), false},
        };
        return d;
    }();
    return damages;
}

}   // namespace cases
