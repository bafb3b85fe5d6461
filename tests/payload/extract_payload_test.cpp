// The extraction driver over real "ZAR" resources, loaded as data files in
// place of the setup program's own module: setup.exe's shipped payload, and
// test payloads written into copies of a stub program.
#include "integration_fixture.h"
#include "payload_archive.h"

#include "extract_payload.h"
#include "folder_link.h"

#include <algorithm>

namespace {

// The program, the help file, then images below "templates".
std::vector<TestRecord> ProductEntries(int count)
{
    std::vector<TestRecord> entries = {StoredRecord("varnik.exe", "MZ program"),
                                       StoredRecord("readme.htm", "<html/>")};
    for (int i = 2; i < count; ++i) {
        entries.push_back(StoredRecord("templates\\Flat\\Set " + std::to_string(i % 3) + "\\img" +
                                           std::to_string(i) + ".bmp",
                                       std::string(i, (char)i)));
    }
    entries.resize(count);
    return entries;
}

class ExtractPayloadTest : public IntegrationTest {
protected:
    void SetUp() override
    {
        IntegrationTest::SetUp();
        UseOwnShellFolders();
        installDir = root + "\\Program Files\\VarnikPlus\\";
        MakeDirs(installDir);
        SetInstallDir(installDir);
    }

    void TearDown() override
    {
        SetupState.moduleHandle = NULL;
        if (module_ != NULL)
            FreeLibrary(module_);
        IntegrationTest::TearDown();
    }

    // The module the payload is taken from becomes a copy of the stub
    // carrying payload as "ZAR"/119 (no such resource when withResource is
    // false).
    void UsePayload(const std::vector<TestRecord> &records, bool withResource = true)
    {
        std::string stub = BinDir() + "integration_payload_stub.exe";
        std::string copy = root + "\\carrier.exe";
        ASSERT_TRUE(withResource ? CopyWithPayload(stub, copy, BuildArchive(records))
                                 : CopyFileA(stub.c_str(), copy.c_str(), FALSE) != 0)
            << stub;
        module_ = LoadLibraryExA(copy.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, (HMODULE)NULL);
        SetupState.moduleHandle = module_;
    }

    void ExpectFiles(const std::vector<TestRecord> &entries)
    {
        for (const TestRecord &e : entries)
            EXPECT_EQ(ReadBytes(installDir + e.name), e.data) << e.name;
    }

    std::string installDir;
    HMODULE module_ = NULL;
};

TEST_F(ExtractPayloadTest, ShippedPayloadInstallsFilesShortcutsAndQuotedEntry)
{
    // setup.exe's own payload, lh5 records and all, loaded as setup.exe runs.
    module_ = LoadLibraryExA((BinDir() + "setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, (HMODULE)NULL);
    SetupState.moduleHandle = module_;
    SetupState.cancelled = 1;

    EXPECT_EQ(ExtractPayload(), kInstalled);
    EXPECT_EQ(SetupState.cancelled, 0);
    EXPECT_EQ(SetupState.extracting, 1);
    EXPECT_EQ(SetupState.progressTotal, 119u);
    EXPECT_EQ(SetupState.progressDone, 119u);
    Names files = ListTree(installDir);
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string &name) { return name.back() != '\\'; }),
              119);
    EXPECT_EQ(ReadText(installDir + "varnik.exe"), ReadText(BinDir() + "varnik.exe"));

    std::string startMenu = programsDir + "\\VarnikPlus\\", program = installDir + "varnik.exe";
    EXPECT_EQ(ReadLink(startMenu + "VarnikPlus.lnk").path, program);
    EXPECT_EQ(ReadLink(desktopDir + "\\VarnikPlus.lnk").path, program);
    EXPECT_EQ(ReadLink(startMenu + "VarnikPlus Help.lnk").path, installDir + "readme.htm");
    EXPECT_EQ(ReadLink(startMenu + "Uninstall VarnikPlus.lnk").arguments, "/uninstall");
    EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, kProductUninstallKey, "UninstallString"),
              "\"" + program + "\" /uninstall" + '\0');
}

TEST_F(ExtractPayloadTest, RecordCountIsCheckedAgainstFileCount)
{
    // Fewer records than expected fail after writing what there is, with no
    // shortcut and no uninstall entry; exactly as many or more succeed.
    std::vector<TestRecord> entries = ProductEntries(5);
    UsePayload(entries);
    SetupConfig.fileCount = 6;
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled, 1);
    ExpectFiles(entries);
    EXPECT_FALSE(DirExists(programsDir + "\\VarnikPlus"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));

    for (int32_t expected : {5, 4}) {
        SetupConfig.fileCount = expected;
        EXPECT_EQ(ExtractPayload(), kInstalled);
        EXPECT_EQ(SetupState.cancelled, 0);
        EXPECT_EQ(SetupState.progressDone, 5u);
        EXPECT_EQ(SetupState.progressTotal, (uint32_t)expected);
    }
}

TEST_F(ExtractPayloadTest, AFailingRecordStopsTheWalk)
{
    // The third record's file can't be created (a folder of that name is in
    // the way): the first two stay, the fourth is never attempted. The
    // failure counts even though two records already make fileCount.
    std::vector<TestRecord> entries = ProductEntries(4);
    UsePayload(entries);
    SetupConfig.fileCount = 2;
    MakeDirs(installDir + entries[2].name);

    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled, 1);
    EXPECT_EQ(SetupState.progressDone, 2u);
    ExpectFiles({entries[0], entries[1]});
    EXPECT_FALSE(FileExists(installDir + entries[3].name));
    EXPECT_FALSE(DirExists(programsDir + "\\VarnikPlus"));
}

TEST_F(ExtractPayloadTest, MissingResourceFailsAndNoDirectoryTouchesNothing)
{
    UsePayload({}, false);
    SetupConfig.fileCount = 1;
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled, 1);
    EXPECT_EQ(SetupState.extracting, 1);

    SetupState = SetupStateRecord{};
    SetupState.progressTotal = 77;
    SetupState.progressDone = 55;
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled + SetupState.extracting, 0);
    EXPECT_EQ(SetupState.progressTotal, 77u);
    EXPECT_EQ(SetupState.progressDone, 55u);
    SetupState.cancelled = 1;   // neither flag is set or cleared
    SetupState.extracting = 1;
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled + SetupState.extracting, 2);
}

TEST_F(ExtractPayloadTest, ShortcutFailureOrSwitchSkipsTheUninstallEntry)
{
    std::vector<TestRecord> entries = ProductEntries(3);
    UsePayload(entries);
    SetupConfig.fileCount = 3;
    DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Programs");
    EXPECT_EQ(ExtractPayload(), kShortcutsFailed);
    EXPECT_EQ(SetupState.cancelled, 0);
    ExpectFiles(entries);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));

    UseOwnShellFolders();
    SetupConfig.registerUninstall = 0;
    EXPECT_EQ(ExtractPayload(), kInstalled);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));
    EXPECT_EQ(ListTree(programsDir + "\\VarnikPlus"), (Names{"VarnikPlus Help.lnk", "VarnikPlus.lnk"}));
}

// Nothing is written through a link: not when the install directory itself
// is one (it may have been swapped in after the install sequence made it),
// nor when a folder of the payload's paths is one, as "templates" in an
// earlier install that someone else could change.
TEST_F(ExtractPayloadTest, NothingIsWrittenThroughALink)
{
    std::vector<TestRecord> entries = ProductEntries(6);
    UsePayload(entries);
    SetupConfig.fileCount = 6;
    const std::string outside = root + "\\outside", linked = root + "\\linked";
    MakeDirs(outside);
    WriteTextFile(outside + "\\mine.txt");
    if (!folder_link::MakeFolderLink(linked, outside) ||
        !folder_link::MakeFolderLink(installDir + "templates", outside)) {
        GTEST_SKIP() << "no folder link can be made here";
    }

    SetInstallDir(linked + "\\");
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled, 1);
    EXPECT_EQ(SetupState.progressDone, 0u);

    SetInstallDir(installDir);
    EXPECT_EQ(ExtractPayload(), kInstallFailed);
    EXPECT_EQ(SetupState.cancelled, 1);
    EXPECT_EQ(SetupState.progressDone, 2u);
    ExpectFiles({entries[0], entries[1]});
    EXPECT_EQ(ListTree(outside), Names{"mine.txt"});
    EXPECT_FALSE(DirExists(programsDir + "\\VarnikPlus"));

    folder_link::RemoveLink(linked);
    folder_link::RemoveLink(installDir + "templates");
}

// The install directory swapped for a link to another folder after the
// first file is written (by another user, Unix-side): every later file and
// folder is still made in the directory that was held, wherever it is now;
// nothing lands in the other folder, and the install completes. (The
// records come folder by folder, as zar packs them: under Wine a folder
// opened again after the swap can no longer be checked, and its record
// would fail.)
TEST_F(ExtractPayloadTest, AnInstallDirectorySwappedMidwaySendsNothingElsewhere)
{
    std::vector<TestRecord> entries = ProductEntries(6);
    std::sort(entries.begin() + 2, entries.end(),
              [](const TestRecord &a, const TestRecord &b) { return a.name < b.name; });
    UsePayload(entries);
    SetupConfig.fileCount = 6;
    const std::string outside = root + "\\outside", folder = installDir.substr(0, installDir.size() - 1);
    MakeDirs(outside);
    WriteTextFile(outside + "\\mine.txt");
    bool swapped = false;
    folder_link::SwapDuring<folder_link::SwapAtFirstWrite>("WriteFile", folder, outside, swapped,
                                                           [] { EXPECT_EQ(ExtractPayload(), kInstalled); });
    if (!swapped)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(ListTree(outside), Names{"mine.txt"});
    installDir = folder + ".moved\\";
    ExpectFiles(entries);
    folder_link::RemoveLink(folder);
}

}   // namespace
