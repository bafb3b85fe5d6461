#include "badinput_fixture.h"

#include <cstdio>

#include "extract_payload.h"

namespace badinput {

namespace {

const char kCanaryText[] = "canary";
const DWORD kExtractionTimeoutMs = 60000;

// The case in progress, for the crash and hang reports.
std::string currentCase;

// The payloads installed in all, printed at the end for the README's figures
// (tests/readme-figures.sh).
struct PayloadCount {
    int installed = 0;
    ~PayloadCount() { printf("bad-input campaign: %d payloads installed\n", installed); }
} payloadCount;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS *info)
{
    fprintf(stderr, "\ncrash (exception 0x%08lx) while installing: %s\n",
            (unsigned long)info->ExceptionRecord->ExceptionCode, currentCase.c_str());
    fflush(stderr);
    ExitProcess(3);
}

// One worker thread runs every extraction, so that the test thread can give
// up on one that never returns.
struct Worker {
    HANDLE start = CreateEventA(NULL, FALSE, FALSE, NULL);
    HANDLE done = CreateEventA(NULL, FALSE, FALSE, NULL);
    int32_t result = 0;

    static DWORD WINAPI Loop(LPVOID self)
    {
        Worker *w = (Worker *)self;
        for (;;) {
            WaitForSingleObject(w->start, INFINITE);
            w->result = ExtractPayload();
            SetEvent(w->done);
        }
    }
    Worker() { CloseHandle(CreateThread(NULL, 0, Loop, this, 0, NULL)); }
};

int32_t ExtractOnWorker(const std::string &label)
{
    static Worker worker;
    currentCase = label;
    SetEvent(worker.start);
    if (WaitForSingleObject(worker.done, kExtractionTimeoutMs) != WAIT_OBJECT_0) {
        fprintf(stderr, "\nno result after %lu ms while installing: %s\n",
                (unsigned long)kExtractionTimeoutMs, label.c_str());
        fflush(stderr);
        ExitProcess(4);
    }
    currentCase.clear();
    return worker.result;
}

// Names directly in folder, folders with a final backslash.
Names TopLevel(const std::string &folder)
{
    Names names = ListFolder(folder);
    for (std::string &name : names)
        if (DirExists(Join(folder, name)))
            name += "\\";
    std::sort(names.begin(), names.end());
    return names;
}

}   // namespace

// Everything the extraction must leave alone: every name below the test
// folder but the install folder's contents, with the contents of its files
// (the carrier program aside), the top level of the temp folder and of the
// drive, and the drive's canaries.
struct BadInputTest::Outside {
    Names tree;
    std::vector<std::string> contents;
    Names temp, drive;
    std::string driveCanaries;
};

void BadInputTest::SetUp()
{
    IntegrationTest::SetUp();
    DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Programs");
    SetupConfig.registerUninstall = 0;
    SetUnhandledExceptionFilter(ReportCrash);

    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    workingDir_ = current;
    drive_ = root.substr(0, 3);
    WriteTextFile(drive_ + "badinput-canary.txt", kCanaryText);
    MakeDirs(drive_ + "badinput-canary");
    WriteTextFile(drive_ + "badinput-canary\\inner.txt", kCanaryText);

    // Canaries next to the install folder and one level up.
    std::string caseDir = root + "\\case";
    installDir = caseDir + "\\Program Files\\VarnikPlus\\";
    MakeDirs(installDir);
    WriteTextFile(caseDir + "\\canary.txt", kCanaryText);
    WriteTextFile(caseDir + "\\Program Files\\canary.txt", kCanaryText);
    MakeDirs(caseDir + "\\Program Files\\VarnikPlus-canary");
    WriteTextFile(caseDir + "\\Program Files\\VarnikPlus-canary\\inner.txt", kCanaryText);
    carrier_ = root + "\\carrier.exe";
    ASSERT_TRUE(CopyFileA((BinDir() + "integration_payload_stub.exe").c_str(), carrier_.c_str(), FALSE));
    baseline_ = std::make_shared<Outside>(Snapshot());
}

void BadInputTest::TearDown()
{
    SetCurrentDirectoryA(workingDir_.c_str());
    DeleteFileA((drive_ + "badinput-canary.txt").c_str());
    DeleteFileA((drive_ + "badinput-canary\\inner.txt").c_str());
    RemoveDirectoryA((drive_ + "badinput-canary").c_str());
    SetUnhandledExceptionFilter(NULL);
    IntegrationTest::TearDown();
}

void BadInputTest::Walk(const std::string &relative, Outside &outside) const
{
    for (const std::string &name : TopLevel(root + "\\" + relative)) {
        std::string path = relative + name;
        outside.tree.push_back(path);
        if (path == installDir.substr(root.size() + 1))
            continue;   // the install folder: its contents are the extraction's
        if (path.back() == '\\')
            Walk(path, outside);
        else if (path != "carrier.exe")
            outside.contents.push_back(path + ": " + ReadText(root + "\\" + path));
    }
}

BadInputTest::Outside BadInputTest::Snapshot() const
{
    Outside outside;
    Walk("", outside);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    outside.temp = TopLevel(temp);
    outside.drive = TopLevel(drive_);
    outside.driveCanaries =
        ReadText(drive_ + "badinput-canary.txt") + "|" + ReadText(drive_ + "badinput-canary\\inner.txt");
    return outside;
}

Outcome BadInputTest::Install(const Bytes &payload, int32_t fileCount, const std::string &label)
{
    // A fresh install folder; the extraction may have left the current
    // directory inside the previous one.
    SetCurrentDirectoryA(workingDir_.c_str());
    RemoveTree(installDir.substr(0, installDir.size() - 1));
    CreateDirectoryA(installDir.c_str(), NULL);

    EXPECT_TRUE(SetPayloadResource(carrier_, payload)) << label;
    HMODULE module = LoadLibraryExA(carrier_.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, (HMODULE)NULL) << label;

    lstrcpynA(SetupState.installDir, installDir.c_str(), sizeof SetupState.installDir);
    SetupState.moduleHandle = module;
    SetupState.cancelled = 1;
    SetupState.progressDone = 12345;
    SetupState.currentFile[0] = 0;
    SetupConfig.fileCount = fileCount;

    Outcome outcome;
    ++payloadCount.installed;
    outcome.result = ExtractOnWorker(label);
    SetCurrentDirectoryA(workingDir_.c_str());
    SetupState.moduleHandle = NULL;
    FreeLibrary(module);
    outcome.cancelled = SetupState.cancelled;
    outcome.progressDone = SetupState.progressDone;
    outcome.currentFile = SetupState.currentFile;
    outcome.installed = ListTree(installDir.substr(0, installDir.size() - 1));

    Outside after = Snapshot();
    EXPECT_EQ(after.tree, baseline_->tree) << label;
    EXPECT_EQ(after.contents, baseline_->contents) << label;
    EXPECT_EQ(after.temp, baseline_->temp) << label;
    EXPECT_EQ(after.drive, baseline_->drive) << label;
    EXPECT_EQ(after.driveCanaries, std::string(kCanaryText) + "|" + kCanaryText) << label;
    return outcome;
}

Bytes BadInputTest::ReadInstalled(const std::string &name) const
{
    return ReadBytes(installDir + name);
}

}   // namespace badinput
