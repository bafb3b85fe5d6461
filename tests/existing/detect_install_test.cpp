// Installation detection against real folders and profile files under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "detect_install.h"
#include "folder_handle.h"
#include "installer_config.h"
#include "setup_config.h"
#include "test_files.h"

namespace {

Bytes Text(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

TEST(DetectExistingInstallTest, ClassifiesByProgramAndProfileMarkers)
{
    struct Case {
        const char *program, *profile;   // files to make, null for none
        int32_t expected;
    } cases[] = {
        {nullptr, "[Varnik]\nSwap_R&B=1\n[VarnikPlus]\nUseMMX=1\n", NoInstall},
        {"varnik.exe", nullptr, UnrecognisedInstall},
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
        {"varnik.exe", " [ VarnikPlus ] \r\n  UseMMX = 3 \r\n", CurrentInstall},
        {"varnik.exe", "[VarnikPlus]\r\n;UseMMX=1\r\n[Other]\r\nUseMMX=1\r\n", UnrecognisedInstall},
        {"varnik.exe", "[Other]\nUseMMX=1\n[VarnikPlus]\nUseMMXY=1\nSwap_R&B=1\n", UnrecognisedInstall},
    };
    ScratchDir scratch("detect");
    std::string startDir = CurrentDirectory();
    int index = 0;
    for (const Case &c : cases) {
        // A folder per case: the profile reader may cache a file by its name.
        std::string dir = scratch.at(std::to_string(index++));
        CreateDirectoryA(dir.c_str(), nullptr);
        if (c.program)
            WriteBytes(dir, c.program, Text("MZ"));
        if (c.profile)
            WriteBytes(dir, "varnik.ini", Text(c.profile));
        EXPECT_EQ(DetectExistingInstall(dir.c_str()), c.expected) << index;
        EXPECT_EQ(DetectExistingInstall((dir + "\\").c_str()), c.expected) << index;
        HANDLE held;
        ASSERT_EQ(HoldFolder(dir.c_str(), 0, &held), kEntryHeld);
        EXPECT_EQ(DetectExistingInstallIn(held), c.expected) << index << " through its handle";
        ReleaseHandle(held);
    }
    EXPECT_EQ(CurrentDirectory(), startDir);
}

// With another product's configuration record
// (tests/config/other-product.ini): the probe's names are its own,
// "varnik.exe", "varnik.ini" and the sections "Varnik" and "VarnikPlus",
// whatever the configuration calls the program and the product.
TEST(DetectExistingInstallTest, NamesAreTheProbesOwnWhateverTheConfiguration)
{
    SetupConfig = OtherProductConfig;
    ASSERT_STRNE(SetupConfig.exeBaseName, "varnik");
    ASSERT_STRNE(SetupConfig.productName, "VarnikPlus");
    const std::string exe = SetupConfig.exeBaseName, product = SetupConfig.productName;
    struct Case {
        std::string program, profileName, profile;
        int32_t expected;
    } cases[] = {
        {exe + ".exe", exe + ".ini", "[" + product + "]\nUseMMX=1\n[Varnik]\nSwap_R&B=1\n", NoInstall},
        {exe + ".exe", "varnik.ini", "[VarnikPlus]\nUseMMX=1\n", NoInstall},
        {"varnik.exe", exe + ".ini", "[VarnikPlus]\nUseMMX=1\n", UnrecognisedInstall},
        {"varnik.exe", "varnik.ini", "[" + product + "]\nUseMMX=1\n", UnrecognisedInstall},
        {"varnik.exe", "varnik.ini", "[VarnikPlus]\nUseMMX=1\n", CurrentInstall},
        {"varnik.exe", "varnik.ini", "[Varnik]\nSwap_R&B=1\n", OlderInstall},
    };
    ScratchDir scratch("detect");
    int index = 0;
    for (const Case &c : cases) {
        std::string dir = scratch.at(std::to_string(index++));
        CreateDirectoryA(dir.c_str(), nullptr);
        WriteBytes(dir, c.program, Text("MZ"));
        WriteBytes(dir, c.profileName, Text(c.profile));
        EXPECT_EQ(DetectExistingInstall(dir.c_str()), c.expected) << c.program << " " << c.profileName;
    }
}

// The profile is read through the held folder, so no path is built for it:
// a folder named by a path of any length the system takes is read; one it
// cannot hold holds no installation.
TEST(DetectExistingInstallTest, TheProfileIsReadThroughTheFolderWhateverItsPath)
{
    ScratchDir scratch("detect");
    WriteBytes(scratch.path, "varnik.exe", Text("MZ"));
    WriteBytes(scratch.path, "varnik.ini", Text("[VarnikPlus]\nUseMMX=1\n"));
    // The same folder named with ".\" steps, to the length wanted (final
    // backslash included).
    auto padded = [&](size_t length) {
        std::string path = scratch.path + ((length - scratch.path.size()) % 2 ? "\\" : "\\x\\..\\");
        while (path.size() < length)
            path += ".\\";
        return path;
    };
    EXPECT_EQ(DetectExistingInstall(padded(249).c_str()), CurrentInstall);
    EXPECT_EQ(DetectExistingInstall(padded(250).c_str()), CurrentInstall);
    EXPECT_EQ(DetectExistingInstall(padded(400).c_str()), NoInstall);
    EXPECT_EQ(DetectExistingInstall((scratch.path + "\\missing").c_str()), NoInstall);
}

}   // namespace
