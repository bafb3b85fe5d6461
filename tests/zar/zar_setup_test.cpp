// zar setup: installers made from a synthetic stub (PE32 and PE32+), read
// back independently: the payload through zar list/test/extract, the
// configuration field by field, the version information, the resource
// directory's order and alignment, the moved .reloc, the checksum; the same
// bytes whatever the threads; every bad input refused with nothing written.
#include "zar_test_support.h"

#include "pe_reader.h"
#include "synthetic_stub.h"

#include "setup_config_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

uint32_t U32(const std::vector<uint8_t> &b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string Text(const std::vector<uint8_t> &b, size_t at, size_t field)
{
    std::string text;
    for (size_t i = 0; i < field && b[at + i]; i++)
        text += static_cast<char>(b[at + i]);
    return text;
}

// A scratch folder with the test product (folder, product.ini), the two
// synthetic stubs and an output path.
struct Product {
    ScratchDir dir;
    std::string folder = dir / "product";
    std::string ini = dir / "product.ini";
    std::string stub32 = dir / "stub32.exe";
    std::string stub64 = dir / "stub64.exe";
    std::string out = dir / "out/setup.exe";
    std::map<std::string, std::vector<uint8_t>> files;
    StubImage image32, image64;

    explicit Product(int count = 6)
    {
        files = ProductFiles(count);
        for (const auto &[name, bytes] : files)
            WriteBytes(folder + "/" + name, bytes);
        WriteText(ini, ProductIniText(count));
        image32 = BuildStub(false, StubResources());
        image64 = BuildStub(true, StubResources());
        WriteBytes(stub32, image32.bytes);
        WriteBytes(stub64, image64.bytes);
        fs::create_directories(dir / "out");
    }

    RunResult Setup(bool win64, std::vector<std::string> extra = {}) const
    {
        std::vector<std::string> args{"setup", "-o", out, "--stub", win64 ? stub64 : stub32};
        if (win64)
            args.push_back("--win64");
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(ini);
        args.push_back(folder);
        return Zar(args);
    }
};

class ZarSetupBits : public ::testing::TestWithParam<bool> {};

TEST_P(ZarSetupBits, RoundTripGivesBackThePayloadConfigurationAndVersion)
{
    const bool win64 = GetParam();
    Product p;
    RunResult r = p.Setup(win64);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("setup of Orbit Studio"), std::string::npos) << r.out;

    // The payload: the program first, the help file second, every file back.
    RunResult list = Zar({"list", p.out});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), p.files.size());
    EXPECT_NE(lines[0].find(" orbit.exe"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" orbit.chm"), std::string::npos) << lines[1];
    RunResult test = Zar({"test", p.out});
    EXPECT_EQ(test.exitCode, 0) << test.err;
    ScratchDir back;
    ASSERT_EQ(Zar({"extract", p.out, back.path}).exitCode, 0);
    for (const auto &[name, bytes] : p.files)
        EXPECT_EQ(ReadBytes(back / name), bytes) << name;

    InspectedPe pe = InspectPe(ReadBytes(p.out));
    EXPECT_EQ(pe.machine, win64 ? 0x8664 : 0x14C);
    EXPECT_TRUE(pe.layoutProblems.empty()) << pe.layoutProblems.front();

    // The configuration, field by field.
    ASSERT_TRUE(pe.resources.count("ZCFG/120/1033"));
    const std::vector<uint8_t> &c = pe.resources["ZCFG/120/1033"];
    ASSERT_EQ(c.size(), 3684u);
    EXPECT_EQ(std::memcmp(c.data(), "ZCFG", 4), 0);
    EXPECT_EQ(U32(c, 4), 1u);
    EXPECT_EQ(U32(c, 8), 3684u);
    EXPECT_EQ(U32(c, 12), 1u);               // desktopIcon
    EXPECT_EQ(U32(c, 16), p.files.size());   // fileCount
    EXPECT_EQ(U32(c, 20), 1u);               // registerUninstall
    EXPECT_EQ(U32(c, 24), 2u);               // uninstallIconIndex
    EXPECT_EQ(U32(c, 28), 0u);               // createHelpShortcut
    EXPECT_EQ(Text(c, 32, 12), "/remove");
    EXPECT_EQ(Text(c, 44, 260), "Orbit Studio 7");
    EXPECT_EQ(Text(c, 304, 260), "Orbit Studio");
    EXPECT_EQ(Text(c, 564, 260), "Orbit");
    EXPECT_EQ(Text(c, 824, 260), "orbit");
    EXPECT_EQ(Text(c, 1084, 260), "orbit.chm");
    EXPECT_EQ(Text(c, 1344, 260), "Orbit Studio Help.lnk");
    EXPECT_EQ(Text(c, 1604, 260), "c:\\apps");
    const char *styles[] = {"Glass", "Paper", "Neon", "Slate", "Chalk", "Ink", "Frost"};
    for (size_t i = 0; i < 7; i++)
        EXPECT_EQ(Text(c, 1864 + 260 * i, 260), styles[i]);
    // Texts are NUL-padded to the end of their fields.
    for (size_t i = 44 + std::strlen("Orbit Studio 7"); i < 304; i++)
        ASSERT_EQ(c[i], 0) << i;

    // The version information.
    ASSERT_TRUE(pe.resources.count("16/1/1033"));
    InspectedVersion v = InspectVersion(pe.resources["16/1/1033"]);
    EXPECT_EQ(v.table, "040904B0");
    EXPECT_EQ(v.translation, 0x04B00409u);
    EXPECT_EQ(v.fileVersion, 0x0007000100020000ull);
    EXPECT_EQ(v.productVersion, 0x0007000100020000ull);
    std::map<std::string, std::string> strings{
        {"CompanyName", "Orbit Works"},
        {"FileDescription", "Setup of Orbit Studio 7"},
        {"FileVersion", "7.1.2.0"},
        {"InternalName", "setup"},
        {"LegalCopyright", "Copyright (c) 2025 Orbit Works"},
        {"OriginalFilename", "setup.exe"},
        {"ProductName", "Orbit Studio"},
        {"ProductVersion", "7.1.2.0"},
    };
    EXPECT_EQ(v.strings, strings);

    // The stub's own resources are all there, unchanged.
    for (const StubResource &res : StubResources()) {
        std::string key = (res.type.text.empty() ? std::to_string(res.type.id) : res.type.text) + "/" +
                          (res.name.text.empty() ? std::to_string(res.name.id) : res.name.text) + "/1033";
        ASSERT_TRUE(pe.resources.count(key)) << key;
        EXPECT_EQ(pe.resources[key], res.data) << key;
    }
    EXPECT_EQ(pe.resources.size(), StubResources().size() + 3);
}

TEST_P(ZarSetupBits, ResourceDirectoryIsSortedAlignedAndStampless)
{
    Product p;
    ASSERT_EQ(p.Setup(GetParam()).exitCode, 0);
    InspectedPe pe = InspectPe(ReadBytes(p.out));
    EXPECT_TRUE(pe.layoutProblems.empty()) << pe.layoutProblems.front();
    std::vector<std::string> expected{"AAA/NAMED/1033", "ZAR/119/1033", "ZCFG/120/1033", "ZSTUB/1/1033",
                                      "3/1/1033",       "3/2/1033",     "3/7/1033",      "5/110/1033",
                                      "14/108/1033",    "16/1/1033",    "24/1/1033"};
    EXPECT_EQ(pe.resourceOrder, expected);

    // The check proves itself: the synthetic stub is unsorted and stamped.
    InspectedPe stub = InspectPe(ReadBytes(GetParam() ? p.stub64 : p.stub32));
    EXPECT_FALSE(stub.layoutProblems.empty());
}

TEST_P(ZarSetupBits, RelocationsMoveBehindTheGrownResources)
{
    const bool win64 = GetParam();
    Product p;
    ASSERT_EQ(p.Setup(win64).exitCode, 0);
    std::vector<uint8_t> out = ReadBytes(p.out);
    InspectedPe pe = InspectPe(out);
    ASSERT_EQ(pe.sections.size(), 4u);
    const InspectedSection &rsrc = pe.sections[2], &reloc = pe.sections[3];
    EXPECT_EQ(rsrc.name, ".rsrc");
    EXPECT_EQ(reloc.name, ".reloc");
    EXPECT_EQ(pe.directories[2].first, rsrc.rva);
    EXPECT_EQ(pe.directories[2].second, rsrc.virtualSize);
    EXPECT_EQ(rsrc.rawSize % pe.fileAlignment, 0u);
    EXPECT_GE(rsrc.rawSize, rsrc.virtualSize);
    // The resources start on a page of the file, so that the payload can be
    // mapped from it rather than copied into the installer's own memory.
    EXPECT_EQ(rsrc.rawPointer % 4096, 0u);
    // .reloc: at the next aligned address and offset, its bytes unchanged.
    uint32_t expectedRva =
        (rsrc.rva + rsrc.virtualSize + pe.sectionAlignment - 1) / pe.sectionAlignment * pe.sectionAlignment;
    EXPECT_GT(expectedRva, p.image32.relocRva);   // it did move
    EXPECT_EQ(reloc.rva, expectedRva);
    EXPECT_EQ(reloc.rawPointer, rsrc.rawPointer + rsrc.rawSize);
    EXPECT_EQ(pe.directories[5].first, reloc.rva);
    const StubImage &stub = win64 ? p.image64 : p.image32;
    EXPECT_EQ(pe.directories[5].second, stub.reloc.size());
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + reloc.rawPointer,
                                   out.begin() + reloc.rawPointer + stub.reloc.size()),
              stub.reloc);
    EXPECT_EQ(pe.sizeOfImage, reloc.rva + pe.sectionAlignment);
    EXPECT_EQ(out.size(), static_cast<size_t>(reloc.rawPointer) + reloc.rawSize);
    EXPECT_EQ(pe.sizeOfInitializedData, rsrc.rawSize + reloc.rawSize);
    // .text is untouched: the relocated pointer still holds its address.
    EXPECT_EQ(U32(out, 0x200 + 0x10), static_cast<uint32_t>(stub.imageBase + 0x1000));
}

TEST_P(ZarSetupBits, ChecksumIsTheLoadersSum)
{
    Product p;
    ASSERT_EQ(p.Setup(GetParam()).exitCode, 0);
    std::vector<uint8_t> out = ReadBytes(p.out);
    InspectedPe pe = InspectPe(out);
    EXPECT_NE(pe.checksum, 0u);
    EXPECT_EQ(pe.checksum, ReferenceChecksum(out, pe.optional + 64));
    // The reference proves itself: one changed byte changes the sum.
    out[out.size() - 1] ^= 1;
    EXPECT_NE(pe.checksum, ReferenceChecksum(out, pe.optional + 64));

    // objdump, when there, reads the same value.
    if (system("objdump --version >/dev/null 2>&1") == 0) {
        RunResult dump = RunProgram("/bin/sh", {"-c", "objdump -p '" + p.out + "' | grep -i '^CheckSum'"});
        char expected[16];
        std::snprintf(expected, sizeof expected, "%08x", pe.checksum);
        EXPECT_NE(dump.out.find(expected), std::string::npos) << dump.out;
    }
}

TEST_P(ZarSetupBits, SameBytesWhateverTheThreads)
{
    Product p(12);
    ASSERT_EQ(p.Setup(GetParam(), {"--threads", "1"}).exitCode, 0);
    std::vector<uint8_t> one = ReadBytes(p.out);
    ASSERT_EQ(p.Setup(GetParam(), {"--threads", "4"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(p.out), one);
    ASSERT_EQ(p.Setup(GetParam(), {"--threads", "4", "--fast"}).exitCode, 0);
    EXPECT_EQ(Zar({"test", p.out}).exitCode, 0);
    ASSERT_EQ(p.Setup(GetParam(), {"--threads", "1", "--fast"}).exitCode, 0);
    std::vector<uint8_t> fast = ReadBytes(p.out);
    ASSERT_EQ(p.Setup(GetParam(), {"--threads", "3", "--fast"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(p.out), fast);
}

TEST_P(ZarSetupBits, IconReplacesTheGroupAndDropsItsOldImages)
{
    Product p;
    WriteBytes(p.dir / "app.ico", IcoFile({48, 32, 16}));
    RunResult r = p.Setup(GetParam(), {"--icon", p.dir / "app.ico"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    InspectedPe pe = InspectPe(ReadBytes(p.out));
    EXPECT_TRUE(pe.layoutProblems.empty());
    // Icons 1 and 2 belonged to group 108 only: gone, their ids reused; 7,
    // used by no group, stays and is not reused.
    const std::vector<uint8_t> &group = pe.resources["14/108/1033"];
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    EXPECT_EQ(group[4], 3);
    const int sizes[] = {48, 32, 16};
    const uint16_t ids[] = {1, 2, 3};
    for (int i = 0; i < 3; i++) {
        const uint8_t *e = group.data() + 6 + 14 * i;
        EXPECT_EQ(e[0], sizes[i]);
        uint16_t id = static_cast<uint16_t>(e[12] | e[13] << 8);
        EXPECT_EQ(id, ids[i]);
        std::string key = "3/" + std::to_string(id) + "/1033";
        ASSERT_TRUE(pe.resources.count(key)) << key;
        EXPECT_EQ(pe.resources[key], IconDib(sizes[i], static_cast<uint8_t>(i + 3)));
        EXPECT_EQ(U32(std::vector<uint8_t>(e + 8, e + 12), 0), pe.resources[key].size());
    }
    EXPECT_EQ(pe.resources["3/7/1033"], IconDib(48, 5));
    EXPECT_EQ(pe.resources.size(), StubResources().size() + 3 + 1);
}

INSTANTIATE_TEST_SUITE_P(Pe, ZarSetupBits, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Pe32Plus" : "Pe32";
                         });

}   // namespace

namespace {

// The interpreter with python3-pefile, or "".
std::string PefilePython()
{
    for (const char *python : {"python3", "/usr/bin/python3"}) {
        RunResult r = RunProgram("/bin/sh", {"-c", std::string(python) + " -c 'import pefile' 2>/dev/null"});
        if (r.exitCode == 0)
            return python;
    }
    return "";
}

size_t Find(const std::vector<uint8_t> &bytes, const std::string &utf16)
{
    std::vector<uint8_t> wanted;
    for (char c : utf16) {
        wanted.push_back(static_cast<uint8_t>(c));
        wanted.push_back(0);
    }
    auto at = std::search(bytes.begin(), bytes.end(), wanted.begin(), wanted.end());
    return at == bytes.end() ? std::string::npos : static_cast<size_t>(at - bytes.begin());
}

// The output of the synthetic stubs as pefile and wrestool see it; each
// check of the script proven by a fault it must report.
TEST_P(ZarSetupBits, PefileAndWrestoolAcceptTheOutput)
{
    const std::string python = PefilePython();
    if (python.empty() || system("wrestool --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs python3-pefile and icoutils (wrestool)";
    const bool win64 = GetParam();
    Product p;
    ASSERT_EQ(p.Setup(win64, {"--icon", (WriteBytes(p.dir / "a.ico", IcoFile({32, 16})), p.dir / "a.ico")})
                  .exitCode,
              0);
    const std::string script = std::string(ZAR_TEST_SOURCE_DIR) + "/check_setup_pe.py";
    auto check = [&](const std::string &file) {
        return RunProgram("/bin/sh",
                          {"-c", python + " '" + script + "' '" + file + "' " + (win64 ? "amd64" : "i386")});
    };
    RunResult good = check(p.out);
    EXPECT_EQ(good.exitCode, 0) << good.out << good.err;

    const std::vector<uint8_t> out = ReadBytes(p.out);
    const InspectedPe pe = InspectPe(out);
    auto putAt = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
        return b;
    };
    const size_t directories = pe.optional + (win64 ? 112 : 96);
    std::vector<uint8_t> renamed = out, version = out;
    renamed[Find(renamed, "ZCFG") + 6] = 'X';
    version[Find(version, "Setup of") + 2] = 'X';
    const std::pair<std::string, std::vector<uint8_t>> faults[] = {
        {"checksum", putAt(out, pe.optional + 64, pe.checksum + 1)},
        {"headers", putAt(out, pe.optional + 56, pe.sizeOfImage + 0x1000)},
        {"relocations", putAt(out, directories + 8 * 5, pe.sections[0].rva)},
        {"resources", renamed},
        {"version", version},
    };
    for (const auto &[check_name, bytes] : faults) {
        const std::string spoiled = p.dir / ("spoiled-" + check_name + ".exe");
        WriteBytes(spoiled, bytes);
        RunResult bad = check(spoiled);
        EXPECT_EQ(bad.exitCode, 1) << check_name;
        EXPECT_NE(bad.out.find("FAIL " + check_name + ":"), std::string::npos)
            << check_name << ": " << bad.out << bad.err;
    }
}

}   // namespace

#ifdef PE_FIXTURE_DIR
namespace {

// Stubs made by the MinGW resource compiler and linker: .rsrc followed by
// .reloc, a version resource of their own that zar setup replaces.
TEST_P(ZarSetupBits, StubsBuiltByTheCrossTools)
{
    const bool win64 = GetParam();
    Product p;
    const std::string stub = std::string(PE_FIXTURE_DIR) + (win64 ? "/tiny_stub64.exe" : "/tiny_stub32.exe");
    RunResult r = Zar({"setup", "-o", p.out, "--stub", stub, win64 ? "--win64" : "--best", "--icon",
                       (WriteBytes(p.dir / "a.ico", IcoFile({16, 32})), p.dir / "a.ico"), p.ini, p.folder});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Zar({"test", p.out}).exitCode, 0);
    std::vector<uint8_t> out = ReadBytes(p.out);
    InspectedPe pe = InspectPe(out);
    EXPECT_TRUE(pe.layoutProblems.empty()) << pe.layoutProblems.front();
    EXPECT_EQ(pe.checksum, ReferenceChecksum(out, pe.optional + 64));
    EXPECT_EQ(InspectVersion(pe.resources.at("16/1/1033")).strings.at("FileDescription"),
              "Setup of Orbit Studio 7");
    EXPECT_EQ(pe.resources.count("ZSTUB/1/1033"), 1u);
    EXPECT_EQ(pe.resources.count("5/110/1033"), 1u);
    ASSERT_EQ(pe.sections.back().name, ".reloc");
    InspectedPe before = InspectPe(ReadBytes(stub));
    EXPECT_EQ(pe.sections.back().virtualSize, before.sections.back().virtualSize);
    EXPECT_EQ(pe.directories[5].first - pe.sections.back().rva,
              before.directories[5].first - before.sections.back().rva);
    EXPECT_EQ(pe.directories[5].second, before.directories[5].second);
    for (size_t i = 0; i + 2 < pe.sections.size(); i++)
        EXPECT_EQ(pe.sections[i].rva, before.sections[i].rva) << pe.sections[i].name;
    if (system("objdump --version >/dev/null 2>&1") == 0) {
        RunResult dump = RunProgram("/bin/sh", {"-c", "objdump -p '" + p.out + "' | grep -i '^CheckSum'"});
        char expected[16];
        std::snprintf(expected, sizeof expected, "%08x", pe.checksum);
        EXPECT_NE(dump.out.find(expected), std::string::npos) << dump.out;
    }
    const std::string python = PefilePython();
    if (!python.empty() && system("wrestool --version >/dev/null 2>&1") == 0) {
        RunResult check =
            RunProgram("/bin/sh", {"-c", python + " '" + ZAR_TEST_SOURCE_DIR + "/check_setup_pe.py' '" +
                                             p.out + "' " + (win64 ? "amd64" : "i386")});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    }
}

}   // namespace
#endif
