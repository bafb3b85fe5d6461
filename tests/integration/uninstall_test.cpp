// The uninstall entry, read back through the registry API.
#include "integration_fixture.h"

#include "uninstall.h"

namespace {

using UninstallTest = IntegrationTest;

// Bytes of a REG_SZ value holding exactly text and one terminating NUL.
std::string Stored(const std::string &text)
{
    return text + '\0';
}

std::string Command()
{
    DWORD type = 0;
    std::string bytes = RegBytes(HKEY_LOCAL_MACHINE, kProductUninstallKey, "UninstallString", &type);
    return type == REG_SZ || bytes == "<missing>" ? bytes : "<not REG_SZ>";
}

TEST_F(UninstallTest, WritesNameAndQuotedCommandOverAnEarlierEntry)
{
    SetRegText(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName", "stale");
    SetRegText(HKEY_LOCAL_MACHINE, kProductUninstallKey, "Publisher", "kept");
    SetInstallDir("c:\\program files\\VarnikPlus\\");
    EXPECT_EQ(RegisterUninstall(), 1);
    DWORD type = 0;
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName", &type), Stored("VarnikPlus"));
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(Command(), Stored("\"c:\\program files\\VarnikPlus\\varnik.exe\" /uninstall"));
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kProductUninstallKey, "Publisher"), Stored("kept"));

    SetInstallDir("d:\\apps\\vp");   // no final backslash: exactly one is added
    EXPECT_EQ(RegisterUninstall(), 1);
    EXPECT_EQ(Command(), Stored("\"d:\\apps\\vp\\varnik.exe\" /uninstall"));

    // A name with blanks names the key as it stands.
    const char *productName = SetupConfig.productName;
    SetupConfig.productName = "Varnik Plus  Pro";
    const std::string spaced = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnik Plus  Pro";
    EXPECT_EQ(RegisterUninstall(), 1);
    SetupConfig.productName = productName;
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, spaced.c_str(), "DisplayName"), Stored("Varnik Plus  Pro"));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, spaced.c_str());
}

// Another product's configuration names the entry, its display name and its
// command; the older generation's key stays the installer's own "Varnik".
TEST_F(UninstallTest, OtherProductNamesItsOwnEntryAndRemovesTheSameOlderOne)
{
    UseOtherProduct();
    const std::string product = SetupConfig.productName;
    const std::string key = kUninstallKeyPrefix + product;
    SetInstallDir("c:\\apps\\Orbit\\");
    EXPECT_EQ(RegisterUninstall(), 1);
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName"), Stored(product));
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString"),
              Stored("\"c:\\apps\\Orbit\\" + std::string(SetupConfig.exeBaseName) + ".exe\" " +
                     SetupConfig.uninstallSwitch));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));

    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
    EXPECT_EQ(RemoveUninstallEntry(), 1);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, key.c_str()));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

TEST_F(UninstallTest, CommandIsWrittenOnlyWhenItFitsItsBuffer)
{
    // Quote, directory, "varnik.exe", quote, blank, "/uninstall" and the NUL
    // take 256 bytes for a directory of 232 characters.
    std::string fits = "c:\\" + std::string(228, 'f') + "\\";
    SetInstallDir(fits);
    EXPECT_EQ(RegisterUninstall(), 1);
    EXPECT_EQ(Command(), Stored("\"" + fits + "varnik.exe\" /uninstall"));

    // One character more: no command, and the earlier entry's command,
    // which names the program of the earlier folder, does not stay behind.
    SetInstallDir("c:\\" + std::string(229, 'f') + "\\");
    EXPECT_EQ(RegisterUninstall(), 1);
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName"), Stored("VarnikPlus"));
    EXPECT_EQ(Command(), "<missing>");
}

TEST_F(UninstallTest, RemovesTheOlderEntryAndOnlyThat)
{
    EXPECT_EQ(RemoveUninstallEntry(), 0);

    auto writeOlder = [] {
        SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
        SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "UninstallString", "c:\\v\\v.exe");
    };
    writeOlder();
    SetRegText(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName", "VarnikPlus");
    EXPECT_EQ(RemoveUninstallEntry(), 1);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));

    // A key that can't be deleted (it has a sub-key) still loses both values.
    std::string sub = std::string(kOlderUninstallKey) + "\\Sub";
    SetRegText(HKEY_LOCAL_MACHINE, sub.c_str(), "x", "y");
    writeOlder();
    EXPECT_EQ(RemoveUninstallEntry(), 1);
    ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, sub.c_str()));   // the key really stayed
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName"), "<missing>");
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "UninstallString"), "<missing>");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, sub.c_str());
}

}   // namespace
