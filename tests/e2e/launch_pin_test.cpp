// The finish prompt starts the very program the extraction wrote, or
// nothing: a program put in its place while the prompt waits (another user
// who can write the install directory) is never started with the
// installer's rights.
#include "folder_link.h"
#include "gui_driver.h"
#include "setup_controls.h"
#include "payload_archive.h"
#include "setup_config.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

using namespace gui;

namespace {

const char kRoot[] = "C:\\guitests\\LaunchPin";

std::string MainProgram()
{
    return std::string(SetupConfig.exeBaseName) + ".exe";
}

// The ids of the running processes whose program file is named name.
std::vector<DWORD> ProcessesNamed(const std::string &name)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

class LaunchPin : public ::testing::Test {
protected:
    std::string savedPrograms = ReadShellFolder("Programs"), savedDesktop = ReadShellFolder("Desktop");
    std::string setupExe = Join(kRoot, "setup-probe.exe");
    std::vector<uint8_t> probe = ReadBytes(Join(BinDir(), "gui_launch_probe.exe"));

    void SetUp() override
    {
        RemoveTree(kRoot);
        ASSERT_FALSE(probe.empty());
        ASSERT_TRUE(MakeDirs(Join(kRoot, "programs")) && MakeDirs(Join(kRoot, "desktop")));
        SetShellFolder("Programs", Join(kRoot, "programs").c_str());
        SetShellFolder("Desktop", Join(kRoot, "desktop").c_str());
        // The launch probe as the main program, then as many records as the
        // build expects.
        std::vector<TestRecord> files = {Stored(MainProgram(), probe)};
        for (int i = 1; i < SetupConfig.fileCount; ++i)
            files.push_back(Stored("templates\\file" + std::to_string(i) + ".bmp", {(uint8_t)i}));
        ASSERT_TRUE(CopyWithPayload(Join(BinDir(), "setup.exe"), setupExe, BuildArchive(files)));
    }
    void TearDown() override
    {
        for (DWORD pid : ProcessesNamed(MainProgram())) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
        SetShellFolder("Programs", savedPrograms.empty() ? NULL : savedPrograms.c_str());
        SetShellFolder("Desktop", savedDesktop.empty() ? NULL : savedDesktop.c_str());
    }

    // Installs into dir, runs beforeYes while the finish prompt waits, then
    // answers Yes and waits for setup.exe to end.
    void InstallAndAnswerYes(const std::string &dir, const std::function<void()> &beforeYes)
    {
        SetupProcess setup;
        ASSERT_TRUE(setup.Start(setupExe, kRoot));
        HWND dialog = setup.WaitDialog();
        ASSERT_TRUE(dialog);
        SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), dir);
        ClickCommand(dialog, ctl::kInstall);
        MessageBoxSeen finish = setup.WaitMessageBox();
        ASSERT_EQ("Finish..!", finish.caption);
        beforeYes();
        Answer(finish, IDYES);
        EXPECT_EQ(1, setup.WaitExit());
    }
};

TEST_F(LaunchPin, AProgramPutInPlaceOfTheInstalledOneIsNotStarted)
{
    // Unchanged, the installed program is started.
    const std::string dir = Join(kRoot, "VarnikPlus"), report = Join(dir, "launched.txt");
    InstallAndAnswerYes(dir, [] {});
    for (int waited = 0; waited < 20000 && !Exists(report); waited += 50)
        Sleep(50);
    EXPECT_TRUE(Exists(report)) << "the installed program was not started";

    // Renamed over, Unix-side, by another program while the prompt waits:
    // one that would stay running (a copy of setup.exe), so that a start
    // shows as a process once setup.exe has ended.
    const std::string other = Join(kRoot, "VarnikPlus2"), impostor = Join(kRoot, "other.exe");
    ASSERT_TRUE(CopyFileA(Join(BinDir(), "setup.exe").c_str(), impostor.c_str(), FALSE));
    const std::string program = Join(other, MainProgram());
    const std::vector<uint8_t> impostorBytes = ReadBytes(impostor);
    InstallAndAnswerYes(other, [&] {
        ASSERT_EQ(probe, ReadBytes(program));
        folder_link::RunUnix("mv " + folder_link::UnixName(impostor) + " " + folder_link::UnixName(program),
                             [&] { return !Exists(impostor); });
        ASSERT_EQ(impostorBytes, ReadBytes(program)) << "the program was not replaced";
    });
    EXPECT_TRUE(ProcessesNamed(MainProgram()).empty()) << "the program put in place was started";
    EXPECT_FALSE(Exists(Join(other, "launched.txt")));
}

// The attack: another user made the directory ahead of time, holding a
// program and a profile of the current generation (no question is asked),
// and rewrites the installed program in place while the finish prompt
// waits: the same file, so its volume and number are unchanged. Its bytes
// are not the payload's, and nothing is started.
TEST_F(LaunchPin, AProgramRewrittenInPlaceIsNotStarted)
{
    const std::string dir = Join(kRoot, "Premade"), program = Join(dir, MainProgram());
    ASSERT_TRUE(MakeDirs(dir) && WriteText(program, "the other's") &&
                WriteText(Join(dir, "varnik.ini"), "[VarnikPlus]\r\nUseMMX=1\r\n"));
    const std::string impostor = Join(kRoot, "other.exe");
    ASSERT_TRUE(CopyFileA(Join(BinDir(), "setup.exe").c_str(), impostor.c_str(), FALSE));
    const std::vector<uint8_t> impostorBytes = ReadBytes(impostor);
    BY_HANDLE_FILE_INFORMATION before = {}, after = {};
    auto identity = [&](BY_HANDLE_FILE_INFORMATION &info) {
        HANDLE file = CreateFileA(program.c_str(), FILE_READ_ATTRIBUTES, 7, NULL, OPEN_EXISTING, 0, NULL);
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
    };
    InstallAndAnswerYes(dir, [&] {
        ASSERT_EQ(probe, ReadBytes(program));
        identity(before);
        folder_link::RunUnix("cat " + folder_link::UnixName(impostor) + " > " +
                                 folder_link::UnixName(program),
                             [&] { return ReadBytes(program) == impostorBytes; });
        ASSERT_EQ(impostorBytes, ReadBytes(program)) << "the program was not rewritten";
        identity(after);
        ASSERT_EQ(before.nFileIndexLow, after.nFileIndexLow) << "not the same file";
    });
    EXPECT_TRUE(ProcessesNamed(MainProgram()).empty()) << "the rewritten program was started";
}

}   // namespace
