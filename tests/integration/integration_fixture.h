// Fixture for the desktop integration and clean-up tests: a throwaway folder
// tree with the user's Shell Folders pointed into it; configuration, state,
// current directory, Shell Folders and uninstall keys restored after each
// test. Results are read back through the platform: the file API, the
// shell's link object and the registry API.
#ifndef TESTS_INTEGRATION_INTEGRATION_FIXTURE_H
#define TESTS_INTEGRATION_INTEGRATION_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "setup_config.h"
#include "setup_state.h"

inline const char kShellFoldersKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const char kProductUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VarnikPlus";
inline const char kOlderUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnik";

using Names = std::vector<std::string>;

// Another product's configuration record (tests/config/other-product.ini):
// every name it carries differs from this build's.
extern SetupConfigRecord OtherProductConfig;
inline const char kUninstallKeyPrefix[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void MakeDirs(const std::string &path);
void WriteTextFile(const std::string &path, const std::string &text = "x");
bool FileExists(const std::string &path);
bool DirExists(const std::string &path);
void RemoveTree(const std::string &path);
// Every entry below root, relative to it, sorted; folders end in a backslash.
Names ListTree(const std::string &root);
// The folder of the test program, with its final backslash; setup.exe and
// the payload stub are built there too.
std::string BinDir();

// A shortcut file as the shell's link object loads it.
struct LinkInfo {
    bool loaded = false;
    std::string path, workingDir, arguments, iconPath;
    int iconIndex = -1;
};
LinkInfo ReadLink(const std::string &linkPath);

// A value's stored bytes, "<missing>" when there is none; type if asked.
std::string RegBytes(HKEY root, const char *keyPath, const char *name, DWORD *type = nullptr);
bool RegKeyExists(HKEY root, const char *keyPath);
void SetRegText(HKEY root, const char *keyPath, const char *name, const std::string &text);
void DeleteRegValue(HKEY root, const char *keyPath, const char *name);

class IntegrationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Points "Programs" and "Desktop" at root\Programs and root\Desktop.
    void UseOwnShellFolders();
    void SetInstallDir(const std::string &dir);
    // Runs the rest of the test with OtherProductConfig as the configuration.
    void UseOtherProduct()
    {
        SetupConfig = OtherProductConfig;
        ASSERT_STRNE(SetupConfig.exeBaseName, savedConfig_.exeBaseName);
        ASSERT_STRNE(SetupConfig.productName, savedConfig_.productName);
        ASSERT_STRNE(SetupConfig.templateStyles[0], savedConfig_.templateStyles[0]);
    }

    std::string root, programsDir, desktopDir;

private:
    SetupConfigRecord savedConfig_;
    SetupStateRecord savedState_;
    char savedCurrentDir_[MAX_PATH];
    std::vector<std::pair<std::string, std::pair<DWORD, std::string>>> savedShellFolders_;
};

#endif
