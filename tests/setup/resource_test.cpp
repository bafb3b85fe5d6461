// The resources of the built setup.exe: the dialog template byte for byte,
// the icon group, the manifest, the version information and the payload.

#include "setup_controls.h"
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string SetupPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\')) + "\\setup.exe";
}

class SetupResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(SetupPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module) << "cannot load " << SetupPath();
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    std::vector<uint8_t> Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceExA(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (!found)
            return {};
        const uint8_t *data = (const uint8_t *)LockResource(LoadResource(module, found));
        return std::vector<uint8_t>(data, data + SizeofResource(module, found));
    }
    HMODULE module = NULL;
};

// Reads a DLGTEMPLATE and its items.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t> &bytes) : bytes_(bytes) {}
    uint16_t Word()
    {
        uint16_t value = at_ + 1 < bytes_.size() ? (uint16_t)(bytes_[at_] | bytes_[at_ + 1] << 8) : 0;
        at_ += 2;
        return value;
    }
    uint32_t Dword()
    {
        uint32_t low = Word();
        return low | (uint32_t)Word() << 16;
    }
    int16_t Short() { return (int16_t)Word(); }
    // A string, or an ordinal written as "#n".
    std::string SzOrOrdinal()
    {
        std::string text;
        uint16_t first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        for (uint16_t c = first; c != 0; c = Word())
            text += (char)c;
        return text;
    }
    void AlignDword() { at_ = (at_ + 3) & ~(size_t)3; }
    bool Overrun() const { return at_ > bytes_.size(); }

private:
    const std::vector<uint8_t> &bytes_;
    size_t at_ = 0;
};

struct Item {
    uint16_t id;
    const char *className;   // with the predefined class's ordinal
    const char *ordinal;
    const char *text;
    DWORD styles;
    short x, y, cx, cy;
};

TEST_F(SetupResources, DialogTemplateIsExactlyTheInstallDialog)
{
    std::vector<uint8_t> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEA(ctl::kDialogTemplate));
    ASSERT_FALSE(bytes.empty()) << "no dialog " << ctl::kDialogTemplate;
    TemplateReader reader(bytes);
    EXPECT_EQ((DWORD)(DS_SETFONT | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU), reader.Dword());
    EXPECT_EQ(0u, reader.Dword()) << "extended style";
    const uint16_t count = reader.Word();
    EXPECT_EQ(7, count);
    EXPECT_EQ(0, reader.Short());
    EXPECT_EQ(0, reader.Short());
    EXPECT_EQ(220, reader.Short());
    EXPECT_EQ(100, reader.Short());
    EXPECT_EQ("", reader.SzOrOrdinal()) << "menu";
    EXPECT_EQ("", reader.SzOrOrdinal()) << "class";
    EXPECT_EQ("title", reader.SzOrOrdinal());
    EXPECT_EQ(8, reader.Word()) << "point size";
    EXPECT_EQ("MS Sans Serif", reader.SzOrOrdinal());

    const Item items[] = {
        {ctl::kInstall, "button", "#128", "Install", BS_DEFPUSHBUTTON | WS_TABSTOP, 144, 79, 60, 14},
        {ctl::kCancel, "button", "#128", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 16, 79, 60, 14},
        {ctl::kDirEdit, "edit", "#129", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 16, 25, 188, 13},
        {ctl::kBrowse, "button", "#128", "browse..", BS_PUSHBUTTON | WS_TABSTOP, 144, 42, 60, 12},
        {ctl::kDesktopIcon, "button", "#128", "Add icon to desktop", BS_AUTOCHECKBOX | WS_TABSTOP, 18, 44,
         121, 10},
        {0xFFFF, "static", "#130", "Install to:", SS_LEFT | WS_GROUP, 18, 15, 82, 9},
        {ctl::kPanel, "static", "#130", "", SS_ETCHEDFRAME, 16, 56, 188, 20},
    };
    for (int i = 0; i < 7 && i < count; ++i) {
        const Item &item = items[i];
        SCOPED_TRACE(std::string("control ") + std::to_string(i + 1) + " " + item.text);
        reader.AlignDword();
        EXPECT_EQ(WS_CHILD | WS_VISIBLE | item.styles, reader.Dword());
        EXPECT_EQ(0u, reader.Dword()) << "extended style";
        EXPECT_EQ(item.x, reader.Short());
        EXPECT_EQ(item.y, reader.Short());
        EXPECT_EQ(item.cx, reader.Short());
        EXPECT_EQ(item.cy, reader.Short());
        EXPECT_EQ(item.id, reader.Word());
        const std::string className = reader.SzOrOrdinal();
        EXPECT_TRUE(className == item.ordinal || lstrcmpiA(className.c_str(), item.className) == 0)
            << className;
        EXPECT_EQ(item.text, reader.SzOrOrdinal());
        EXPECT_EQ(0, reader.Word()) << "creation data";
    }
    EXPECT_FALSE(reader.Overrun());
}

TEST_F(SetupResources, IconGroupHoldsA32AndA16PixelImageOf16Colours)
{
    std::vector<uint8_t> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(108));
    ASSERT_EQ(6u + 2 * 14, group.size());
    EXPECT_EQ(1, group[2]) << "icon, not cursor";
    EXPECT_EQ(2, group[4]);
    int sides[2] = {};
    for (int i = 0; i < 2; ++i) {
        const uint8_t *entry = &group[6 + 14 * i];
        sides[i] = entry[0];
        EXPECT_EQ(entry[0], entry[1]) << "square";
        EXPECT_EQ(16, entry[2]) << "colours";
        EXPECT_EQ(4, entry[6]) << "bits per pixel";
        const uint32_t size = entry[8] | entry[9] << 8 | entry[10] << 16 | (uint32_t)entry[11] << 24;
        std::vector<uint8_t> image = Resource(RT_ICON, MAKEINTRESOURCEA(entry[12] | entry[13] << 8));
        ASSERT_EQ(size, image.size());
        HICON icon = CreateIconFromResourceEx(image.data(), (DWORD)image.size(), TRUE, 0x00030000, entry[0],
                                              entry[0], 0);
        EXPECT_TRUE(icon) << "image " << i << " is not a valid icon";
        if (icon)
            DestroyIcon(icon);
    }
    EXPECT_TRUE((sides[0] == 32 && sides[1] == 16) || (sides[0] == 16 && sides[1] == 32));
}

TEST_F(SetupResources, ManifestAsksForAdministratorAndCommonControls6)
{
    std::vector<uint8_t> bytes = Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos,
              manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
}

// A value of the product description the build was made from, as the
// platform's profile reader finds it (the Unix path through Wine's drive Z:).
std::string ProductIni(const char *section, const char *key)
{
    std::string path = std::string("Z:") + PRODUCT_INI;
    std::replace(path.begin(), path.end(), '/', '\\');
    char value[256] = "";
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, path.c_str());
    return value;
}

TEST_F(SetupResources, VersionInformationNamesTheProduct)
{
    const std::string path = SetupPath();
    DWORD handle = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, (DWORD)info.size(), info.data()));
    auto value = [&](const char *name) {
        char *text = nullptr;
        UINT length = 0;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(info.data(), key.c_str(), (void **)&text, &length) || !text)
            return std::string();
        return std::string(text);
    };
    const std::string version = ProductIni("Product", "version");
    ASSERT_NE("<missing>", version) << "cannot read " << PRODUCT_INI;
    EXPECT_EQ(ProductIni("Product", "productName"), value("ProductName"));
    EXPECT_EQ(version, value("ProductVersion"));
    EXPECT_EQ(version, value("FileVersion"));
    EXPECT_EQ(ProductIni("Product", "company"), value("CompanyName"));
    EXPECT_EQ("Copyright (c) " + ProductIni("Product", "copyrightYear") + " " +
                  ProductIni("Product", "company"),
              value("LegalCopyright"));
    EXPECT_EQ("setup.exe", value("OriginalFilename"));
}

TEST_F(SetupResources, PayloadIsZar119InUsEnglish)
{
    std::vector<uint8_t> payload = Resource("ZAR", MAKEINTRESOURCEA(119));
    ASSERT_FALSE(payload.empty()) << "no payload resource";
}

}   // namespace
