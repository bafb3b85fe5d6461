// Fixture for the desktop integration and clean-up tests: a throwaway folder
// tree with the user's Shell Folders pointed into it; configuration, state,
// current directory, Shell Folders and uninstall keys restored after each
// test. Results are read back through the platform (test_files.h): the file
// API, the shell's link object and the registry API.
#ifndef TESTS_INTEGRATION_INTEGRATION_FIXTURE_H
#define TESTS_INTEGRATION_INTEGRATION_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "installer_config.h"
#include "setup_config.h"
#include "setup_state.h"
#include "test_files.h"

inline const char kProductUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VarnikPlus";
inline const char kOlderUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnik";

// Writes a text file; the test fails when it cannot.
inline void WriteTextFile(const std::string &path, const std::string &text = "x")
{
    ASSERT_TRUE(WriteText(path, text)) << path;
}

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
