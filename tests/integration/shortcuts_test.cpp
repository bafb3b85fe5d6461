// The Shell Folders lookup and the shortcuts, read back from the registry and
// from the saved .lnk files.
#include "integration_fixture.h"

#include "remove_older.h"
#include "shell_folders.h"
#include "shortcuts.h"
#include "folder_link.h"

namespace {

class ShortcutsTest : public IntegrationTest {
protected:
    void SetUp() override
    {
        IntegrationTest::SetUp();
        UseOwnShellFolders();
        installDir = root + "\\Product\\";
        SetInstallDir(installDir);
        startMenu = programsDir + "\\VarnikPlus";
    }

    // ReadShellFolders' result, flags and texts in one line.
    std::string Read()
    {
        char programs[260], desktop[260];
        int32_t programsFound, desktopFound;
        int32_t result = ReadShellFolders(programs, desktop, &programsFound, &desktopFound);
        return std::to_string(result) + " " + std::to_string(programsFound) + ":" + programs + " " +
               std::to_string(desktopFound) + ":" + desktop;
    }

    void SetFolder(const char *name, const std::string &text)
    {
        SetRegText(HKEY_CURRENT_USER, kShellFoldersKeyPath, name, text);
    }

    std::string installDir, startMenu;
};

TEST_F(ShortcutsTest, ReadShellFoldersMatchesNamesInAnyCaseAndPassesOverOversizedValues)
{
    EXPECT_EQ(Read(), "1 1:" + programsDir + " 1:" + desktopDir);

    // Value names keep the letter case they were created with.
    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    SetFolder("programs", "p:\\lower");
    SetFolder("DESKTOP", "d:\\upper");
    EXPECT_EQ(Read(), "1 1:p:\\lower 1:d:\\upper");

    // A name or data too long for 260 bytes is passed over, and the walk
    // goes on behind it.
    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    SetFolder(std::string(300, 'n').c_str(), "x");
    SetFolder("Desktop", std::string(260, 'd'));
    SetFolder("Programs", std::string(259, 'p'));
    EXPECT_EQ(Read(), "1 1:" + std::string(259, 'p') + " 0:");

    // However many there are in a row: only failures of another kind end
    // the walk early.
    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    for (char c = 'a'; c <= 'z'; ++c)
        SetFolder((std::string(1, c) + "-long").c_str(), std::string(300, c));
    SetFolder("Programs", "p:\\after");
    EXPECT_EQ(Read(), "1 1:p:\\after 0:");

    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    EXPECT_EQ(Read(), "0 0: 0:");
}

TEST_F(ShortcutsTest, WritesTheFourShortcutsWithExactlyTheirProperties)
{
    // A Start Menu folder holding other things is emptied first.
    MakeDirs(startMenu + "\\Sub\\Deeper");
    WriteTextFile(startMenu + "\\foreign.txt");
    WriteTextFile(startMenu + "\\Sub\\Deeper\\file");
    WriteTextFile(desktopDir + "\\other.lnk");

    ASSERT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(startMenu),
              (Names{"Uninstall VarnikPlus.lnk", "VarnikPlus Help.lnk", "VarnikPlus.lnk"}));
    EXPECT_EQ(ListTree(desktopDir), (Names{"VarnikPlus.lnk", "other.lnk"}));

    std::string program = installDir + "varnik.exe", workingDir = root + "\\Product";
    struct Expected {
        std::string link, target, arguments, icon;
        int index;
    } expected[] = {
        {startMenu + "\\VarnikPlus.lnk", program, "", "", 0},
        {desktopDir + "\\VarnikPlus.lnk", program, "", "", 0},
        {startMenu + "\\VarnikPlus Help.lnk", installDir + "readme.htm", "", "", 0},
        {startMenu + "\\Uninstall VarnikPlus.lnk", program, "/uninstall", program, 1},
    };
    for (const Expected &e : expected) {
        LinkInfo info = ReadLink(e.link);
        ASSERT_TRUE(info.loaded) << e.link;
        EXPECT_EQ(info.path, e.target) << e.link;
        EXPECT_EQ(info.workingDir, workingDir) << e.link;
        EXPECT_EQ(info.arguments, e.arguments) << e.link;
        EXPECT_EQ(info.iconPath, e.icon) << e.link;
        if (!e.icon.empty()) {
            EXPECT_EQ(info.iconIndex, e.index);
        }
    }
}

TEST_F(ShortcutsTest, SecondInstallRefillsTheFolderAndReplacesTheDesktopShortcut)
{
    ASSERT_EQ(CreateShortcuts(), 1);
    WriteTextFile(startMenu + "\\added later.txt");
    SetInstallDir(root + "\\Second\\");
    SetupConfig.createHelpShortcut = 0;

    ASSERT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(startMenu), (Names{"Uninstall VarnikPlus.lnk", "VarnikPlus.lnk"}));
    EXPECT_EQ(ReadLink(desktopDir + "\\VarnikPlus.lnk").path, root + "\\Second\\varnik.exe");

    SetupConfig.desktopIcon = 0;
    SetupConfig.registerUninstall = 0;
    SetupConfig.createHelpShortcut = 1;
    DeleteFileA((desktopDir + "\\VarnikPlus.lnk").c_str());
    ASSERT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(startMenu), (Names{"VarnikPlus Help.lnk", "VarnikPlus.lnk"}));
    EXPECT_EQ(ListTree(desktopDir), Names{});
}

TEST_F(ShortcutsTest, WithoutProgramsNothingIsCreatedWithoutDesktopOnlyThatOne)
{
    DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Programs");
    EXPECT_EQ(CreateShortcuts(), 0);
    EXPECT_FALSE(DirExists(startMenu));
    EXPECT_EQ(ListTree(desktopDir), Names{});

    UseOwnShellFolders();
    DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Desktop");
    EXPECT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(startMenu).size(), 3u);
    EXPECT_EQ(ListTree(desktopDir), Names{});

    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    EXPECT_EQ(CreateShortcuts(), 0);
}

TEST_F(ShortcutsTest, PathsThatDoNotFitOrNameNoFolderAreLeftOut)
{
    // Programs folder of 225 characters: the Start Menu folder, program and
    // help shortcuts fit 259 characters, the uninstall shortcut (261) not.
    std::string longPrograms = programsDir + "\\" + std::string(224 - programsDir.size(), 'p');
    MakeDirs(longPrograms);
    SetFolder("Programs", longPrograms);
    ASSERT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(longPrograms + "\\VarnikPlus"), (Names{"VarnikPlus Help.lnk", "VarnikPlus.lnk"}));
    EXPECT_EQ(ListTree(desktopDir), (Names{"VarnikPlus.lnk"}));

    // Empty folder texts: "\VarnikPlus" at the drive root is not touched.
    SetFolder("Programs", "");
    SetFolder("Desktop", "");
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    std::string driveFolder = root.substr(0, 2) + "\\VarnikPlus";
    MakeDirs(driveFolder);
    WriteTextFile(driveFolder + "\\keep.txt");
    EXPECT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(driveFolder), (Names{"keep.txt"}));
    RemoveTree(driveFolder);
}

TEST_F(ShortcutsTest, CreateShellLinkRefusesBadArgumentsAndSavesGoodOnes)
{
    CoInitialize(NULL);
    std::string link = root + "\\direct.lnk";
    EXPECT_LT(CreateShellLink("c:\\x\\y.exe", (root + "\\missing\\a.lnk").c_str(), 0, 0, 0), 0);
    EXPECT_LT(CreateShellLink("no-backslash.exe", link.c_str(), 0, 0, 0), 0);
    std::string longTarget = "c:\\" + std::string(257, 't');
    EXPECT_LT(CreateShellLink(longTarget.c_str(), link.c_str(), 0, 0, 0), 0);
    EXPECT_FALSE(FileExists(link));

    EXPECT_GE(CreateShellLink("c:\\a b\\c\\tool.exe", link.c_str(), "-x", 0, 7), 0);
    CoUninitialize();
    LinkInfo info = ReadLink(link);
    EXPECT_EQ(info.workingDir, "c:\\a b\\c");
    EXPECT_EQ(info.arguments, "-x");
    EXPECT_EQ(info.iconPath, "");   // an index alone gives no icon
}

// A Start Menu folder that is a link gets no shortcuts and is not emptied:
// what it points at keeps its files. The desktop shortcut is still written.
TEST_F(ShortcutsTest, LinkedStartMenuFolderIsPassedOver)
{
    const std::string outside = root + "\\outside";
    MakeDirs(outside);
    WriteTextFile(outside + "\\mine.txt");
    if (!folder_link::MakeFolderLink(startMenu, outside))
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(outside), Names{"mine.txt"});
    EXPECT_EQ(ListTree(desktopDir), Names{"VarnikPlus.lnk"});
    folder_link::RemoveLink(startMenu);
}

// The user's Programs and Desktop folders may themselves be links (Wine
// links the desktop into the Unix home; Windows users redirect profile
// folders): the shortcuts go where they lead, and the older generation's
// entries are removed there. Below them nothing is followed (above).
TEST_F(ShortcutsTest, ShellFoldersThatAreLinksLeadToTheirFolders)
{
    const std::string programs = root + "\\real programs", desktop = root + "\\real desktop";
    MakeDirs(programs);
    MakeDirs(desktop);
    RemoveDirectoryA(programsDir.c_str());
    RemoveDirectoryA(desktopDir.c_str());
    if (!folder_link::MakeFolderLink(programsDir, programs) ||
        !folder_link::MakeFolderLink(desktopDir, desktop))
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(CreateShortcuts(), 1);
    EXPECT_EQ(ListTree(desktop), Names{"VarnikPlus.lnk"});
    EXPECT_EQ(ListTree(programs), (Names{"VarnikPlus\\", "VarnikPlus\\Uninstall VarnikPlus.lnk",
                                         "VarnikPlus\\VarnikPlus Help.lnk", "VarnikPlus\\VarnikPlus.lnk"}));

    WriteTextFile(programs + "\\varnik\\Varnik.lnk");
    WriteTextFile(desktop + "\\varnik.lnk");
    EXPECT_EQ(RemoveOldStartMenuEntries(), 1);
    EXPECT_FALSE(DirExists(programs + "\\varnik"));
    EXPECT_EQ(ListTree(desktop), Names{"VarnikPlus.lnk"});
    folder_link::RemoveLink(programsDir);
    folder_link::RemoveLink(desktopDir);
}

// The product's Start Menu folder swapped for a link to another folder at
// the first shortcut written: the other shortcuts still go into the folder
// that was held, and none into the other folder.
TEST_F(ShortcutsTest, AStartMenuFolderSwappedMidwaySendsNothingElsewhere)
{
    const std::string outside = root + "\\outside";
    MakeDirs(outside);
    MakeDirs(startMenu);
    bool swapped = false;
    folder_link::SwapDuring<folder_link::SwapAtFirstWrite>("WriteFile", startMenu, outside, swapped,
                                                           [] { EXPECT_EQ(CreateShortcuts(), 1); });
    if (!swapped)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(ListTree(outside), Names{});
    EXPECT_EQ(ListTree(startMenu + ".moved"),
              (Names{"Uninstall VarnikPlus.lnk", "VarnikPlus Help.lnk", "VarnikPlus.lnk"}));
    folder_link::RemoveLink(startMenu);
}

}   // namespace
