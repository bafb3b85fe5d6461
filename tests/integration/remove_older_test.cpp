// Clean-up of earlier installations: what goes, and that nothing else does.
#include "integration_fixture.h"

#include "remove_older.h"
#include "folder_link.h"

namespace {

class RemoveOlderTest : public IntegrationTest {
protected:
    void SetUp() override
    {
        IntegrationTest::SetUp();
        UseOwnShellFolders();
        dir = root + "\\Varnik";
        MakeDirs(dir);
    }

    void MakeFiles(const std::vector<std::string> &names)
    {
        for (const std::string &name : names) {
            size_t slash = name.rfind('\\');
            if (slash != std::string::npos) MakeDirs(dir + "\\" + name.substr(0, slash));
            WriteTextFile(dir + "\\" + name);
        }
    }

    std::string dir;
};

TEST_F(RemoveOlderTest, RemovesTheOlderGenerationAndNothingElse)
{
    MakeFiles({"readme.txt", "template.txt", "regform.txt", "varnik.exe", "varnik.hlp",
               "varnik.gid", "varnik.ini", "keep.dat", "templates\\Flat\\a.bmp"});
    MakeDirs(programsDir + "\\varnik\\Sub");
    WriteTextFile(programsDir + "\\varnik\\Varnik.lnk");
    WriteTextFile(programsDir + "\\varnik\\Sub\\x.txt");
    MakeDirs(programsDir + "\\Other");
    WriteTextFile(desktopDir + "\\varnik.lnk");
    WriteTextFile(desktopDir + "\\other.lnk");
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "UninstallString", "x");
    SetRegText(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName", "VarnikPlus");

    EXPECT_EQ(RemoveOlderVersion(dir.c_str()), 1);

    EXPECT_EQ(ListTree(dir), (Names{"keep.dat", "oldtemplates\\", "oldtemplates\\Flat\\",
                                    "oldtemplates\\Flat\\a.bmp"}));
    EXPECT_EQ(ListTree(programsDir), (Names{"Other\\"}));
    EXPECT_EQ(ListTree(desktopDir), (Names{"other.lnk"}));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));
}

TEST_F(RemoveOlderTest, ExistingOldTemplatesKeepsTemplatesWhereItIs)
{
    MakeFiles({"varnik.exe", "templates\\t.bmp", "oldtemplates\\o.bmp"});
    EXPECT_EQ(RemoveOlderVersion((dir + "\\").c_str()), 1);
    EXPECT_EQ(ListTree(dir), (Names{"oldtemplates\\", "oldtemplates\\o.bmp", "templates\\",
                                    "templates\\t.bmp"}));
}

TEST_F(RemoveOlderTest, ShellFoldersDecideIndependentlyWhatIsRemoved)
{
    // Without "Desktop" the Start Menu folder still goes; the desktop
    // shortcut stays.
    MakeDirs(programsDir + "\\varnik");
    WriteTextFile(desktopDir + "\\varnik.lnk");
    DeleteRegValue(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Desktop");
    EXPECT_EQ(RemoveOldStartMenuEntries(), 1);
    EXPECT_FALSE(DirExists(programsDir + "\\varnik"));
    EXPECT_TRUE(FileExists(desktopDir + "\\varnik.lnk"));

    // Without the key nothing is touched, and the registry entry still goes.
    MakeDirs(programsDir + "\\varnik");
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
    RegDeleteKeyA(HKEY_CURRENT_USER, kShellFoldersKeyPath);
    EXPECT_EQ(RemoveOldStartMenuEntries(), 0);
    EXPECT_EQ(RemoveOlderVersion(dir.c_str()), 1);
    EXPECT_TRUE(DirExists(programsDir + "\\varnik"));
    EXPECT_TRUE(FileExists(desktopDir + "\\varnik.lnk"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
}

TEST_F(RemoveOlderTest, CurrentGenerationLosesHelpCacheAndStyleContentsOnly)
{
    MakeFiles({"varnik.exe", "varnik.ini", "varnik.hlp", "varnik.gid", "readme.txt",
               "templates\\loose.txt", "templates\\Flat\\a.bmp", "templates\\Flat\\Sub\\b.bmp",
               "templates\\Wide Screen\\c.png", "templates\\Mine\\d.bmp"});
    MakeDirs(dir + "\\templates\\Melted");

    EXPECT_EQ(RemoveHelpCache(dir.c_str()), 1);
    EXPECT_EQ(ClearTemplateStyles((dir + "\\").c_str()), 1);

    EXPECT_EQ(ListTree(dir),
              (Names{"readme.txt", "templates\\", "templates\\Flat\\", "templates\\Melted\\",
                     "templates\\Mine\\", "templates\\Mine\\d.bmp", "templates\\Wide Screen\\",
                     "templates\\loose.txt", "varnik.exe", "varnik.ini"}));
}

// Folders that are links are passed over silently: a linked "templates" is
// not set aside, a linked style folder or older Start Menu folder is not
// emptied, and nothing where they point changes. The other steps still run.
TEST_F(RemoveOlderTest, LinkedFoldersArePassedOverAndWhatTheyPointAtStays)
{
    using folder_link::MakeFolderLink;
    const std::string outside = root + "\\outside", menuOutside = root + "\\menuoutside";
    const Names outsideFiles = {"Flat\\", "Flat\\Sub\\", "Flat\\Sub\\b.bmp", "Flat\\a.bmp", "t.bmp"};
    MakeDirs(outside + "\\Flat\\Sub");
    for (const char *name : {"\\Flat\\a.bmp", "\\Flat\\Sub\\b.bmp", "\\t.bmp"}) WriteTextFile(outside + name);
    MakeDirs(menuOutside);
    WriteTextFile(menuOutside + "\\Varnik.lnk");
    MakeFiles({"varnik.exe", "varnik.hlp", "readme.txt"});
    const std::string templates = dir + "\\templates";
    if (!MakeFolderLink(templates, outside) || !MakeFolderLink(programsDir + "\\varnik", menuOutside)) {
        GTEST_SKIP() << "no folder link can be made here";
    }

    EXPECT_EQ(RemoveOlderVersion(dir.c_str()), 1);
    EXPECT_TRUE(GetFileAttributesA(templates.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_FALSE(DirExists(dir + "\\oldtemplates"));
    EXPECT_FALSE(FileExists(dir + "\\varnik.exe") || FileExists(dir + "\\readme.txt"));
    EXPECT_EQ(ListTree(outside), outsideFiles);
    EXPECT_EQ(ListTree(menuOutside), Names{"Varnik.lnk"});
    EXPECT_EQ(RemoveOldStartMenuEntries(), 1);
    EXPECT_EQ(ListTree(menuOutside), Names{"Varnik.lnk"});

    // The current generation: first "templates" itself is the link, then
    // one style folder in a real "templates".
    EXPECT_EQ(ClearTemplateStyles(dir.c_str()), 1);
    EXPECT_EQ(RemoveHelpCache(dir.c_str()), 1);
    EXPECT_EQ(ListTree(outside), outsideFiles);
    folder_link::RemoveLink(templates);
    MakeFiles({"templates\\Wide Screen\\w.png"});
    ASSERT_TRUE(MakeFolderLink(templates + "\\Flat", outside + "\\Flat"));
    EXPECT_EQ(ClearTemplateStyles(dir.c_str()), 1);
    EXPECT_EQ(ListTree(outside), outsideFiles);
    EXPECT_EQ(ListTree(templates + "\\Wide Screen"), Names{});

    // The installation directory itself a link: nothing in it is touched.
    const std::string linkedDir = root + "\\linkeddir", elsewhere = root + "\\elsewhere";
    MakeDirs(elsewhere + "\\templates\\Flat");
    for (const char *name : {"\\readme.txt", "\\varnik.hlp", "\\templates\\Flat\\c.bmp"})
        WriteTextFile(elsewhere + name);
    const Names elsewhereFiles = ListTree(elsewhere);
    ASSERT_TRUE(MakeFolderLink(linkedDir, elsewhere));
    EXPECT_EQ(RemoveOlderVersion(linkedDir.c_str()), 1);
    EXPECT_EQ(RemoveHelpCache(linkedDir.c_str()), 1);
    EXPECT_EQ(ClearTemplateStyles(linkedDir.c_str()), 1);
    EXPECT_EQ(ListTree(elsewhere), elsewhereFiles);

    folder_link::RemoveLink(linkedDir);
    folder_link::RemoveLink(templates + "\\Flat");
    folder_link::RemoveLink(programsDir + "\\varnik");
}

} // namespace
