// The install directory from its probe to the extraction, run in this
// program: the descriptor of a new directory, the rights an existing one is
// given, the rights of every file written, and other users who swap the new
// directory or a folder above it for one of theirs before the extraction.
//
// Wine keeps neither an owner nor a DACL: it turns a descriptor given at a
// creation into Unix permissions (a DACL without an Everyone entry leaves
// the file to its Unix owner), and reports a descriptor made from those. So
// under Wine the rights read back show only whether a file or folder was
// made with the protected descriptor or inherited the defaults (which give
// Everyone read access); on Windows the owner and the DACL are compared
// whole. Setting the rights of an existing directory is recorded through
// this program's import table.
#include "folder_chain.h"
#include "folder_handle.h"
#include "folder_link.h"
#include "gui_driver.h"
#include "iat_hook.h"
#include "install_dialog.h"
#include "install_dir_security.h"
#include "payload_archive.h"
#include "setup_config.h"
#include "run_setup.h"
#include "setup_state.h"
#include "start_product.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace gui;

namespace {

// Protected (no rights inherited from the parent); SYSTEM and Administrators
// full control, Users read and execute (FILE_GENERIC_READ |
// FILE_GENERIC_EXECUTE), each inherited by files and folders below.
std::string MainProgram()
{
    return std::string(SetupConfig.exeBaseName) + ".exe";
}

const char kExtractFailedText[] = "Can not decompress file!\nThe source file maybe damage.";

const char kExpectedDacl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// The DACL (or with OWNER_SECURITY_INFORMATION the owner) as SDDL text.
std::string DaclText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION part = DACL_SECURITY_INFORMATION)
{
    LPSTR text = NULL;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, part, &text, NULL))
        return "(not convertible)";
    std::string result(text);
    LocalFree(text);
    return result;
}

TEST(InstallDirSecurity, ProtectedDaclForSystemAdministratorsAndUsers)
{
    SECURITY_ATTRIBUTES *attributes = InstallDirSecurity();
    ASSERT_NE(nullptr, attributes);
    EXPECT_EQ(sizeof *attributes, attributes->nLength);
    EXPECT_FALSE(attributes->bInheritHandle);
    PSECURITY_DESCRIPTOR descriptor = attributes->lpSecurityDescriptor;
    ASSERT_NE(nullptr, descriptor);
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor));
    EXPECT_EQ(kExpectedDacl, DaclText(descriptor));
    // Owned by Administrators: the creating account, as owner, could
    // otherwise always rewrite the DACL.
    EXPECT_EQ("O:BA", DaclText(descriptor, OWNER_SECURITY_INFORMATION));

    // A second build gives the same descriptor.
    EXPECT_EQ(attributes, InstallDirSecurity());
    EXPECT_EQ(kExpectedDacl, DaclText(descriptor));
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
}

// The owner and DACL of the file or folder at path, as SDDL text.
std::string RightsOf(const std::string &path)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, parts, NULL, NULL, NULL, NULL, &descriptor) !=
        ERROR_SUCCESS)
        return "(unreadable)";
    std::string text = DaclText(descriptor, parts);
    LocalFree(descriptor);
    return text;
}

// Made with the install's protected descriptor rather than with inherited
// rights: on Windows owned by Administrators, exactly its DACL, nothing
// inherited; under Wine at least without the read access for Everyone that
// inherited defaults give.
void ExpectInstallRights(const std::string &path)
{
    const std::string rights = RightsOf(path);
    if (UnderWine()) {
        EXPECT_EQ(std::string::npos, rights.find(";;;WD)")) << path << " inherited: " << rights;
        return;
    }
    EXPECT_EQ(0u, rights.rfind("O:BAD:P(", 0)) << path << ": " << rights;
    EXPECT_EQ(std::string::npos, rights.find("ID;")) << path << " inherited: " << rights;
}

// Runs the install sequence of a stand-in dialog holding dir, answering every
// message box (Yes where asked, else OK); the texts of the boxes shown.
std::vector<std::string> RunSequenceFor(const std::string &dir)
{
    HWND dialog =
        CreateWindowExA(0, "STATIC", "Installing", WS_OVERLAPPED, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
    CreateWindowExA(0, "EDIT", dir.c_str(), WS_CHILD, 0, 0, 200, 20, dialog,
                    (HMENU)(INT_PTR)kIdInstallDirEdit, NULL, NULL);
    HWND check = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 20, 20, dialog,
                                 (HMENU)(INT_PTR)kIdDesktopIconCheck, NULL, NULL);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 60, 20, 20, dialog, (HMENU)(INT_PTR)kIdBrowseButton, NULL,
                    NULL);
    CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 90, 20, 20, dialog, (HMENU)(INT_PTR)kIdInstall, NULL, NULL);
    SetupState.dialogWindow = dialog;

    std::vector<std::string> shown;
    std::atomic<bool> done(false);
    std::thread user([&]() {
        while (!done) {
            MessageBoxSeen box = FindMessageBox(GetCurrentProcessId(), NULL, 200);
            if (box.window) {
                shown.push_back(box.text);
                Answer(box, box.yes ? IDYES : IDOK);
            }
        }
    });
    char startDir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, startDir);
    lstrcpyA(SetupState.startDir, startDir);
    RunInstallSequence(dialog);
    done = true;
    user.join();
    // What the program lets go of after the finish prompt.
    ReleaseHandle(SetupState.installFolder);
    SetupState.installFolder = INVALID_HANDLE_VALUE;
    ReleaseFolderChain();
    SetCurrentDirectoryA(startDir);
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    SetupState.dialogWindow = NULL;
    SetupState.cancelled = 0;
    return shown;
}

class InstallSequenceSecurity : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = Join("C:\\guitests", ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(root);
        RemoveTree(root + ".moved");
        ASSERT_TRUE(MakeDirs(root));
        SetupState.extracting = 0;
        dir = Join(root, "VarnikPlus");
    }

    std::string root, dir;
};

// This program carries no payload, so every run ends with the extraction
// error; the directory has been created before.
TEST_F(InstallSequenceSecurity, NewDirectoryIsCreatedWithTheProtectedDescriptor)
{
    RunSequenceFor(dir);
    ASSERT_TRUE(DirExists(dir));
    ExpectInstallRights(dir);
}

// The moment just before the creation: the descriptor is built then.
using BeforeCreation = folder_link::SwapAtFirstCall<BOOL, WELL_KNOWN_SID_TYPE, PSID, PSID, DWORD *>;

// A directory that appears between the existence probe and its creation
// (another user made it, with rights of their own) is never used: the
// install stops with the extraction error before anything is extracted.
TEST_F(InstallSequenceSecurity, ADirectoryMadeByAnotherBeforeTheCreationStopsTheInstall)
{
    testsupport::ImportHook hook("advapi32.dll", "CreateWellKnownSid", (void *)&BeforeCreation::Call);
    BeforeCreation::real = (decltype(BeforeCreation::real))hook.Original();
    ASSERT_NE(nullptr, BeforeCreation::real) << "CreateWellKnownSid is not imported";
    bool made = false;
    BeforeCreation::moment = [&] { made = CreateDirectoryA(dir.c_str(), NULL) != 0; };
    std::vector<std::string> shown = RunSequenceFor(dir);
    BeforeCreation::moment = nullptr;
    EXPECT_TRUE(made) << "the other's directory was not made before the creation";
    EXPECT_EQ(0, SetupState.extracting) << "the extraction ran in the other's directory";
    EXPECT_EQ(std::vector<std::string>{kExtractFailedText}, shown);
}

// A descriptor the system refuses to build: the directory is not made at
// all, rather than made with default rights.
BOOL WINAPI RefuseWellKnownSid(WELL_KNOWN_SID_TYPE, PSID, PSID, DWORD *)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

TEST_F(InstallSequenceSecurity, ADescriptorThatCannotBeBuiltStopsTheInstall)
{
    std::vector<std::string> shown;
    {
        testsupport::ImportHook refuse("advapi32.dll", "CreateWellKnownSid",
                                       reinterpret_cast<void *>(&RefuseWellKnownSid));
        ASSERT_NE(nullptr, refuse.Original()) << "CreateWellKnownSid is not imported";
        shown = RunSequenceFor(dir);
    }
    EXPECT_FALSE(DirExists(dir)) << "made with default rights";
    EXPECT_EQ(0, SetupState.extracting);
    EXPECT_EQ(std::vector<std::string>{kExtractFailedText}, shown);
}

// The same sequence with the payload of the built setup.exe (its resources
// loaded as data stand for this program's own), its shortcuts in folders of
// the test.
class InstallWithPayload : public InstallSequenceSecurity {
protected:
    void SetUp() override
    {
        InstallSequenceSecurity::SetUp();
        payload = LoadLibraryExA(Join(BinDir(), "setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, payload) << "setup.exe cannot be loaded";
        files = CountPayloadRecords(Join(BinDir(), "setup.exe"));
        ASSERT_EQ(SetupConfig.fileCount, files);
        SetupState.moduleHandle = payload;
        ASSERT_TRUE(MakeDirs(Join(root, "programs")) && MakeDirs(Join(root, "desktop")));
        SetShellFolder("Programs", Join(root, "programs").c_str());
        SetShellFolder("Desktop", Join(root, "desktop").c_str());
    }
    void TearDown() override
    {
        SetupState.moduleHandle = NULL;
        if (payload)
            FreeLibrary(payload);
        SetShellFolder("Programs", savedPrograms.empty() ? NULL : savedPrograms.c_str());
        SetShellFolder("Desktop", savedDesktop.empty() ? NULL : savedDesktop.c_str());
        DeleteUninstallKey(SetupConfig.productName);
    }
    // The installed files found below folder.
    size_t InstalledBelow(const std::string &folder) { return ListFiles(folder).size(); }

    HMODULE payload = NULL;
    int files = 0;
    std::string savedPrograms = ReadShellFolder("Programs"), savedDesktop = ReadShellFolder("Desktop");
};

// The moment between the creation and the extraction: the payload is looked
// up first thing.
using AtPayloadLookup = folder_link::SwapAtFirstCall<HRSRC, HMODULE, LPCSTR, LPCSTR>;

// Runs the sequence for dir with swap made just before the extraction.
std::vector<std::string> RunSwapping(const std::string &dir, const std::function<void()> &swap)
{
    testsupport::ImportHook hook("kernel32.dll", "FindResourceA", (void *)&AtPayloadLookup::Call);
    AtPayloadLookup::real = (decltype(AtPayloadLookup::real))hook.Original();
    if (!AtPayloadLookup::real) {
        ADD_FAILURE() << "FindResourceA is not imported";
        return {};
    }
    bool called = false;
    AtPayloadLookup::moment = [&] {
        called = true;
        swap();
    };
    std::vector<std::string> shown = RunSequenceFor(dir);
    AtPayloadLookup::moment = nullptr;
    EXPECT_TRUE(called) << "the extraction never looked up its payload";
    return shown;
}

// The attack: another user who may rename the new directory (it lies in a
// folder of theirs) puts a folder of their own in its place between its
// creation and the extraction. The payload goes into the directory created,
// wherever it is now; the other's folder stays empty.
TEST_F(InstallWithPayload, ANewDirectorySwappedBeforeTheExtractionIsNotTheOneFilled)
{
    bool swapped = false;
    std::vector<std::string> shown = RunSwapping(dir, [&] { swapped = folder_link::SwapForFolder(dir); });
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(shown.empty()) << ::testing::PrintToString(shown);
    EXPECT_EQ(0u, InstalledBelow(dir)) << "the payload went into the other's folder";
    EXPECT_EQ((size_t)files, InstalledBelow(dir + ".moved"));
}

// The same with a folder above it: the whole chain from the drive's root is
// the one resolved at the probe.
TEST_F(InstallWithPayload, AFolderAboveSwappedBeforeTheExtractionIsNotTheOneFilled)
{
    bool swapped = false;
    std::vector<std::string> shown =
        RunSwapping(dir, [&] { swapped = folder_link::SwapForFolder(root, "VarnikPlus"); });
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(shown.empty()) << ::testing::PrintToString(shown);
    EXPECT_EQ(0u, InstalledBelow(dir)) << "the payload went into the other's folder";
    EXPECT_EQ((size_t)files, InstalledBelow(Join(root + ".moved", "VarnikPlus")));
}

// Every file and folder written carries the protected descriptor itself.
TEST_F(InstallWithPayload, EveryWrittenFileHasTheProtectedDescriptor)
{
    EXPECT_TRUE(RunSequenceFor(dir).empty());
    ExpectInstallRights(dir);
    const std::vector<std::string> written = ListFiles(dir);
    ASSERT_EQ((size_t)files, written.size());
    for (const std::string &file : written)
        ExpectInstallRights(Join(dir, file));
    ExpectInstallRights(Join(dir, "templates"));
}

// Setting the rights of an existing directory, recorded.
struct RightsSet {
    BY_HANDLE_FILE_INFORMATION target;
    std::string rights;
    size_t filesThen;
};
std::vector<RightsSet> rightsSet;
std::string rightsDir;
BOOL refuseRights;
BOOL(WINAPI *realSetKernelObjectSecurity)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);

BOOL WINAPI RecordSetKernelObjectSecurity(HANDLE object, SECURITY_INFORMATION parts,
                                          PSECURITY_DESCRIPTOR descriptor)
{
    RightsSet set = {};
    GetFileInformationByHandle(object, &set.target);
    set.rights = DaclText(descriptor, parts);
    set.filesThen = ListFiles(rightsDir).size();
    rightsSet.push_back(set);
    if (refuseRights) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realSetKernelObjectSecurity(object, parts, descriptor);
}

BY_HANDLE_FILE_INFORMATION IdentityOf(const std::string &path)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, NULL);
    GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return info;
}

// The attack's first step: another user made the directory ahead of time,
// with rights of their own for everything made in it. Before anything is
// written, the directory gets the owner and protected rights of a new one
// through its handle; a system that refuses them ends the install.
class ExistingDirectoryRights : public InstallWithPayload {
protected:
    void SetUp() override
    {
        InstallWithPayload::SetUp();
        ASSERT_TRUE(MakeDirs(dir) && WriteText(Join(dir, "notes.txt"), "the other's"));
        rightsSet.clear();
        rightsDir = dir;
        refuseRights = FALSE;
    }
    std::vector<std::string> RunRecorded()
    {
        testsupport::ImportHook hook("advapi32.dll", "SetKernelObjectSecurity",
                                     (void *)&RecordSetKernelObjectSecurity);
        realSetKernelObjectSecurity =
            (BOOL(WINAPI *)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR))hook.Original();
        if (!realSetKernelObjectSecurity) {
            ADD_FAILURE() << "SetKernelObjectSecurity is not imported";
            return {};
        }
        return RunSequenceFor(dir);
    }
};

TEST_F(ExistingDirectoryRights, AreSetThroughItsHandleBeforeAnythingIsWritten)
{
    const BY_HANDLE_FILE_INFORMATION identity = IdentityOf(dir);
    std::vector<std::string> shown = RunRecorded();
    EXPECT_EQ(
        std::vector<std::string>{
            "This is not an empty directory.\nDo you want to install to this directory anyway?"},
        shown);
    ASSERT_EQ(1u, rightsSet.size());
    EXPECT_EQ(identity.nFileIndexLow, rightsSet[0].target.nFileIndexLow);
    EXPECT_EQ(identity.nFileIndexHigh, rightsSet[0].target.nFileIndexHigh);
    EXPECT_EQ(std::string("O:BA") + kExpectedDacl, rightsSet[0].rights);
    EXPECT_EQ(1u, rightsSet[0].filesThen) << "files were written before";
    EXPECT_EQ((size_t)files + 1, ListFiles(dir).size());
    ExpectInstallRights(Join(dir, MainProgram()));
}

TEST_F(ExistingDirectoryRights, ThatCannotBeSetEndTheInstallWithNothingWritten)
{
    refuseRights = TRUE;
    std::vector<std::string> shown = RunRecorded();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(kExtractFailedText, shown[1]);
    EXPECT_EQ(0, SetupState.extracting);
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, ListFiles(dir));
}

// The owner every security descriptor read says: another user's.
BOOL WINAPI OwnedByAnotherUser(PSECURITY_DESCRIPTOR, PSID *owner, LPBOOL defaulted)
{
    static SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    static PSID other;
    if (other == NULL && !AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1001, 0, 0, 0, &other))
        return FALSE;
    *owner = other;
    *defaulted = FALSE;
    return TRUE;
}

// The attack's other form: another user made a folder that looks like the
// current install (its program and its profile's marker), with a library
// of theirs beside the program. Made by this account, a current install is
// reinstalled unasked; made by anyone else, the user is asked first.
TEST_F(InstallWithPayload, ACurrentInstallMadeByAnotherUserIsNotTakenUnasked)
{
    ASSERT_TRUE(MakeDirs(dir) && WriteText(Join(dir, "varnik.exe"), "MZ") &&
                WriteText(Join(dir, "varnik.ini"), "[VarnikPlus]\r\nUseMMX=1\r\n") &&
                WriteText(Join(dir, "version.dll"), "MZ the other's"));
    EXPECT_EQ(std::vector<std::string>{}, RunSequenceFor(dir)) << "made by this account";
    std::vector<std::string> shown;
    {
        testsupport::ImportHook hook("advapi32.dll", "GetSecurityDescriptorOwner",
                                     (void *)&OwnedByAnotherUser);
        ASSERT_NE(nullptr, hook.Original()) << "GetSecurityDescriptorOwner is not imported";
        shown = RunSequenceFor(dir);
    }
    EXPECT_EQ(std::vector<std::string>{"Previous Varnik has installed in this directory.\n"
                                       "Do you really want to overwrite?"},
              shown);
}

// The moment after the kept directory's probe lets go of it and before it
// is held again for the install: the close of the first handle that holds
// the directory itself.
// Only the install's own thread is watched: the thread answering the message
// boxes closes handles too.
BOOL(WINAPI *realCloseHandle)(HANDLE);
BY_HANDLE_FILE_INFORMATION probedDir;
DWORD installThread;
std::function<void()> afterProbeClosed;

BOOL WINAPI SwapAfterClosingTheDirectory(HANDLE handle)
{
    if (GetCurrentThreadId() != installThread)
        return realCloseHandle(handle);
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool isDir = afterProbeClosed && GetFileInformationByHandle(handle, &info) &&
                       info.dwVolumeSerialNumber == probedDir.dwVolumeSerialNumber &&
                       info.nFileIndexHigh == probedDir.nFileIndexHigh &&
                       info.nFileIndexLow == probedDir.nFileIndexLow;
    const BOOL closed = realCloseHandle(handle);
    if (isDir) {
        std::function<void()> now = afterProbeClosed;
        afterProbeClosed = nullptr;
        now();
    }
    return closed;
}

// The attack: another user who may rename entries of the parent moves the
// kept directory away and makes a folder of theirs at its name while no
// handle holds it. The install writes nothing, into neither.
TEST_F(ExistingDirectoryRights, SwappedAfterItsProbeIsNotFilled)
{
    probedDir = IdentityOf(dir);
    installThread = GetCurrentThreadId();
    bool swapped = false;
    std::vector<std::string> shown;
    {
        testsupport::ImportHook hook("kernel32.dll", "CloseHandle", (void *)&SwapAfterClosingTheDirectory);
        realCloseHandle = (BOOL(WINAPI *)(HANDLE))hook.Original();
        ASSERT_NE(nullptr, realCloseHandle) << "CloseHandle is not imported";
        afterProbeClosed = [&] { swapped = folder_link::SwapForFolder(dir); };
        shown = RunSequenceFor(dir);
        afterProbeClosed = nullptr;
    }
    ASSERT_TRUE(swapped) << "no handle of the directory was closed";
    EXPECT_EQ(0u, InstalledBelow(dir)) << "the payload went into the other's folder";
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, ListFiles(dir + ".moved"));
    EXPECT_EQ((std::vector<std::string>{
                  "This is not an empty directory.\nDo you want to install to this directory anyway?",
                  kExtractFailedText}),
              shown);
    EXPECT_EQ(0, SetupState.extracting) << "the extraction started";
}

// The mitigation that refuses junctions made by non-administrators: asked
// for by its number with the one flag that enforces it, where the system has
// the call; where it has not, nothing is called and setup goes on. (Wine
// accepts the call and does nothing; only Windows enforces it.)
struct MitigationCall {
    int policy;
    DWORD flags;
    SIZE_T size;
};
std::vector<MitigationCall> mitigationCalls;
bool withoutMitigation;
FARPROC(WINAPI *realGetProcAddress)(HMODULE, LPCSTR);

BOOL WINAPI RecordMitigation(int policy, void *buffer, SIZE_T size)
{
    mitigationCalls.push_back({policy, size >= sizeof(DWORD) ? *(DWORD *)buffer : 0, size});
    return TRUE;
}

FARPROC WINAPI LookUpMitigation(HMODULE module, LPCSTR name)
{
    if ((ULONG_PTR)name > 0xFFFF && lstrcmpA(name, "SetProcessMitigationPolicy") == 0)
        return withoutMitigation ? NULL : (FARPROC)(void *)&RecordMitigation;
    return realGetProcAddress(module, name);
}

TEST(RedirectionTrust, IsEnforcedWhereTheSystemHasIt)
{
    testsupport::ImportHook hook("kernel32.dll", "GetProcAddress", (void *)&LookUpMitigation);
    realGetProcAddress = (FARPROC(WINAPI *)(HMODULE, LPCSTR))hook.Original();
    ASSERT_NE(nullptr, realGetProcAddress) << "GetProcAddress is not imported";
    mitigationCalls.clear();
    withoutMitigation = false;
    RefuseUntrustedRedirection();
    ASSERT_EQ(1u, mitigationCalls.size());
    EXPECT_EQ(16, mitigationCalls[0].policy) << "not ProcessRedirectionTrustPolicy";
    EXPECT_EQ(1u, mitigationCalls[0].flags) << "EnforceRedirectionTrust not set";
    EXPECT_EQ(sizeof(DWORD), mitigationCalls[0].size);

    withoutMitigation = true;
    RefuseUntrustedRedirection();
    EXPECT_EQ(1u, mitigationCalls.size());
}

}   // namespace
