#include "integration_fixture.h"

#include <shlobj.h>

#include <algorithm>
#include <functional>

void MakeDirs(const std::string &path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), NULL);
    }
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
}

static DWORD Attributes(const std::string &path)
{
    return GetFileAttributesA(path.c_str());
}

bool FileExists(const std::string &path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES && !(Attributes(path) & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string &path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES && (Attributes(path) & FILE_ATTRIBUTE_DIRECTORY);
}

// visit(relative name, is folder) for every entry below root, children first.
static void WalkTree(const std::string &root, const std::string &relative,
                     const std::function<void(const std::string &, bool)> &visit)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((root + "\\" + relative + "*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = relative + entry.cFileName;
        bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (entry.cFileName == std::string(".") || entry.cFileName == std::string("..")) continue;
        if (folder) WalkTree(root, name + "\\", visit);
        visit(name, folder);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

void RemoveTree(const std::string &path)
{
    WalkTree(path, "", [&](const std::string &name, bool folder) {
        std::string full = path + "\\" + name;
        if (folder) RemoveDirectoryA(full.c_str());
        else DeleteFileA(full.c_str());
    });
    RemoveDirectoryA(path.c_str());
}

Names ListTree(const std::string &root)
{
    Names names;
    WalkTree(root, "", [&](const std::string &name, bool folder) {
        names.push_back(folder ? name + "\\" : name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

LinkInfo ReadLink(const std::string &linkPath)
{
    LinkInfo info;
    CoInitialize(NULL);
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[4][1024] = {};
        link->GetPath(text[0], 1024, NULL, SLGP_RAWPATH);
        link->GetWorkingDirectory(text[1], 1024);
        link->GetArguments(text[2], 1024);
        link->GetIconLocation(text[3], 1024, &info.iconIndex);
        info = {true, text[0], text[1], text[2], text[3], info.iconIndex};
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return info;
}

std::string BinDir()
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1);
}

std::string RegBytes(HKEY root, const char *keyPath, const char *name, DWORD *type)
{
    char data[4096];
    DWORD size = sizeof data;
    HKEY key;
    std::string result = "<missing>";
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
    if (RegQueryValueExA(key, name, NULL, type, (BYTE *)data, &size) == ERROR_SUCCESS) {
        result.assign(data, size);
    }
    RegCloseKey(key);
    return result;
}

bool RegKeyExists(HKEY root, const char *keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetRegText(HKEY root, const char *keyPath, const char *name, const std::string &text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, keyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), 0);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(key);
}

void DeleteRegValue(HKEY root, const char *keyPath, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void IntegrationTest::SetUp()
{
    savedConfig_ = SetupConfig;
    savedState_ = SetupState;
    GetCurrentDirectoryA(MAX_PATH, savedCurrentDir_);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKeyPath, 0, KEY_READ, &key) == 0) {
        char name[1024], data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type;
        for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, NULL, &type, (BYTE *)data,
                                        &dataSize) == ERROR_SUCCESS;
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
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFoldersKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, NULL) == 0) {
        for (const auto &value : savedShellFolders_) {
            const std::string &bytes = value.second.second;
            RegSetValueExA(key, value.first.c_str(), 0, value.second.first,
                           (const BYTE *)bytes.data(), (DWORD)bytes.size());
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
