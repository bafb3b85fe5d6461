#include "integration_fixture.h"

void IntegrationTest::SetUp()
{
    savedConfig_ = SetupConfig;
    savedState_ = SetupState;
    GetCurrentDirectoryA(MAX_PATH, savedCurrentDir_);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKeyPath, 0, KEY_READ, &key) == 0) {
        char name[1024], data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type;
        for (DWORD i = 0;
             RegEnumValueA(key, i, name, &nameSize, NULL, &type, (BYTE *)data, &dataSize) == ERROR_SUCCESS;
             ++i, nameSize = sizeof name, dataSize = sizeof data) {
            savedShellFolders_.push_back({name, {type, std::string(data, dataSize)}});
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductUninstallKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOlderUninstallKey);

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "vt" + std::to_string(GetCurrentProcessId()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveTree(root);
    MakeDirs(root);
    programsDir = root + "\\Programs";
    desktopDir = root + "\\Desktop";
}

void IntegrationTest::TearDown()
{
    SetupConfig = savedConfig_;
    SetupState = savedState_;
    SetCurrentDirectoryA(savedCurrentDir_);
    RemoveTree(root);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductUninstallKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOlderUninstallKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFoldersKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) == 0) {
        for (const auto &value : savedShellFolders_) {
            const std::string &bytes = value.second.second;
            RegSetValueExA(key, value.first.c_str(), 0, value.second.first, (const BYTE *)bytes.data(),
                           (DWORD)bytes.size());
        }
        RegCloseKey(key);
    }
}

void IntegrationTest::UseOwnShellFolders()
{
    MakeDirs(programsDir);
    MakeDirs(desktopDir);
    SetRegText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Programs", programsDir);
    SetRegText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Desktop", desktopDir);
}

void IntegrationTest::SetInstallDir(const std::string &dir)
{
    lstrcpynA(SetupState.installDir, dir.c_str(), sizeof SetupState.installDir);
}
