// zar setup refuses every bad input with a clear message and writes nothing:
// faults in product.ini (each named FILE:LINE), in the folder, the icon, the
// stub and the output path. Each case is the good product with one fault.
#include "zar_test_support.h"

#include "synthetic_stub.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The good product of the tests, which each case then spoils.
struct Inputs {
    ScratchDir dir;
    std::string folder = dir / "product";
    std::string ini = dir / "product.ini";
    std::string iniText = ProductIniText(6);
    std::string stub = dir / "stub.exe";
    std::vector<uint8_t> stubBytes = BuildStub(false, StubResources()).bytes;
    std::string out = dir / "out/setup.exe";
    std::string stubArgument;   // default: stub
    std::vector<std::string> extra;
    std::vector<std::string> operands;   // default: ini, folder

    Inputs()
    {
        for (const auto &[name, bytes] : ProductFiles(6))
            WriteBytes(folder + "/" + name, bytes);
        fs::create_directories(dir / "out");
    }
    // Replaces one line's text in product.ini; the line must be there.
    void Ini(const std::string &from, const std::string &to)
    {
        size_t at = iniText.find(from);
        if (at == std::string::npos)
            throw std::runtime_error("product.ini has no '" + from + "'");
        iniText.replace(at, from.size(), to);
    }
    RunResult Run(RunResult (*run)(const std::vector<std::string> &) = Zar)
    {
        WriteText(ini, iniText);
        WriteBytes(stub, stubBytes);
        std::vector<std::string> args{"setup", "-o", out, "--stub",
                                      stubArgument.empty() ? stub : stubArgument};
        args.insert(args.end(), extra.begin(), extra.end());
        if (operands.empty())
            operands = {ini, folder};
        args.insert(args.end(), operands.begin(), operands.end());
        return run(args);
    }
};

struct Refusal {
    const char *name;
    std::function<void(Inputs &)> spoil;
    std::string expected;   // in the message; "@" stands for product.ini's path
};

void PrintTo(const Refusal &refusal, std::ostream *os)
{
    *os << refusal.name;
}

std::string Long(size_t n)
{
    return std::string(n, 'x');
}

std::vector<StubResource> Without(const std::string &type)
{
    std::vector<StubResource> resources = StubResources(), kept;
    for (const StubResource &r : resources)
        if (r.type.text != type)
            kept.push_back(r);
    return kept;
}

std::vector<StubResource> With(const std::string &type, uint16_t id)
{
    std::vector<StubResource> resources = StubResources();
    resources.push_back({{type, 0}, {"", id}, 0x409, {1, 2, 3, 4}});
    return resources;
}

const Refusal kRefusals[] = {
    // product.ini: every fault with its file and line.
    {"MissingKey", [](Inputs &in) { in.Ini("company=Orbit Works\n", ""); }, "@:0: missing key 'company'"},
    {"UnknownKey", [](Inputs &in) { in.Ini("company=Orbit Works", "company=Orbit Works\ncolour=blue"); },
     "@:13: unknown key 'colour'"},
    {"DuplicateKey", [](Inputs &in) { in.Ini("folderName=Orbit", "folderName=Orbit\nfolderName=Other"); },
     "@:7: duplicate key 'folderName' (first given on line 6)"},
    {"NotAKeyLine", [](Inputs &in) { in.Ini("[Options]", "[Options]\njust some words"); },
     "@:16: not a 'key=value' line"},
    {"EmptyValue", [](Inputs &in) { in.Ini("folderName=Orbit", "folderName="); }, "@:6: folderName is empty"},
    {"TextTooLongForItsField",
     [](Inputs &in) { in.Ini("productName=Orbit Studio", "productName=" + Long(260)); },
     "@:5: productName is 260 characters long; at most 259 fit"},
    {"ProgramNameTooLong", [](Inputs &in) { in.Ini("exeBaseName=orbit", "exeBaseName=" + Long(256)); },
     "@:7: exeBaseName is 256 characters long; at most 255 fit (with \".exe\" added)"},
    {"StyleTooLong", [](Inputs &in) { in.Ini("templateStyle=Ink", "templateStyle=" + Long(260)); },
     "@:29: templateStyle is 260 characters long; at most 259 fit"},
    {"SwitchOver11", [](Inputs &in) { in.Ini("uninstallSwitch=/remove", "uninstallSwitch=/remove-all!"); },
     "@:18: uninstallSwitch is 12 characters long; at most 11 fit"},
    {"SixStyles", [](Inputs &in) { in.Ini("templateStyle=Frost\n", ""); },
     "@:0: exactly 7 templateStyle values are needed, found 6"},
    {"EightStyles",
     [](Inputs &in) { in.Ini("templateStyle=Frost\n", "templateStyle=Frost\ntemplateStyle=Ice\n"); },
     "@:31: exactly 7 templateStyle values are needed, found 8"},
    {"NonAsciiText",
     [](Inputs &in) {
         in.Ini("productName=Orbit Studio", "productName=Orbit St\xC3\xBC"
                                            "dio");
     },
     "@:5: productName 'Orbit St\\xC3\\xBCdio' is not plain ASCII"},
    {"NonAsciiStyle", [](Inputs &in) { in.Ini("templateStyle=Neon", "templateStyle=N\xE9on"); },
     "@:26: templateStyle 'N\\xE9on' is not plain ASCII"},
    {"TabInText", [](Inputs &in) { in.Ini("titleText=Orbit Studio 7", "titleText=Orbit\tStudio 7"); },
     "@:4: titleText 'Orbit\\x09Studio 7' is not plain ASCII (byte 0x09"},
    {"TitleOver248", [](Inputs &in) { in.Ini("titleText=Orbit Studio 7", "titleText=" + Long(249)); },
     "@:4: titleText is 249 characters long; at most 248 fit"},
    {"ProposalOver259",
     [](Inputs &in) { in.Ini("defaultParentDir=c:\\apps", "defaultParentDir=c:\\" + Long(252)); },
     "@:10: defaultParentDir, a backslash and folderName make a directory of 261 characters; at most 259 "
     "fit"},
    {"NotAnInteger", [](Inputs &in) { in.Ini("desktopIcon=1", "desktopIcon=yes"); },
     "@:16: desktopIcon 'yes' is not an integer"},
    {"IntegerTooLarge", [](Inputs &in) { in.Ini("uninstallIconIndex=2", "uninstallIconIndex=2147483648"); },
     "@:19: uninstallIconIndex '2147483648' is not an integer"},
    {"IntegerWithTrailingText", [](Inputs &in) { in.Ini("createHelpShortcut=0", "createHelpShortcut=0x1"); },
     "@:20: createHelpShortcut '0x1' is not an integer"},
    {"VersionOfFiveNumbers", [](Inputs &in) { in.Ini("version=7.1.2", "version=7.1.2.3.4"); },
     "@:11: version '7.1.2.3.4' is not of the form 1.2.3.4"},
    {"VersionNumberOver65535", [](Inputs &in) { in.Ini("version=7.1.2", "version=7.65536"); },
     "@:11: version '7.65536' is not of the form 1.2.3.4"},
    {"VersionNotNumbers", [](Inputs &in) { in.Ini("version=7.1.2", "version=v7.1"); },
     "@:11: version 'v7.1' is not of the form 1.2.3.4"},
    {"VersionEmptyPart", [](Inputs &in) { in.Ini("version=7.1.2", "version=7..2"); },
     "@:11: version '7..2' is not of the form 1.2.3.4"},
    {"CopyrightYearOfTwoDigits", [](Inputs &in) { in.Ini("copyrightYear=2025", "copyrightYear=25"); },
     "@:13: copyrightYear '25' is not a year of four digits"},
    {"FileCountZero", [](Inputs &in) { in.Ini("fileCount=6", "fileCount=0"); },
     "@:23: fileCount is 0; at least 1 is needed"},
    {"FileCountNegative", [](Inputs &in) { in.Ini("fileCount=6", "fileCount=-3"); },
     "@:23: fileCount is -3; at least 1 is needed"},
    {"FileCountOtherThanTheFolder", [](Inputs &in) { in.Ini("fileCount=6", "fileCount=7"); },
     "@:23: fileCount is 7 but the folder holds 6 file(s)"},
    {"ProgramNotInTheFolder", [](Inputs &in) { in.Ini("exeBaseName=orbit", "exeBaseName=nebula"); },
     "@:7: the program 'nebula.exe' (exeBaseName and \".exe\") is not in the folder"},
    {"HelpNotInTheFolder", [](Inputs &in) { in.Ini("helpFileName=orbit.chm", "helpFileName=help.chm"); },
     "@:8: the help file 'help.chm' (helpFileName) is not in the folder"},
    {"HelpIsTheProgram", [](Inputs &in) { in.Ini("helpFileName=orbit.chm", "helpFileName=orbit.exe"); },
     "@:8: helpFileName names the program itself"},
    {"ProductIniMissing",
     [](Inputs &in) {
         in.operands = {in.dir / "none.ini", in.folder};
     },
     "cannot open '" + std::string("%/none.ini") + "'"},

    // The folder.
    {"FolderMissing",
     [](Inputs &in) {
         in.operands = {in.ini, in.dir / "nowhere"};
     },
     "nowhere"},
    {"FolderIsAFile",
     [](Inputs &in) {
         in.operands = {in.ini, in.ini};
     },
     "is not a directory"},
    {"NameTheInstallerRefuses",
     [](Inputs &in) {
         WriteText(in.folder + "/templates/con.txt", "device");
         in.Ini("fileCount=6", "fileCount=7");
     },
     "refusing 'templates\\con.txt'"},
    {"NameTooLongForTheProposedDirectory",
     [](Inputs &in) { in.Ini("defaultParentDir=c:\\apps", "defaultParentDir=c:\\" + Long(225)); },
     "refusing 'templates\\Glass\\part2.txt'"},

    // The icon.
    {"IconMissing",
     [](Inputs &in) {
         in.extra = {"--icon", in.dir / "none.ico"};
     },
     "none.ico"},
    {"IconNotAnIcon",
     [](Inputs &in) {
         WriteText(in.dir / "app.ico", "GIF89a, not an icon at all");
         in.extra = {"--icon", in.dir / "app.ico"};
     },
     "not an icon file (no icon header"},
    {"IconImageOutsideTheFile",
     [](Inputs &in) {
         std::vector<uint8_t> ico = IcoFile({32, 16});
         ico.resize(ico.size() - 10);
         WriteBytes(in.dir / "app.ico", ico);
         in.extra = {"--icon", in.dir / "app.ico"};
     },
     "image 2 (296 bytes at 782) does not lie within the file"},
    {"IconImageNotABitmap",
     [](Inputs &in) {
         std::vector<uint8_t> ico = IcoFile({32, 16});
         ico[6 + 32] = 40;   // the first image's width: 32 no more
         ico[6] = 40;
         WriteBytes(in.dir / "app.ico", ico);
         in.extra = {"--icon", in.dir / "app.ico"};
     },
     "image 1 is neither a PNG nor a bitmap of 40x32"},
    {"IconWithout16",
     [](Inputs &in) {
         WriteBytes(in.dir / "app.ico", IcoFile({32, 48}));
         in.extra = {"--icon", in.dir / "app.ico"};
     },
     "the icon lacks a 16x16 image"},
    {"IconWithout32",
     [](Inputs &in) {
         WriteBytes(in.dir / "app.ico", IcoFile({16, 48}));
         in.extra = {"--icon", in.dir / "app.ico"};
     },
     "the icon lacks a 32x32 image"},

    // The stub.
    {"StubMissing", [](Inputs &in) { in.stubArgument = in.dir / "none.exe"; },
     "cannot open '%/none.exe': No such file or directory"},
    {"StubIsAFolder", [](Inputs &in) { in.stubArgument = in.dir / "out"; },
     "cannot read '%/out': it is a directory"},
    {"StubWithoutMark", [](Inputs &in) { in.stubBytes = BuildStub(false, Without("ZSTUB")).bytes; },
     "is not a setup stub of ours: it has no \"ZSTUB\" resource 1"},
    {"StubOfAnotherLayout", [](Inputs &in) { in.stubBytes = BuildStub(false, StubResources(2)).bytes; },
     "reads configuration layout version 2; this zar writes version 1"},
    {"StubMarkOfAnotherSize",
     [](Inputs &in) {
         std::vector<StubResource> resources = StubResources();
         resources[0].data.resize(4);
         in.stubBytes = BuildStub(false, resources).bytes;
     },
     "its mark is not \"ZCFG\" and a layout version (4 bytes)"},
    {"Stub64WhereA32IsNeeded", [](Inputs &in) { in.stubBytes = BuildStub(true, StubResources()).bytes; },
     "is a 64-bit stub where a 32-bit one is needed"},
    {"Stub32WhereA64IsNeeded", [](Inputs &in) { in.extra = {"--win64"}; },
     "is a 32-bit stub where a 64-bit one is needed"},
    {"StubNotAnExecutable", [](Inputs &in) { in.stubBytes = std::vector<uint8_t>(4096, 'x'); },
     "is not a setup stub of ours: damaged PE headers: no \"MZ\" at the start"},
    {"StubTruncatedInTheDosHeader", [](Inputs &in) { in.stubBytes.resize(40); },
     "damaged PE headers: the DOS header is truncated"},
    {"StubTruncatedInItsSections", [](Inputs &in) { in.stubBytes.resize(0x500); },
     "damaged PE headers: section 3 file data"},
    {"StubWithPeOffsetOutside", [](Inputs &in) { Put32(in.stubBytes, 0x3C, 0x7FFFFFF0); },
     "damaged PE headers: the PE header offset 0x7ffffff0"},
    {"StubWithoutPeSignature", [](Inputs &in) { in.stubBytes[0x40] = 'X'; },
     "damaged PE headers: no PE signature"},
    {"StubWithTooManySections", [](Inputs &in) { in.stubBytes[0x46] = 200; }, "damaged PE headers: "},
    {"StubWithBadFileAlignment", [](Inputs &in) { Put32(in.stubBytes, 0x58 + 36, 0x300); },
     "damaged PE headers: file alignment 0x300"},
    {"StubWithWrongSizeOfImage", [](Inputs &in) { Put32(in.stubBytes, 0x58 + 56, 0x9000); },
     "damaged PE headers: SizeOfImage 0x9000"},
    {"StubWithDamagedResourceDirectory", [](Inputs &in) { Put32(in.stubBytes, 0x400 + 12, 0xFFFFFFFF); },
     "is not a setup stub of ours: damaged resources: the directory at 0x0 runs past the resources"},
    {"StubWithResourceDataOutside",
     [](Inputs &in) {
         // The first data entry: after the directories, whose sizes the
         // stub's layout fixes; its RVA made to point far away.
         std::vector<StubResource> resources = StubResources();
         in.stubBytes = BuildStub(false, resources).bytes;
         for (size_t at = 0x400; at + 4 < 0x600; at += 4) {
             uint32_t v = static_cast<uint32_t>(in.stubBytes[at]) | in.stubBytes[at + 1] << 8 |
                          in.stubBytes[at + 2] << 16 | static_cast<uint32_t>(in.stubBytes[at + 3]) << 24;
             uint32_t size = static_cast<uint32_t>(in.stubBytes[at + 4]) | in.stubBytes[at + 5] << 8;
             if (v > 0x3000 && v < 0x4000 && size == 8) {   // the mark's data entry
                 Put32(in.stubBytes, at, 0x7000);
                 break;
             }
         }
     },
     "damaged resources: resource data (8 bytes at 0x7000) lies outside the image's sections"},
    {"StubHoldingAPayload", [](Inputs &in) { in.stubBytes = BuildStub(false, With("ZAR", 119)).bytes; },
     "already holds a payload (a \"ZAR\" resource)"},
    {"StubHoldingAPayloadInLowerCase",
     [](Inputs &in) { in.stubBytes = BuildStub(false, With("zar", 5)).bytes; }, "already holds a payload"},
    {"StubHoldingAConfiguration",
     [](Inputs &in) { in.stubBytes = BuildStub(false, With("ZCFG", 120)).bytes; },
     "already holds a configuration (a \"ZCFG\" resource)"},
    {"StubSigned",
     [](Inputs &in) {
         Put32(in.stubBytes, 0x58 + 96 + 8 * 4, static_cast<uint32_t>(in.stubBytes.size()));
         Put32(in.stubBytes, 0x58 + 96 + 8 * 4 + 4, 16);
         in.stubBytes.resize(in.stubBytes.size() + 16, 0);
     },
     "the stub is signed (it has a certificate table)"},
    {"StubWithOverlay", [](Inputs &in) { in.stubBytes.resize(in.stubBytes.size() + 100, 0x5A); },
     "the stub has 100 bytes after its last section (overlay data)"},
    {"StubWithASectionAfterTheResources",
     [](Inputs &in) {
         size_t table = 0x58 + 224;
         std::memcpy(&in.stubBytes[table + 120], ".data\0\0", 8);
     },
     "the stub has a section '.data' after .rsrc; only .reloc may follow the resources"},
    {"StubWithSymbols", [](Inputs &in) { Put32(in.stubBytes, 0x44 + 8, 0x1000); },
     "damaged PE headers: it has a COFF symbol table"},

    // The output path.
    {"OutputIsAFolder", [](Inputs &in) { fs::create_directories(in.out); },
     "the output '%/out/setup.exe' is a folder"},
    {"OutputIsASymbolicLink",
     [](Inputs &in) {
         WriteText(in.dir / "target.exe", "keep me");
         fs::create_symlink(in.dir / "target.exe", in.out);
     },
     "the output '%/out/setup.exe' is a symbolic link"},
    {"OutputIsADanglingSymbolicLink", [](Inputs &in) { fs::create_symlink(in.dir / "nowhere.exe", in.out); },
     "is a symbolic link"},
    {"OutputInsideTheFolder", [](Inputs &in) { in.out = in.folder + "/templates/setup.exe"; },
     "lies inside the folder being packed"},
    {"OutputFolderMissing", [](Inputs &in) { in.out = in.dir / "no/such/setup.exe"; },
     "cannot create '%/no/such/setup.exe.partial'"},
};

std::string Expand(const std::string &text, const Inputs &in)
{
    std::string out;
    for (char c : text) {
        if (c == '@')
            out += in.ini;
        else if (c == '%')
            out += in.dir.path;
        else
            out += c;
    }
    return out;
}

class ZarSetupRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ZarSetupRefusal, ClearMessageAndNothingWritten)
{
    const Refusal &refusal = GetParam();
    Inputs in;
    // The good product goes through: each case's fault alone is refused.
    RunResult good = in.Run();
    ASSERT_EQ(good.exitCode, 0) << good.err;
    fs::remove(in.out);
    in.operands.clear();

    refusal.spoil(in);
    struct stat before {};
    const bool existed = lstat(in.out.c_str(), &before) == 0;
    std::string linkTarget = existed && S_ISLNK(before.st_mode) ? fs::read_symlink(in.out).string() : "";
    RunResult r = in.Run();
    const std::string expected = Expand(refusal.expected, in);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find(expected), std::string::npos) << "expected: " << expected << "\ngot: " << r.err;
    EXPECT_EQ(r.out, "");
    // Nothing written: no output (or the folder or link as it was), no
    // temporary file.
    struct stat after {};
    if (existed) {
        ASSERT_EQ(lstat(in.out.c_str(), &after), 0);
        EXPECT_EQ((before.st_mode & S_IFMT), (after.st_mode & S_IFMT));
        if (S_ISLNK(after.st_mode)) {
            EXPECT_EQ(fs::read_symlink(in.out).string(), linkTarget);
        }
        if (fs::exists(in.dir / "target.exe")) {
            EXPECT_EQ(ReadBytes(in.dir / "target.exe"),
                      std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
        }
    } else {
        EXPECT_FALSE(Exists(in.out)) << in.out;
    }
    for (const std::string &folder : {in.dir / "out", in.folder + "/templates"})
        for (const auto &entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Table, ZarSetupRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal> &info) {
                             return std::string(info.param.name);
                         });

}   // namespace

namespace {

// zar without the rights to pass over a file's permissions: as root (who
// reads every folder) through setpriv, which drops them before zar starts.
const char kSetpriv[] = "/usr/bin/setpriv";
const char kWithoutOverride[] = "--bounding-set=-dac_override,-dac_read_search";

RunResult ZarHeldToPermissions(const std::vector<std::string> &args)
{
    if (geteuid() != 0)
        return Zar(args);
    std::vector<std::string> all{kWithoutOverride, ZAR_BIN};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(kSetpriv, all);
}

// A folder that cannot be read.
TEST(ZarSetupRefusalUnreadable, FolderThatCannotBeReadIsRefused)
{
    if (geteuid() == 0 &&
        (access(kSetpriv, X_OK) != 0 || RunProgram(kSetpriv, {kWithoutOverride, "/bin/true"}).exitCode != 0))
        GTEST_SKIP() << "root reads every folder, and setpriv cannot keep zar from it here";
    Inputs in;
    fs::permissions(in.folder + "/templates", fs::perms::none);
    RunResult r = in.Run(ZarHeldToPermissions);
    fs::permissions(in.folder + "/templates", fs::perms::owner_all);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot read folder"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(in.out));
}

}   // namespace
