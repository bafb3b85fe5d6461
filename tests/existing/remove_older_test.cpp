// Clean-up of earlier installations: what goes, and that nothing else does.
#include "integration_fixture.h"

#include "remove_older.h"
#include "folder_link.h"

#include <algorithm>

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

    // Files named relative to base (the directory by default), folders made.
    void MakeFiles(const std::vector<std::string> &names, const std::string &base = "")
    {
        for (const std::string &name : names)
            ASSERT_TRUE(WriteText(Join(base.empty() ? dir : base, name), "x"));
    }

    std::string dir;
};

TEST_F(RemoveOlderTest, RemovesTheOlderGenerationAndNothingElse)
{
    MakeFiles({"readme.txt", "template.txt", "regform.txt", "varnik.exe", "varnik.hlp", "varnik.gid",
               "varnik.ini", "keep.dat", "templates\\Flat\\a.bmp"});
    MakeFiles({"varnik\\Varnik.lnk", "varnik\\Sub\\x.txt"}, programsDir);
    MakeDirs(programsDir + "\\Other");
    MakeFiles({"varnik.lnk", "other.lnk"}, desktopDir);
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "UninstallString", "x");
    SetRegText(HKEY_LOCAL_MACHINE, kProductUninstallKey, "DisplayName", "VarnikPlus");

    EXPECT_EQ(RemoveOlderVersion(dir.c_str()), 1);

    EXPECT_EQ(ListTree(dir),
              (Names{"keep.dat", "oldtemplates\\", "oldtemplates\\Flat\\", "oldtemplates\\Flat\\a.bmp"}));
    EXPECT_EQ(ListTree(programsDir), (Names{"Other\\"}));
    EXPECT_EQ(ListTree(desktopDir), (Names{"other.lnk"}));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey));
}

TEST_F(RemoveOlderTest, ExistingOldTemplatesKeepsTemplatesWhereItIs)
{
    MakeFiles({"varnik.exe", "templates\\t.bmp", "oldtemplates\\o.bmp"});
    EXPECT_EQ(RemoveOlderVersion((dir + "\\").c_str()), 1);
    EXPECT_EQ(ListTree(dir),
              (Names{"oldtemplates\\", "oldtemplates\\o.bmp", "templates\\", "templates\\t.bmp"}));
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

// The seven style folders of the configuration are emptied, for this
// build's configuration and for another product's; the folders of the other
// configuration's styles stay as they are. The help cache's names are the
// installer's own ("varnik.hlp", "varnik.gid"), whatever the program's name.
TEST_F(RemoveOlderTest, CurrentGenerationLosesHelpCacheAndStyleContentsOnly)
{
    const SetupConfigRecord thisBuild = SetupConfig;
    for (bool other : {false, true}) {
        SCOPED_TRACE(other ? "another product's configuration" : "this build's configuration");
        if (other)
            UseOtherProduct();
        const SetupConfigRecord &unlisted = other ? thisBuild : OtherProductConfig;
        const std::string exe = SetupConfig.exeBaseName;
        SetCurrentDirectoryA(root.c_str());   // the clearing leaves it in a style folder
        RemoveTree(dir);
        MakeDirs(dir);
        MakeFiles({"varnik.exe", "varnik.ini", "varnik.hlp", "varnik.gid", "readme.txt", exe + ".hlp",
                   exe + ".gid", "templates\\loose.txt", "templates\\Mine\\d.bmp"});
        Names expected = {
            "readme.txt",           "templates\\", "templates\\Mine\\", "templates\\Mine\\d.bmp",
            "templates\\loose.txt", "varnik.exe",  "varnik.ini"};
        if (other)
            expected.insert(expected.end(), {exe + ".gid", exe + ".hlp"});
        for (const char *style : SetupConfig.templateStyles) {
            MakeFiles({std::string("templates\\") + style + "\\a.bmp",
                       std::string("templates\\") + style + "\\Sub\\b.bmp"});
            expected.push_back(std::string("templates\\") + style + "\\");
        }
        for (const char *style : unlisted.templateStyles) {
            MakeFiles({std::string("templates\\") + style + "\\x.bmp"});
            expected.push_back(std::string("templates\\") + style + "\\");
            expected.push_back(std::string("templates\\") + style + "\\x.bmp");
        }
        std::sort(expected.begin(), expected.end());

        EXPECT_EQ(RemoveHelpCache(dir.c_str()), 1);
        EXPECT_EQ(ClearTemplateStyles((dir + "\\").c_str()), 1);
        EXPECT_EQ(ListTree(dir), expected);
    }

    // A target without "templates" is left as it is.
    SetCurrentDirectoryA(root.c_str());
    RemoveTree(dir);
    MakeDirs(dir);
    MakeFiles({"varnik.exe", "Flat\\a.bmp"});
    EXPECT_EQ(ClearTemplateStyles(dir.c_str()), 1);
    EXPECT_EQ(ListTree(dir), (Names{"Flat\\", "Flat\\a.bmp", "varnik.exe"}));
}

// Another product's configuration changes nothing of what the removal of
// the older generation looks for: its files, Start Menu folder "varnik",
// desktop shortcut "varnik.lnk" and uninstall key "Varnik" are the
// installer's own names. What the configuration names stays.
TEST_F(RemoveOlderTest, OlderGenerationIsRemovedByItsOwnNamesWhateverTheConfiguration)
{
    UseOtherProduct();
    const std::string exe = SetupConfig.exeBaseName, product = SetupConfig.productName;
    const std::string productKey = kUninstallKeyPrefix + product;
    MakeFiles({"readme.txt", "template.txt", "regform.txt", "varnik.exe", "varnik.hlp", "varnik.gid",
               "varnik.ini", exe + ".exe", exe + ".ini", exe + ".hlp", "templates\\t.bmp"});
    for (const std::string &name : {std::string("varnik"), exe, product}) {
        MakeFiles({name + "\\x.lnk"}, programsDir);
        MakeFiles({name + ".lnk"}, desktopDir);
    }
    SetRegText(HKEY_LOCAL_MACHINE, kOlderUninstallKey, "DisplayName", "Varnik");
    SetRegText(HKEY_LOCAL_MACHINE, productKey.c_str(), "DisplayName", product);

    EXPECT_EQ(RemoveOlderVersion(dir.c_str()), 1);

    Names kept = {exe + ".exe", exe + ".hlp", exe + ".ini", "oldtemplates\\", "oldtemplates\\t.bmp"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(ListTree(dir), kept);
    Names menu = {exe + "\\", exe + "\\x.lnk", product + "\\", product + "\\x.lnk"};
    std::sort(menu.begin(), menu.end());
    EXPECT_EQ(ListTree(programsDir), menu);
    Names desktop = {exe + ".lnk", product + ".lnk"};
    std::sort(desktop.begin(), desktop.end());
    EXPECT_EQ(ListTree(desktopDir), desktop);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kOlderUninstallKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, productKey.c_str()));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, productKey.c_str());
}

// Folders that are links are passed over silently: a linked "templates" is
// not set aside, a linked style folder or older Start Menu folder is not
// emptied, and nothing where they point changes. The other steps still run.
TEST_F(RemoveOlderTest, LinkedFoldersArePassedOverAndWhatTheyPointAtStays)
{
    using folder_link::MakeFolderLink;
    const std::string outside = root + "\\outside", menuOutside = root + "\\menuoutside";
    const Names outsideFiles = {"Flat\\", "Flat\\Sub\\", "Flat\\Sub\\b.bmp", "Flat\\a.bmp", "t.bmp"};
    MakeFiles({"Flat\\a.bmp", "Flat\\Sub\\b.bmp", "t.bmp"}, outside);
    MakeFiles({"Varnik.lnk"}, menuOutside);
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
    MakeFiles({"readme.txt", "varnik.hlp", "templates\\Flat\\c.bmp"}, elsewhere);
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

// The directory being cleaned up swapped for a link to another folder that
// holds the same names, at its first deletion: neither the deletions nor
// the rename of "templates" reach the other folder.
TEST_F(RemoveOlderTest, ADirectorySwappedAtTheFirstDeletionSendsNothingElsewhere)
{
    const Names older = {"readme.txt", "template.txt", "regform.txt", "varnik.exe",
                         "varnik.hlp", "varnik.gid",   "varnik.ini",  "templates\\Flat\\a.bmp"};
    MakeFiles(older);
    const std::string outside = root + "\\outside";
    MakeFiles(older, outside);
    const Names before = ListTree(outside);
    using Swap = folder_link::SwapAtFirstSetInformation;
    bool swapped = false;
    folder_link::SwapDuring<Swap>("SetFileInformationByHandle", dir, outside, swapped,
                                  [&] { RemoveOlderVersion(dir.c_str()); });
    folder_link::SwapDuring<Swap>("SetFileInformationByHandle", dir + ".moved", outside, swapped,
                                  [&] { RemoveHelpCache((dir + ".moved").c_str()); });
    if (!swapped)
        GTEST_SKIP() << "no folder link can be made here";
    EXPECT_EQ(ListTree(outside), before);
    folder_link::RemoveLink(dir);
    folder_link::RemoveLink(dir + ".moved");
}

}   // namespace
