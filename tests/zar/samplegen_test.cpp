// The sample product's generated files: the template images have the shape
// the product describes and are valid PNG and BMP files, generation is
// deterministic, the icons are well formed, and the sample program's text
// reacts to its uninstall switch.
#include "zar_test_support.h"

#include "varnik_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

std::vector<std::string> Styles()
{
    std::vector<std::string> styles;
    std::string all = SAMPLE_STYLES;
    size_t start = 0;
    for (size_t bar = all.find('|');; bar = all.find('|', start)) {
        styles.push_back(all.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return styles;
}

RunResult Generate(const std::string &root)
{
    std::vector<std::string> args{"images", root};
    for (const std::string &style : Styles())
        args.push_back(style);
    return RunProgram(SAMPLEGEN_BIN, args);
}

uint32_t Be32(const std::vector<uint8_t> &b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) << 24 | b.at(at + 1) << 16 | b.at(at + 2) << 8 | b.at(at + 3);
}

uint32_t Le32(const std::vector<uint8_t> &b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
           static_cast<uint32_t>(b.at(at + 3)) << 24;
}

// Bit by bit, independent of the generator's table.
uint32_t SlowCrc32(const uint8_t *data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Checks the PNG's chunks and unpacks its zlib stream of stored blocks;
// returns the size of the image data, or 0 with a failure recorded.
void CheckPng(const std::string &name, const std::vector<uint8_t> &png)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_GE(png.size(), 8u);
    ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0) << name;
    size_t at = 8;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> zlib;
    std::vector<std::string> types;
    while (at + 12 <= png.size()) {
        uint32_t length = Be32(png, at);
        ASSERT_LE(at + 12 + length, png.size()) << name;
        std::string type(png.begin() + static_cast<long>(at + 4), png.begin() + static_cast<long>(at + 8));
        EXPECT_EQ(Be32(png, at + 8 + length), SlowCrc32(png.data() + at + 4, 4 + length))
            << name << " " << type;
        if (type == "IHDR") {
            width = Be32(png, at + 8);
            height = Be32(png, at + 12);
            EXPECT_EQ(png[at + 16], 8);   // bit depth
            EXPECT_EQ(png[at + 17], 6);   // RGBA
        }
        if (type == "IDAT")
            zlib.insert(zlib.end(), png.begin() + static_cast<long>(at + 8),
                        png.begin() + static_cast<long>(at + 8 + length));
        types.push_back(type);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << name;
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types.back(), "IEND");

    ASSERT_GE(zlib.size(), 6u);
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0) << name;
    EXPECT_EQ(zlib[0] & 0x0F, 8) << name;
    std::vector<uint8_t> raw;
    size_t p = 2;
    bool last = false;
    while (!last) {
        ASSERT_LE(p + 5, zlib.size()) << name;
        last = zlib[p] & 1;
        ASSERT_EQ(zlib[p] & 6, 0) << name << ": not a stored block";
        uint32_t len = zlib[p + 1] | zlib[p + 2] << 8;
        uint32_t nlen = zlib[p + 3] | zlib[p + 4] << 8;
        ASSERT_EQ(len ^ 0xFFFF, nlen) << name;
        ASSERT_LE(p + 5 + len, zlib.size()) << name;
        raw.insert(raw.end(), zlib.begin() + static_cast<long>(p + 5),
                   zlib.begin() + static_cast<long>(p + 5 + len));
        p += 5 + len;
    }
    ASSERT_EQ(p + 4, zlib.size()) << name;
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Be32(zlib, p), b << 16 | a) << name;
    EXPECT_EQ(raw.size(), static_cast<size_t>(height) * (1 + 4 * width)) << name;
    for (uint32_t row = 0; row < height; row++)
        EXPECT_LE(raw[row * (1 + 4 * width)], 4) << name << ": filter type of row " << row;
}

void CheckBmp(const std::string &name, const std::vector<uint8_t> &bmp)
{
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), bmp.size()) << name;
    EXPECT_EQ(Le32(bmp, 10), 54u);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    uint32_t width = Le32(bmp, 18), height = Le32(bmp, 22);
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(54 + ((width * 3 + 3) & ~3u) * height, bmp.size()) << name;
}

TEST(SampleGen, TemplateImagesHaveTheShapeTheProductDescribes)
{
    ScratchDir scratch;
    RunResult run = Generate(scratch / "tree");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> files = ListTree(scratch / "tree");
    ASSERT_EQ(files.size(), 117u);
    std::set<std::string> styleFolders;
    int pngs = 0, bmps = 0;
    for (const std::string &file : files) {
        std::string name = file;
        std::replace(name.begin(), name.end(), '/', '\\');
        EXPECT_GE(name.size(), 10u) << name;
        EXPECT_LE(name.size(), 52u) << name;
        EXPECT_EQ(std::count(name.begin(), name.end(), '\\'), 3) << name;
        EXPECT_EQ(name.rfind("templates\\", 0), 0u) << name;
        styleFolders.insert(file.substr(10, file.find('/', 10) - 10));
        std::vector<uint8_t> bytes = ReadBytes(scratch / "tree/" + file);
        EXPECT_GE(bytes.size(), 2048u) << name;
        EXPECT_LE(bytes.size(), 100u * 1024) << name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
            pngs++;
            CheckPng(name, bytes);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) {
            bmps++;
            CheckBmp(name, bytes);
        } else {
            ADD_FAILURE() << "not an image: " << name;
        }
    }
    EXPECT_EQ(pngs, 46);
    EXPECT_EQ(bmps, 71);
    std::vector<std::string> styles = Styles();
    EXPECT_EQ(styleFolders, std::set<std::string>(styles.begin(), styles.end()));
}

TEST(SampleGen, GenerationIsDeterministicAndPacksIntoAFullPayload)
{
    ScratchDir scratch;
    ASSERT_EQ(Generate(scratch / "a").exitCode, 0);
    ASSERT_EQ(Generate(scratch / "b").exitCode, 0);
    std::vector<std::string> files = ListTree(scratch / "a");
    ASSERT_EQ(files, ListTree(scratch / "b"));
    for (const std::string &file : files)
        ASSERT_EQ(ReadBytes(scratch / "a/" + file), ReadBytes(scratch / "b/" + file)) << file;

    WriteBytes(scratch / "a/varnik.exe", RandomBytes(30000, 9));
    WriteText(scratch / "a/readme.htm", "<html><body>help</body></html>");
    RunResult pack = Zar({"pack", "-o", scratch / "payload.zar", scratch / "a", "--first", "varnik.exe",
                          "--first", "readme.htm"});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    RunResult list = Zar({"list", scratch / "payload.zar"});
    std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 119u);
    EXPECT_NE(lines[0].find("  varnik.exe"), std::string::npos);
    EXPECT_NE(lines[1].find("  readme.htm"), std::string::npos);
    EXPECT_EQ(Zar({"test", scratch / "payload.zar"}).exitCode, 0);
}

TEST(SampleGen, ProgramIconsHoldTwoImagesEach)
{
    ScratchDir scratch;
    for (const char *kind : {"program", "uninstall"}) {
        std::string path = scratch / std::string(kind) + ".ico";
        ASSERT_EQ(RunProgram(SAMPLEGEN_BIN, {"icon", path, kind}).exitCode, 0);
        std::vector<uint8_t> ico = ReadBytes(path);
        ASSERT_GE(ico.size(), 6u + 2 * 16);
        EXPECT_EQ(ico[0] | ico[1] << 8, 0);
        EXPECT_EQ(ico[2] | ico[3] << 8, 1);
        ASSERT_EQ(ico[4] | ico[5] << 8, 2);
        const uint32_t sizes[] = {32, 16};
        for (int i = 0; i < 2; i++) {
            size_t entry = 6 + 16 * i;
            EXPECT_EQ(ico[entry], sizes[i]);
            uint32_t bytes = Le32(ico, entry + 8), offset = Le32(ico, entry + 12);
            ASSERT_LE(static_cast<uint64_t>(offset) + bytes, ico.size());
            EXPECT_EQ(Le32(ico, offset + 4), sizes[i]);       // width
            EXPECT_EQ(Le32(ico, offset + 8), 2 * sizes[i]);   // height with mask
            EXPECT_EQ(bytes, 40 + sizes[i] * sizes[i] * 4 + sizes[i] * 4);
        }
    }
    EXPECT_NE(ReadBytes(scratch / "program.ico"), ReadBytes(scratch / "uninstall.ico"));
    EXPECT_EQ(RunProgram(SAMPLEGEN_BIN, {"icon", scratch / "x.ico", "nonsense"}).exitCode, 2);
}

TEST(SampleProgram, UninstallSwitchIsAWholeArgumentAfterTheProgramName)
{
    EXPECT_TRUE(VarnikHasSwitch("varnik.exe /uninstall", "/uninstall"));
    EXPECT_TRUE(VarnikHasSwitch("\"c:\\program files\\VarnikPlus\\varnik.exe\" /UNINSTALL", "/uninstall"));
    EXPECT_TRUE(VarnikHasSwitch("varnik.exe  other\t/Uninstall ", "/uninstall"));
    EXPECT_FALSE(VarnikHasSwitch("varnik.exe", "/uninstall"));
    EXPECT_FALSE(VarnikHasSwitch("varnik.exe /uninstallx", "/uninstall"));
    EXPECT_FALSE(VarnikHasSwitch("varnik.exe /uninstal", "/uninstall"));
    EXPECT_FALSE(VarnikHasSwitch("\"c:\\x /uninstall\\varnik.exe\"", "/uninstall"));
    EXPECT_FALSE(VarnikHasSwitch("c:\\x\\/uninstall", "/uninstall"));

    char text[512];
    VarnikComposeText("VarnikPlus", "/uninstall", "varnik.exe /uninstall", "C:\\Here", text, sizeof text);
    EXPECT_NE(std::strstr(text, "sample product of VarnikPlus"), nullptr);
    EXPECT_NE(std::strstr(text, "Command line: varnik.exe /uninstall"), nullptr);
    EXPECT_NE(std::strstr(text, "Current directory: C:\\Here"), nullptr);
    EXPECT_NE(std::strstr(text, "would uninstall"), nullptr);
    VarnikComposeText("VarnikPlus", "/uninstall", "varnik.exe", "C:\\Here", text, sizeof text);
    EXPECT_EQ(std::strstr(text, "would uninstall"), nullptr);

    char small[24];
    std::memset(small, 'Z', sizeof small);
    VarnikComposeText("VarnikPlus", "/uninstall", "varnik.exe", "C:\\Here", small, 16);
    EXPECT_EQ(std::strlen(small), 15u);
    EXPECT_EQ(small[16], 'Z');
}

}   // namespace
