// Installation detection against real folders and profile files under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "detect_install.h"
#include "scratch_dir.h"

namespace {

struct Case {
    const char *program;   // main program file to create, or null
    const char *profile;   // varnik.ini text, or null
    int32_t expected;
};

const Case kCases[] = {
    {nullptr, "[Varnik]\nSwap_R&B=1\n[VarnikPlus]\nUseMMX=1\n", NoInstall},
    {"varnik.exe", nullptr, UnrecognisedInstall},
    {"varnik.exe", "[Other]\nKey=1\n", UnrecognisedInstall},
    {"varnik.exe", "[Varnik]\nUseMMX=1\n[VarnikPlus]\nSwap_R&B=1\n", UnrecognisedInstall},
    {"varnik.exe", "[Varnik]\nSwap_R&B=1\n", OlderInstall},
    {"varnik.exe", "[VarnikPlus]\nUseMMX=1\n", CurrentInstall},
    {"varnik.exe", "[VarnikPlus]\nUseMMX=0\n[Varnik]\nSwap_R&B=7\n", OlderInstall},
    {"varnik.exe", "[Varnik]\nSwap_R&B=0\n", OlderInstall},
    {"varnik.exe", "[Varnik]\nSwap_R&B=yes\n", OlderInstall},
    {"varnik.exe", "[Varnik]\nSwap_R&B=-1\n[VarnikPlus]\nUseMMX=1\n", CurrentInstall},
    {"varnik.exe", "[VarnikPlus]\nUseMMX=-1\n", UnrecognisedInstall},
    {"varnik.exe", "[VARNIKPLUS]\nusemmx=1\n", CurrentInstall},
    {"VARNIK.EXE", "[varnik]\nSWAP_R&B=2\n", OlderInstall},
};

TEST(DetectExistingInstallTest, ClassifiesByProgramAndProfileMarkers)
{
    ScratchDir scratch("detect");
    std::string startDir = CurrentDirectory();
    int index = 0;
    for (const Case &c : kCases) {
        // A folder per case: the profile reader may cache a file by its name.
        std::string dir = scratch.at(std::to_string(index++));
        CreateDirectoryA(dir.c_str(), nullptr);
        if (c.program)
            WriteTextFile(dir + "\\" + c.program, "MZ");
        if (c.profile)
            WriteTextFile(dir + "\\varnik.ini", c.profile);
        EXPECT_EQ(DetectExistingInstall(dir.c_str()), c.expected) << dir << " " << c.profile;
        EXPECT_EQ(DetectExistingInstall((dir + "\\").c_str()), c.expected) << dir;
    }
    EXPECT_EQ(CurrentDirectory(), startDir);
}

TEST(DetectExistingInstallTest, ProfilePathMustFitItsBuffer)
{
    ScratchDir scratch("detect");
    WriteTextFile(scratch.at("varnik.exe"), "MZ");
    WriteTextFile(scratch.at("varnik.ini"), "[VarnikPlus]\nUseMMX=1\n");
    // The same folder named with ".\" steps, to the length wanted (final
    // backslash included): 249 still leaves room for "varnik.ini", 250 not.
    auto padded = [&](size_t length) {
        std::string path = scratch.path() + "\\";
        if ((length - path.size()) % 2)
            path += "x\\..\\";
        while (path.size() < length)
            path += ".\\";
        return path;
    };
    EXPECT_EQ(DetectExistingInstall(padded(249).c_str()), CurrentInstall);
    EXPECT_EQ(DetectExistingInstall(padded(250).c_str()), UnrecognisedInstall);
    EXPECT_EQ(DetectExistingInstall(padded(400).c_str()), UnrecognisedInstall);
}

}  // namespace
