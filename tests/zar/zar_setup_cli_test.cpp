// zar setup from the command line: finding the stub beside zar, help and
// usage, the product.ini format as the build has always read it, and the
// real product description with the sample product's files.
#include "zar_test_support.h"

#include "pe_reader.h"
#include "synthetic_stub.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Config(const std::string &out)
{
    InspectedPe pe = InspectPe(ReadBytes(out));
    const std::vector<uint8_t> &c = pe.resources.at("ZCFG/120/1033");
    return std::string(c.begin(), c.end());
}

std::string ConfigText(const std::string &image, size_t at, size_t field)
{
    return std::string(image.c_str() + at, strnlen(image.c_str() + at, field));
}

struct Folder {
    ScratchDir dir;
    std::string folder = dir / "product";
    std::string ini = dir / "product.ini";
    std::string out = dir / "setup.exe";
    Folder()
    {
        for (const auto &[name, bytes] : ProductFiles(6))
            WriteBytes(folder + "/" + name, bytes);
        WriteText(ini, ProductIniText(6));
    }
};

TEST(ZarSetupCli, FindsTheStubBesideZar)
{
    Folder f;
    // A copy of zar in bin/, its stubs in lib/zar/ or in bin/.
    const std::string bin = f.dir / "bin", lib = f.dir / "lib/zar";
    fs::create_directories(bin);
    fs::create_directories(lib);
    fs::copy_file(ZAR_BIN, bin + "/zar");
    fs::permissions(bin + "/zar", fs::perms::owner_all);
    const std::vector<uint8_t> stub32 = BuildStub(false, StubResources()).bytes;
    const std::vector<uint8_t> stub64 = BuildStub(true, StubResources()).bytes;
    auto run = [&](bool win64) {
        std::vector<std::string> args{"setup", "-o", f.out, f.ini, f.folder};
        if (win64)
            args.insert(args.begin() + 1, "--win64");
        return RunProgram(bin + "/zar", args);
    };

    // Neither place: both are named.
    RunResult none = run(false);
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find(bin + "/../lib/zar/stub-win32.exe"), std::string::npos) << none.err;
    EXPECT_NE(none.err.find(bin + "/stub-win32.exe"), std::string::npos) << none.err;
    EXPECT_FALSE(Exists(f.out));

    // Beside zar.
    WriteBytes(bin + "/stub-win32.exe", stub32);
    RunResult beside = run(false);
    ASSERT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_EQ(InspectPe(ReadBytes(f.out)).machine, 0x14C);

    // ../lib/zar/ comes first: a 64-bit stub there under the 32-bit name is
    // taken (and refused), not the good one beside zar.
    WriteBytes(lib + "/stub-win32.exe", stub64);
    RunResult first = run(false);
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_NE(first.err.find("lib/zar/stub-win32.exe' is a 64-bit stub"), std::string::npos) << first.err;

    // --win64 looks for stub-win64.exe.
    RunResult missing64 = run(true);
    EXPECT_EQ(missing64.exitCode, 1);
    EXPECT_NE(missing64.err.find("stub-win64.exe"), std::string::npos) << missing64.err;
    WriteBytes(lib + "/stub-win64.exe", stub64);
    RunResult win64 = run(true);
    ASSERT_EQ(win64.exitCode, 0) << win64.err;
    EXPECT_EQ(InspectPe(ReadBytes(f.out)).machine, 0x8664);
}

TEST(ZarSetupCli, HelpDescribesSetupAndKeepsTheOtherCommands)
{
    RunResult help = Zar({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    for (const char *text : {"zar setup -o OUT.exe [--win64] [--icon FILE.ico] [--stub FILE]",
                             "[--fast|--best] [--threads N] PRODUCT.ini FOLDER", "zar pack -o OUT DIR",
                             "zar list FILE", "zar extract [--into] FILE DIR", "--win64", "--icon FILE",
                             "--stub FILE", "stub-win32.exe", "FILE:LINE"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

TEST(ZarSetupCli, UsageErrorsExitWith2)
{
    Folder f;
    const std::vector<std::vector<std::string>> cases{
        {"setup", f.ini, f.folder},
        {"setup", "-o", f.out, f.ini},
        {"setup", "-o", f.out, f.ini, f.folder, "extra"},
        {"setup", "-o", f.out, "--threads", "0", f.ini, f.folder},
        {"setup", "-o", f.out, "--level", f.ini, f.folder},
        {"setup", "-o", f.out, "-o", f.out, f.ini, f.folder},
        {"setup", "-o", f.out, "--icon", f.ini, f.folder},
    };
    for (const auto &args : cases) {
        RunResult r = Zar(args);
        EXPECT_EQ(r.exitCode, 2) << args.size() << " " << r.err;
        EXPECT_NE(r.err.find("setup"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(f.out));
    }
}

TEST(ZarSetupCli, ProductIniReadsAsTheBuildReadsIt)
{
    Folder f;
    // A byte order mark, CRLF line ends, blanks around keys and values,
    // comments, sections; copyrightYear left out.
    std::string text = ProductIniText(6);
    text.replace(text.find("copyrightYear=2025\n"), 19, "");
    text.replace(text.find("folderName=Orbit"), 16, "  folderName \t=  Orbit  ");
    std::string crlf = "\xEF\xBB\xBF";
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    crlf += "; a comment at the end, with bytes \xC3\xBC outside ASCII\r\n";
    WriteText(f.ini, crlf);
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);   // in 2023
    RunResult r =
        Zar({"setup", "-o", f.out, "--stub",
             (WriteBytes(f.dir / "stub.exe", BuildStub(false, StubResources()).bytes), f.dir / "stub.exe"),
             f.ini, f.folder});
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string image = Config(f.out);
    EXPECT_EQ(ConfigText(image, 564, 260), "Orbit");
    EXPECT_EQ(ConfigText(image, 1864 + 6 * 260, 260), "Frost");
    InspectedPe pe = InspectPe(ReadBytes(f.out));
    EXPECT_EQ(InspectVersion(pe.resources.at("16/1/1033")).strings.at("LegalCopyright"),
              "Copyright (c) 2023 Orbit Works");
}

TEST(ZarSetupCli, EveryProblemOfTheProductIniAtOnce)
{
    Folder f;
    std::string text = ProductIniText(6);
    text.replace(text.find("desktopIcon=1"), 13, "desktopIcon=on");
    text.replace(text.find("version=7.1.2"), 13, "version=7.x");
    text += "colour=blue\n";
    WriteText(f.ini, text);
    RunResult r = Zar({"setup", "-o", f.out, "--stub", f.dir / "none.exe", f.ini, f.folder});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_EQ(lines[0], "zar: " + f.ini + ":31: unknown key 'colour'");
    EXPECT_EQ(lines[1],
              "zar: " + f.ini + ":16: desktopIcon 'on' is not an integer (-2147483648 to 2147483647)");
    EXPECT_EQ(lines[2],
              "zar: " + f.ini +
                  ":11: version '7.x' is not of the form 1.2.3.4 (1 to 4 numbers, each 0 to 65535)");
    EXPECT_EQ(lines[3], "zar: 3 problem(s) in the product description; nothing written");
}

// The real product description with the sample product's files: 117
// template images from samplegen, the program and the help file.
TEST(ZarSetupCli, TheRealProductDescriptionAndTheSampleFiles)
{
    ScratchDir dir;
    const std::string folder = dir / "VarnikPlus";
    std::vector<std::string> args{"images", folder};
    std::stringstream styles(SAMPLE_STYLES);
    for (std::string style; std::getline(styles, style, '|');)
        args.push_back(style);
    ASSERT_EQ(RunProgram(SAMPLEGEN_BIN, args).exitCode, 0);
    WriteText(folder + "/varnik.exe", "MZ the sample program");
    WriteText(folder + "/readme.htm", "<html>help</html>");
    WriteBytes(dir / "stub.exe", BuildStub(false, StubResources()).bytes);
    ASSERT_EQ(RunProgram(SAMPLEGEN_BIN, {"icon", dir / "app.ico", "program"}).exitCode, 0);
    RunResult r = Zar({"setup", "-o", dir / "setup.exe", "--stub", dir / "stub.exe", "--icon",
                       dir / "app.ico", PRODUCT_INI_FILE, folder});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    RunResult list = Zar({"list", dir / "setup.exe"});
    std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 119u);
    EXPECT_NE(lines[0].find(" varnik.exe"), std::string::npos);
    EXPECT_NE(lines[1].find(" readme.htm"), std::string::npos);
    EXPECT_EQ(Zar({"test", dir / "setup.exe"}).exitCode, 0);
    std::string image = Config(dir / "setup.exe");
    EXPECT_EQ(ConfigText(image, 44, 260), "VarnikPlus SE version 2.4");
    EXPECT_EQ(ConfigText(image, 32, 12), "/uninstall");
    InspectedPe pe = InspectPe(ReadBytes(dir / "setup.exe"));
    EXPECT_EQ(InspectVersion(pe.resources.at("16/1/1033")).strings.at("LegalCopyright"),
              "Copyright (c) 2026 Varnik Software");
    EXPECT_EQ(pe.resources.at("14/108/1033")[4], 2);
}

}   // namespace
