// The rights of a newly created install directory: the descriptor itself, and
// that the install sequence hands it to CreateDirectoryA. Wine does not keep
// a DACL given to CreateDirectoryA, so the call is recorded through this
// program's import table instead of reading the rights back.
#include "gui_driver.h"
#include "iat_hook.h"
#include "install_dialog.h"
#include "install_dir_security.h"
#include "run_setup.h"
#include "setup_state.h"

#include <gtest/gtest.h>

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

// One call of CreateDirectoryA made by the code under test.
struct CreateDirectoryCall {
    std::string path;
    bool withSecurity;
    std::string dacl;
    BOOL created;
};

std::vector<CreateDirectoryCall> createDirectoryCalls;
std::function<void(const std::string &)> beforeCreateDirectory;
BOOL(WINAPI *realCreateDirectoryA)(LPCSTR, LPSECURITY_ATTRIBUTES);

BOOL WINAPI RecordCreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes)
{
    CreateDirectoryCall call;
    call.path = path;
    call.withSecurity = attributes != NULL && attributes->lpSecurityDescriptor != NULL;
    if (call.withSecurity)
        call.dacl = DaclText(attributes->lpSecurityDescriptor);
    if (beforeCreateDirectory)
        beforeCreateDirectory(path);
    call.created = realCreateDirectoryA(path, attributes);
    createDirectoryCalls.push_back(call);
    return call.created;
}

// Runs the install sequence of a stand-in dialog holding dir, answering every
// message box (Yes where asked, else OK); the texts of the boxes shown.
std::vector<std::string> RunSequenceFor(const std::string &dir)
{
    HWND dialog = CreateWindowExA(0, "STATIC", "Installing", WS_OVERLAPPED, 0, 0, 300, 200, NULL,
                                  NULL, NULL, NULL);
    CreateWindowExA(0, "EDIT", dir.c_str(), WS_CHILD, 0, 0, 200, 20, dialog,
                    (HMENU)(INT_PTR)kIdInstallDirEdit, NULL, NULL);
    HWND check = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 20, 20, dialog,
                                 (HMENU)(INT_PTR)kIdDesktopIconCheck, NULL, NULL);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 60, 20, 20, dialog,
                    (HMENU)(INT_PTR)kIdBrowseButton, NULL, NULL);
    CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 90, 20, 20, dialog, (HMENU)(INT_PTR)kIdInstall,
                    NULL, NULL);
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
        ASSERT_TRUE(MakeDirs(root));
        createDirectoryCalls.clear();
        beforeCreateDirectory = nullptr;
        SetupState.extracting = 0;
        dir = Join(root, "VarnikPlus");
    }
    // RunSequenceFor(dir) with every CreateDirectoryA call recorded.
    std::vector<std::string> RunRecorded()
    {
        testsupport::ImportHook hook("kernel32.dll", "CreateDirectoryA", (void *)&RecordCreateDirectoryA);
        realCreateDirectoryA = (BOOL(WINAPI *)(LPCSTR, LPSECURITY_ATTRIBUTES))hook.Original();
        if (!realCreateDirectoryA) {
            ADD_FAILURE() << "CreateDirectoryA is not imported";
            return {};
        }
        return RunSequenceFor(dir);
    }

    std::string root, dir;
};

// This program carries no payload, so every run ends with the extraction
// error; the directory has been created before.
TEST_F(InstallSequenceSecurity, NewDirectoryIsCreatedWithTheProtectedDacl)
{
    RunRecorded();
    ASSERT_EQ(1u, createDirectoryCalls.size());
    EXPECT_EQ(dir, createDirectoryCalls[0].path);
    EXPECT_TRUE(createDirectoryCalls[0].withSecurity) << "created with default rights";
    EXPECT_EQ(kExpectedDacl, createDirectoryCalls[0].dacl);
    EXPECT_TRUE(createDirectoryCalls[0].created);
    EXPECT_TRUE(DirExists(dir));
}

// A directory that appears between the existence probe and its creation
// (another user made it, with rights of their own) is never used: the
// install stops with the extraction error before anything is extracted.
TEST_F(InstallSequenceSecurity, ADirectoryMadeByAnotherBeforeTheCreationStopsTheInstall)
{
    beforeCreateDirectory = [](const std::string &path) { realCreateDirectoryA(path.c_str(), NULL); };
    std::vector<std::string> shown = RunRecorded();
    ASSERT_EQ(1u, createDirectoryCalls.size());
    EXPECT_FALSE(createDirectoryCalls[0].created);
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

}  // namespace
