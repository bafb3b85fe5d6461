// Where the installer's registry values, shell-folder lookups, system DLLs
// and files land on 64-bit Windows, for the width of this build: a 32-bit
// program runs under WoW64 and sees the 32-bit registry view (below
// "Wow6432Node") and the 32-bit system folder; a 64-bit program sees the
// native ones. Run once per build width.
#include "integration_fixture.h"

#include "dll_search.h"
#include "extract_payload.h"
#include "shell_folders.h"
#include "uninstall.h"

namespace {

const bool kIs32Bit = sizeof(void *) == 4;

// The registry view of this program and the other one.
const REGSAM kOwnView = kIs32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
const REGSAM kOtherView = kIs32Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// Where a vendor finds a 32-bit installer's entry with a 64-bit tool.
const char kWow64ProductKey[] =
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VarnikPlus";

bool KeyInView(HKEY root, const char *path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateKeyInView(HKEY root, const char *path, REGSAM view)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS | view, NULL, &key, NULL),
              ERROR_SUCCESS);
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE *)"Varnik", 7);
    RegCloseKey(key);
}

void DeleteKeyInView(HKEY root, const char *path, REGSAM view)
{
    RegDeleteKeyExA(root, path, view, 0);
}

class PlatformViewTest : public IntegrationTest {
protected:
    void SetUp() override
    {
        IntegrationTest::SetUp();
        BOOL wow64 = FALSE;
        IsWow64Process(GetCurrentProcess(), &wow64);
        if (kIs32Bit && !wow64)
            GTEST_SKIP() << "a 32-bit system: one registry view and one system folder";
        DeleteKeyInView(HKEY_LOCAL_MACHINE, kProductUninstallKey, kOtherView);
        DeleteKeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOtherView);
    }

    void TearDown() override
    {
        DeleteKeyInView(HKEY_LOCAL_MACHINE, kProductUninstallKey, kOtherView);
        DeleteKeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOtherView);
        IntegrationTest::TearDown();
    }
};

// The uninstall entry is written to, and the older generation's entry
// deleted from, the view of the program's own width; the other view is left
// as it was.
TEST_F(PlatformViewTest, UninstallEntriesLiveInTheViewOfTheProgramsWidth)
{
    SetInstallDir("c:\\program files\\VarnikPlus\\");
    ASSERT_EQ(RegisterUninstall(), 1);
    EXPECT_TRUE(KeyInView(HKEY_LOCAL_MACHINE, kProductUninstallKey, kOwnView));
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, kProductUninstallKey, kOtherView));
    // The literal key a 64-bit tool (regedit, reg query /reg:64) shows.
    EXPECT_EQ(kIs32Bit, KeyInView(HKEY_LOCAL_MACHINE, kWow64ProductKey, KEY_WOW64_64KEY));

    CreateKeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOwnView);
    CreateKeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOtherView);
    EXPECT_EQ(RemoveUninstallEntry(), 1);
    EXPECT_FALSE(KeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOwnView));
    EXPECT_TRUE(KeyInView(HKEY_LOCAL_MACHINE, kOlderUninstallKey, kOtherView));
}

// The user's Shell Folders key is one key for both widths: a value written
// through the other view is the one the installer reads.
TEST_F(PlatformViewTest, ShellFoldersAreTheSameKeyForBothWidths)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFoldersKeyPath, 0, NULL, 0, KEY_SET_VALUE | kOtherView,
                              NULL, &key, NULL),
              ERROR_SUCCESS);
    const std::string programs = root + "\\other view programs";
    RegSetValueExA(key, "Programs", 0, REG_SZ, (const BYTE *)programs.c_str(), (DWORD)programs.size() + 1);
    RegCloseKey(key);
    char programsDir[MAX_PATH] = "", desktopDir[MAX_PATH] = "";
    int32_t programsFound = 0, desktopFound = 0;
    ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound);
    EXPECT_EQ(programsFound, 1);
    EXPECT_EQ(std::string(programsDir), programs);
}

// The machine type in the PE header of a loaded module.
WORD MachineOf(HMODULE module)
{
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)module;
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)((const char *)module + dos->e_lfanew);
    return nt->FileHeader.Machine;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

// The DLLs loaded from the system folder by full path are the system's
// copies of the program's own width: a 32-bit process's "System32" is the
// 32-bit system folder.
TEST_F(PlatformViewTest, PreloadedSystemDllsAreOfTheProgramsWidth)
{
    RestrictDllSearch();
    char system[MAX_PATH] = "", wow64[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    GetSystemWow64DirectoryA(wow64, MAX_PATH);
    const WORD ownMachine = kIs32Bit ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
    for (const char *name : {"uxtheme.dll", "msimg32.dll"}) {
        HMODULE module = GetModuleHandleA(name);
        ASSERT_NE(module, (HMODULE)NULL) << name << " was not loaded";
        EXPECT_EQ(MachineOf(module), ownMachine) << name;
        char file[MAX_PATH] = "";
        GetModuleFileNameA(module, file, MAX_PATH);
        const std::string folder = Lower(std::string(file).substr(0, std::string(file).rfind('\\')));
        EXPECT_TRUE(folder == Lower(system) || (kIs32Bit && folder == Lower(wow64)))
            << name << " loaded from " << file;
    }
}

// A literal "c:\program files" is where the files go: the file system
// redirects only the system folder for 32-bit programs, never the
// programs folder (that a 32-bit program's *proposed* folder would be
// "Program Files (x86)" comes from the shell's known folders, which the
// installer does not ask).
TEST_F(PlatformViewTest, LiteralProgramFilesIsWrittenAsItStands)
{
    UseOwnShellFolders();
    const std::string dir = std::string("c:\\program files\\VarnikPlus ") + (kIs32Bit ? "32" : "64") + " " +
                            std::to_string(GetCurrentProcessId());
    MakeDirs(dir);
    SetInstallDir(dir + "\\");
    HMODULE module = LoadLibraryExA((BinDir() + "setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, (HMODULE)NULL);
    SetupState.moduleHandle = module;
    EXPECT_EQ(ExtractPayload(), kInstalled);
    SetupState.moduleHandle = NULL;
    FreeLibrary(module);
    const std::string program = dir + "\\varnik.exe";
    EXPECT_TRUE(FileExists(program));
    const std::string x86 = std::string("c:\\program files (x86)") + dir.substr(16);
    EXPECT_FALSE(DirExists(x86));
    // Under Wine: the Unix file behind the name is in drive c:'s "Program
    // Files" (Wine names it through the prefix's dosdevices/c: link).
    typedef char *(CDECL * UnixNameOf)(LPCWSTR);
    auto unixNameOf =
        (UnixNameOf)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (unixNameOf != nullptr) {
        std::wstring wide(program.begin(), program.end());
        char *unixName = unixNameOf(wide.c_str());
        ASSERT_NE(unixName, nullptr);
        EXPECT_NE(std::string(unixName).find("c:/Program Files/VarnikPlus "), std::string::npos) << unixName;
        HeapFree(GetProcessHeap(), 0, unixName);
    }
    RemoveTree(dir);
}

}   // namespace
