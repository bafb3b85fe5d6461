// Setup executables as input: the "ZAR"/119 resource found through the PE
// resource directory of PE32 and PE32+ images, and malformed images refused
// with a clear error and without reading outside the file.
#include "zar_test_support.h"

#include "pe_resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

void Put16(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A section header at at: name, memory address and size, file offset and size.
void PutSection(std::vector<uint8_t> &b, size_t at, const char *name, uint32_t va, uint32_t vsize,
                uint32_t raw, uint32_t rawSize)
{
    for (int i = 0; name[i]; i++)
        b[at + i] = static_cast<uint8_t>(name[i]);
    Put32(b, at + 8, vsize);
    Put32(b, at + 12, va);
    Put32(b, at + 16, rawSize);
    Put32(b, at + 20, raw);
}

// A minimal executable: a DOS header, PE headers, a .text section and a
// .rsrc section whose tree holds a decoy type "ZAP", type "ZAR" with names 5
// and 119, and an integer type 3. Offsets of the parts are kept for the
// tests that damage them.
struct PeImage {
    std::vector<uint8_t> bytes;
    size_t optional = 0, sections = 0, rsrc = 0;
    size_t zarNameEntry = 0, zarNames = 0, languages119 = 0, data119 = 0, payload = 0;
    uint32_t resourceDirectoryField = 0, countField = 0;
};

// The DOS header, the PE signature, the file header announcing two sections
// and the optional header with 16 data directories, the resource directory
// at rva, size bytes; the parts' offsets noted in pe.
void PutHeaders(PeImage &pe, bool pe32plus, uint32_t rva, uint32_t size)
{
    std::vector<uint8_t> &b = pe.bytes;
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    b[0x40] = 'P';
    b[0x41] = 'E';
    const size_t coff = 0x44;
    const uint32_t optionalSize = pe32plus ? 240 : 224;
    Put16(b, coff, pe32plus ? 0x8664 : 0x14C);
    Put16(b, coff + 2, 2);
    Put16(b, coff + 16, optionalSize);
    pe.optional = coff + 20;
    Put16(b, pe.optional, pe32plus ? 0x20B : 0x10B);
    pe.countField = pe32plus ? 108 : 92;
    Put32(b, pe.optional + pe.countField, 16);
    pe.resourceDirectoryField = (pe32plus ? 112 : 96) + 16;
    Put32(b, pe.optional + pe.resourceDirectoryField, rva);
    Put32(b, pe.optional + pe.resourceDirectoryField + 4, size);
    pe.sections = pe.optional + optionalSize;
}

PeImage BuildPe(bool pe32plus, const std::vector<uint8_t> &payload)
{
    PeImage pe;
    const uint32_t rsrcRva = 0x2000, rsrcRaw = 0x400;
    // The resource tree, offsets relative to the section.
    std::vector<uint8_t> tree(0x100, 0);
    auto dir = [&](size_t at, uint32_t named, uint32_t ids) {
        Put16(tree, at + 12, named);
        Put16(tree, at + 14, ids);
    };
    auto entry = [&](size_t at, uint32_t name, uint32_t target) {
        Put32(tree, at, name);
        Put32(tree, at + 4, target);
    };
    const uint32_t sub = 0x80000000u;
    dir(0x00, 2, 1);                       // root: "ZAP", "ZAR", 3
    entry(0x10, sub | 0xE0, sub | 0x78);   // "ZAP" -> decoy names
    entry(0x18, sub | 0xE8, sub | 0x28);   // "ZAR" -> names
    entry(0x20, 3, sub | 0x78);
    dir(0x28, 0, 2);   // "ZAR" names: 5, 119
    entry(0x38, 5, sub | 0x48);
    entry(0x40, 119, sub | 0x60);
    dir(0x48, 0, 1);   // languages of 5
    entry(0x58, 1033, 0xC0);
    dir(0x60, 0, 1);   // languages of 119: Russian only
    entry(0x70, 1049, 0xD0);
    dir(0x78, 0, 1);   // decoy names: 119 -> languages of 5
    entry(0x88, 119, sub | 0x48);
    const uint32_t payloadRva = rsrcRva + 0x100;
    Put32(tree, 0xC0, rsrcRva);   // data of 5: the tree itself, 16 bytes
    Put32(tree, 0xC4, 16);
    Put32(tree, 0xD0, payloadRva);   // data of 119: the payload
    Put32(tree, 0xD4, static_cast<uint32_t>(payload.size()));
    const char *names[] = {"ZAP", "ZAR"};
    for (int n = 0; n < 2; n++) {
        Put16(tree, 0xE0 + 8 * n, 3);
        for (int i = 0; i < 3; i++)
            Put16(tree, 0xE2 + 8 * n + 2 * i, static_cast<uint8_t>(names[n][i]));
    }
    tree.insert(tree.end(), payload.begin(), payload.end());
    const uint32_t rsrcSize = static_cast<uint32_t>(tree.size());
    const uint32_t rsrcRawSize = (rsrcSize + 0x1FF) & ~0x1FFu;

    pe.bytes.assign(rsrcRaw + rsrcRawSize, 0);
    std::vector<uint8_t> &b = pe.bytes;
    PutHeaders(pe, pe32plus, rsrcRva, rsrcSize);
    PutSection(b, pe.sections, ".text", 0x1000, 0x10, 0x200, 0x200);
    PutSection(b, pe.sections + 40, ".rsrc", rsrcRva, rsrcSize, rsrcRaw, rsrcRawSize);
    std::copy(tree.begin(), tree.end(), b.begin() + rsrcRaw);
    pe.rsrc = rsrcRaw;
    pe.zarNameEntry = rsrcRaw + 0x18;
    pe.zarNames = rsrcRaw + 0x28;
    pe.languages119 = rsrcRaw + 0x60;
    pe.data119 = rsrcRaw + 0xD0;
    pe.payload = rsrcRaw + 0x100;
    return pe;
}

// Appends a section to the image's table (there is room for a few more
// between the table and the first section's data).
void AddSection(PeImage &pe, uint32_t va, uint32_t vsize, uint32_t raw, uint32_t rawSize)
{
    const size_t coff = 0x44;
    uint32_t count = static_cast<uint32_t>(pe.bytes[coff + 2] | pe.bytes[coff + 3] << 8);
    size_t at = pe.sections + 40 * count;
    ASSERT_LE(at + 40, 0x200u);
    PutSection(pe.bytes, at, "", va, vsize, raw, rawSize);
    Put16(pe.bytes, coff + 2, count + 1);
}

// The hostile 1 KiB image kept in fuzz/regressions/pe_lookup/: two sections
// map the same addresses from different parts of the file. The first, 16
// bytes at the file's last 16 bytes, holds the resource directory, which
// announces four entries; the second is 512 bytes long. A lookup that takes
// the directory's offset from one section and its size from the other reads
// the entries past the end of the file.
std::vector<uint8_t> AliasedSectionsImage()
{
    PeImage pe;
    pe.bytes.assign(1024, 0);
    PutHeaders(pe, false, 0x1000, 0x200);   // resources at 0x1000, 512 bytes
    PutSection(pe.bytes, pe.sections, ".rsrc", 0x1000, 0x10, 0x3F0, 0x10);
    PutSection(pe.bytes, pe.sections + 40, ".data", 0x1000, 0x200, 0x200, 0x200);
    Put16(pe.bytes, 0x3F0 + 14, 4);
    return pe.bytes;
}

std::vector<uint8_t> Payload()
{
    return BuildArchive({StoredRecord("varnik.exe", "MZ not really a program"),
                         StoredRecord("readme.htm", "<html>help</html>")});
}

TEST(ZarExecutable, FindsTheResourceInPe32AndPe32Plus)
{
    for (bool pe32plus : {false, true}) {
        PeImage pe = BuildPe(pe32plus, Payload());
        PeResourceSpan span;
        std::string error;
        ASSERT_TRUE(FindZarResource(pe.bytes.data(), pe.bytes.size(), span, error)) << error;
        EXPECT_EQ(span.offset, pe.payload);
        EXPECT_EQ(span.size, Payload().size());
    }
}

TEST(ZarExecutable, CommandsReadTheArchiveInsideAnExecutable)
{
    ScratchDir scratch;
    WriteBytes(scratch / "raw.zar", Payload());
    WriteBytes(scratch / "setup.exe", BuildPe(false, Payload()).bytes);
    RunResult raw = Zar({"list", scratch / "raw.zar"});
    RunResult exe = Zar({"list", scratch / "setup.exe"});
    ASSERT_EQ(exe.exitCode, 0) << exe.err;
    EXPECT_EQ(exe.out, raw.out);
    EXPECT_EQ(Lines(exe.out).size(), 2u);
    EXPECT_EQ(Zar({"test", scratch / "setup.exe"}).exitCode, 0);
    ASSERT_EQ(Zar({"extract", scratch / "setup.exe", scratch / "out"}).exitCode, 0);
    EXPECT_EQ(ListTree(scratch / "out"), (std::vector<std::string>{"readme.htm", "varnik.exe"}));
}

TEST(ZarExecutable, MalformedImagesGiveAClearError)
{
    struct Damage {
        const char *what;
        std::function<void(PeImage &)> apply;
        const char *expected;
    };
    const Damage damages[] = {
        {"truncated DOS header", [](PeImage &pe) { pe.bytes.resize(40); }, "DOS header"},
        {"PE offset far away", [](PeImage &pe) { Put32(pe.bytes, 0x3C, 0xFFFFFFF0u); }, "outside the file"},
        {"no signature", [](PeImage &pe) { pe.bytes[0x41] = 'X'; }, "no PE signature"},
        {"unknown magic", [](PeImage &pe) { Put16(pe.bytes, pe.optional, 0x999); }, "magic"},
        {"optional header too big", [](PeImage &pe) { Put16(pe.bytes, 0x44 + 16, 0xFFFF); }, "truncated"},
        {"too many sections", [](PeImage &pe) { Put16(pe.bytes, 0x44 + 2, 0xFFFF); }, "sections"},
        {"section data beyond the file",
         [](PeImage &pe) { Put32(pe.bytes, pe.sections + 40 + 20, 0x7FFFFFF0u); },
         "past the end of the file"},
        {"two data directories", [](PeImage &pe) { Put32(pe.bytes, pe.optional + pe.countField, 2); },
         "no resource directory"},
        {"resources in no section",
         [](PeImage &pe) { Put32(pe.bytes, pe.optional + pe.resourceDirectoryField, 0x9000); }, "no section"},
        {"endless root directory", [](PeImage &pe) { Put16(pe.bytes, pe.rsrc + 12, 0xFFFF); }, "runs past"},
        {"type name far away", [](PeImage &pe) { Put32(pe.bytes, pe.zarNameEntry, 0xFFFFFFF0u); },
         "outside the resources"},
        {"no type ZAR", [](PeImage &pe) { pe.bytes[pe.rsrc + 0xEE] = 'P'; }, "no \"ZAR\" resource"},
        {"names loop back to the root",
         [](PeImage &pe) { Put32(pe.bytes, pe.zarNameEntry + 4, 0x80000000u); }, "name 119"},
        {"languages loop on themselves",
         [](PeImage &pe) { Put32(pe.bytes, pe.languages119 + 20, 0x80000060u); }, "no data entry"},
        {"data beyond the sections", [](PeImage &pe) { Put32(pe.bytes, pe.data119, 0x7FFF0000u); },
         "outside the file's sections"},
        {"data size beyond the section", [](PeImage &pe) { Put32(pe.bytes, pe.data119 + 4, 0x100000); },
         "outside the file's sections"},
        {"sections at the same address", [](PeImage &pe) { Put32(pe.bytes, pe.sections + 12, 0x2000); },
         "sections 1 and 2 overlap in memory"},
        {"a section reaching into the next", [](PeImage &pe) { Put32(pe.bytes, pe.sections + 8, 0x1001); },
         "sections 1 and 2 overlap in memory"},
        {"a later section inside an earlier one",
         [](PeImage &pe) { AddSection(pe, 0x2080, 0x10, 0x200, 0x10); },
         "sections 2 and 3 overlap in memory"},
        {"a section without file data over the resources",
         [](PeImage &pe) { AddSection(pe, 0x1F00, 0x1000, 0, 0); }, "sections 2 and 3 overlap in memory"},
        {"the aliased 1 KiB image's layout", [](PeImage &pe) { AddSection(pe, 0x2000, 0x10, 0x3F0, 0x10); },
         "sections 2 and 3 overlap in memory"},
        {"a section past 4 GiB", [](PeImage &pe) { AddSection(pe, 0xFFFFF000u, 0x2000, 0x200, 0x10); },
         "past 4 GiB"},
        {"resources with no file data", [](PeImage &pe) { Put32(pe.bytes, pe.sections + 40 + 16, 0); },
         "no section's data"},
    };
    for (const Damage &damage : damages)
        for (bool pe32plus : {false, true}) {
            PeImage pe = BuildPe(pe32plus, Payload());
            damage.apply(pe);
            PeResourceSpan span;
            std::string error;
            EXPECT_FALSE(FindZarResource(pe.bytes.data(), pe.bytes.size(), span, error)) << damage.what;
            EXPECT_NE(error.find(damage.expected), std::string::npos) << damage.what << ": " << error;
        }

    ScratchDir scratch;
    PeImage pe = BuildPe(true, Payload());
    pe.bytes[0x41] = 'X';
    WriteBytes(scratch / "bad.exe", pe.bytes);
    RunResult list = Zar({"list", scratch / "bad.exe"});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_EQ(Lines(list.err).size(), 1u);
    EXPECT_NE(list.err.find("malformed PE"), std::string::npos) << list.err;
}

TEST(ZarExecutable, SectionsThatSpanNothingOrOnlyMemoryDoNotDisturbTheLookup)
{
    struct Layout {
        const char *what;
        std::function<void(PeImage &)> apply;
    };
    const Layout layouts[] = {
        {"an empty section at the resources' address, data far away",
         [](PeImage &pe) { AddSection(pe, 0x2000, 0, 0x7FFFFFF0u, 0); }},
        {"an empty section inside the resources", [](PeImage &pe) { AddSection(pe, 0x2010, 0, 0x200, 0); }},
        {"a memory-only section after the resources",
         [](PeImage &pe) { AddSection(pe, 0x3000, 0x5000, 0, 0); }},
        {"resources with a virtual size of 0 (the raw size counts)",
         [](PeImage &pe) { Put32(pe.bytes, pe.sections + 40 + 8, 0); }},
        {"sections listed out of address order",
         [](PeImage &pe) { AddSection(pe, 0x800, 0x100, 0x200, 0x10); }},
    };
    for (const Layout &layout : layouts)
        for (bool pe32plus : {false, true}) {
            PeImage pe = BuildPe(pe32plus, Payload());
            layout.apply(pe);
            PeResourceSpan span;
            std::string error;
            ASSERT_TRUE(FindZarResource(pe.bytes.data(), pe.bytes.size(), span, error))
                << layout.what << ": " << error;
            EXPECT_EQ(span.offset, pe.payload) << layout.what;
            EXPECT_EQ(span.size, Payload().size()) << layout.what;
        }
}

// Two sections mapping the same addresses from different file offsets: the
// lookup once took the resource directory's offset from one and its size
// from the other and read past the file. Every command refuses the image
// with one line and without touching anything.
TEST(ZarExecutable, AliasedSectionsAreRefusedByEveryCommand)
{
    std::vector<uint8_t> image = AliasedSectionsImage();
    EXPECT_EQ(ReadBytes(ZAR_PE_REGRESSIONS "/aliased-sections.exe"), image)
        << "the kept fuzz regression is this image";
    PeResourceSpan span;
    std::string error;
    EXPECT_FALSE(FindZarResource(image.data(), image.size(), span, error));
    EXPECT_EQ(error, "malformed PE: sections 1 and 2 overlap in memory (both hold address 0x1000)");

    ScratchDir scratch;
    WriteBytes(scratch / "setup.exe", image);
    const std::vector<std::vector<std::string>> commands = {
        {"list", scratch / "setup.exe"},
        {"test", scratch / "setup.exe"},
        {"extract", scratch / "setup.exe", scratch / "out"},
    };
    for (const auto &command : commands) {
        RunResult run = Zar(command);
        EXPECT_EQ(run.signal, 0) << command[0];
        EXPECT_EQ(run.exitCode, 1) << command[0] << ": " << run.err;
        EXPECT_EQ(run.out, "") << command[0];
        EXPECT_EQ(run.err, "zar: '" + scratch / "setup.exe" + "': " + error + "\n") << command[0];
    }
    EXPECT_FALSE(Exists(scratch / "out"));
}

TEST(ZarExecutable, TruncatedOrRandomlyDamagedImagesNeverReadOutside)
{
    PeImage pe = BuildPe(true, Payload());
    for (size_t length = 0; length < pe.bytes.size(); length++) {
        std::vector<uint8_t> cut(pe.bytes.begin(), pe.bytes.begin() + static_cast<long>(length));
        PeResourceSpan span;
        std::string error;
        bool found = FindZarResource(cut.data(), cut.size(), span, error);
        // The payload sits at the end: any cut of the image cuts it too.
        EXPECT_FALSE(found && length < pe.payload + Payload().size()) << "cut at " << length;
        EXPECT_TRUE(found || !error.empty());
    }
    std::mt19937 random(12345);
    for (int trial = 0; trial < 20000; trial++) {
        std::vector<uint8_t> damaged = pe.bytes;
        for (int n = 0; n < 3; n++)
            damaged[random() % (pe.payload + 0x20)] = static_cast<uint8_t>(random());
        PeResourceSpan span;
        std::string error;
        if (FindZarResource(damaged.data(), damaged.size(), span, error))
            ASSERT_LE(static_cast<uint64_t>(span.offset) + span.size, damaged.size()) << "trial " << trial;
        else
            ASSERT_FALSE(error.empty());
    }
}

#ifdef PE_FIXTURE_DIR
// Real executables made by the MinGW resource compiler and linker, carrying
// an archive that zar pack made.
TEST(ZarExecutable, ReadsExecutablesBuiltByTheCrossTools)
{
    RunResult raw = Zar({"list", PE_FIXTURE_DIR "/fixture.zar"});
    ASSERT_EQ(raw.exitCode, 0) << raw.err;
    ASSERT_FALSE(raw.out.empty());
    for (const char *exe : {PE_FIXTURE_DIR "/tiny_setup64.exe", PE_FIXTURE_DIR "/tiny_setup32.exe"}) {
        RunResult list = Zar({"list", exe});
        EXPECT_EQ(list.exitCode, 0) << exe << ": " << list.err;
        EXPECT_EQ(list.out, raw.out) << exe;
        EXPECT_EQ(Zar({"test", exe}).exitCode, 0) << exe;
    }
}
#endif

}   // namespace
