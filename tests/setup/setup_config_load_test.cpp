// The start-up of the configuration record from a configuration image
// (setup_config_load.h), on the image zar wrote into this build's setup.exe:
// taken as it is, and refused after each kind of damage, with the record
// left as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "installer_config.h"
#include "setup_config_load.h"
#include "test_files.h"

namespace {

using Image = std::vector<uint8_t>;

Image BuiltImage()
{
    return ReadResource(Join(BinDir(), kSampleInstaller), SETUP_CONFIG_RESOURCE_TYPE, kSetupConfigResourceId);
}

// The image's text field at offset, set to text and padded with NULs.
void SetText(Image &image, size_t offset, size_t size, const std::string &text)
{
    ASSERT_LT(text.size(), size + 1);
    std::fill(image.begin() + offset, image.begin() + offset + size, 0);
    std::memcpy(image.data() + offset, text.data(), text.size());
}

void SetU32(Image &image, size_t offset, uint32_t value)
{
    std::memcpy(image.data() + offset, &value, 4);
}

struct TextField {
    const char *name;
    size_t offset, size;
};

std::vector<TextField> TextFields()
{
    std::vector<TextField> fields = {
        {"uninstallSwitch", offsetof(SetupConfigImage, uninstallSwitch), kSetupConfigSwitchSize},
        {"titleText", offsetof(SetupConfigImage, titleText), kSetupConfigTextSize},
        {"productName", offsetof(SetupConfigImage, productName), kSetupConfigTextSize},
        {"folderName", offsetof(SetupConfigImage, folderName), kSetupConfigTextSize},
        {"exeBaseName", offsetof(SetupConfigImage, exeBaseName), kSetupConfigTextSize},
        {"helpFileName", offsetof(SetupConfigImage, helpFileName), kSetupConfigTextSize},
        {"helpShortcutName", offsetof(SetupConfigImage, helpShortcutName), kSetupConfigTextSize},
        {"defaultParentDir", offsetof(SetupConfigImage, defaultParentDir), kSetupConfigTextSize},
    };
    static const char *styles[] = {"templateStyles[0]", "templateStyles[1]", "templateStyles[2]",
                                   "templateStyles[3]", "templateStyles[4]", "templateStyles[5]",
                                   "templateStyles[6]"};
    for (int i = 0; i < kSetupConfigStyleCount; ++i)
        fields.push_back({styles[i], offsetof(SetupConfigImage, templateStyles) + i * kSetupConfigTextSize,
                          kSetupConfigTextSize});
    return fields;
}

// Reads image into a fresh copy and a record filled with a marker byte;
// true when it was taken. A refused image must leave the record as it was.
bool Read(const Image &image, SetupConfigImage *copy, SetupConfigRecord *record)
{
    std::memset(record, 0x5A, sizeof *record);
    SetupConfigRecord before;
    std::memset(&before, 0x5A, sizeof before);
    const int32_t result = ReadSetupConfigImage(image.data(), (uint32_t)image.size(), copy, record);
    EXPECT_TRUE(result == 0 || result == 1) << result;
    if (result != 1) {
        EXPECT_EQ(0, std::memcmp(&before, record, sizeof before)) << "a refused image changed the record";
    }
    return result == 1;
}

TEST(SetupConfigLoad, TakesTheBuiltImageWithTextsPointingIntoTheCopy)
{
    const Image image = BuiltImage();
    ASSERT_EQ(sizeof(SetupConfigImage), image.size()) << "no configuration resource in setup.exe";
    SetupConfigImage copy;
    SetupConfigRecord record;
    ASSERT_TRUE(Read(image, &copy, &record));
    EXPECT_EQ(0, std::memcmp(&copy, image.data(), image.size()));
    EXPECT_EQ(copy.fileCount, record.fileCount);
    EXPECT_EQ(copy.desktopIcon, record.desktopIcon);
    EXPECT_EQ(copy.registerUninstall, record.registerUninstall);
    EXPECT_EQ(copy.uninstallIconIndex, record.uninstallIconIndex);
    EXPECT_EQ(copy.createHelpShortcut, record.createHelpShortcut);
    EXPECT_STREQ(copy.uninstallSwitch, record.uninstallSwitch);
    const char *texts[] = {record.titleText,       record.productName,  record.folderName,
                           record.exeBaseName,     record.helpFileName, record.helpShortcutName,
                           record.defaultParentDir};
    const char *fields[] = {copy.titleText,    copy.productName,      copy.folderName,      copy.exeBaseName,
                            copy.helpFileName, copy.helpShortcutName, copy.defaultParentDir};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(fields[i], texts[i]) << "text " << i << " does not point into the copy";
    for (int i = 0; i < kSetupConfigStyleCount; ++i)
        EXPECT_EQ(copy.templateStyles[i], record.templateStyles[i]) << "style " << i;
    // The record the program runs with is this one (installer_config_env.cpp
    // read setup.exe into SetupConfig through the module lookup).
    EXPECT_STREQ(SetupConfig.productName, record.productName);
    EXPECT_EQ(SetupConfig.fileCount, record.fileCount);
}

TEST(SetupConfigLoad, RefusesEveryDamage)
{
    const Image built = BuiltImage();
    ASSERT_EQ(sizeof(SetupConfigImage), built.size());
    struct Case {
        std::string name;
        std::function<void(Image &)> damage;
    };
    std::vector<Case> cases = {
        {"one byte short", [](Image &i) { i.pop_back(); }},
        {"one byte more", [](Image &i) { i.push_back(0); }},
        {"empty", [](Image &i) { i.clear(); }},
        {"magic", [](Image &i) { i[3] = 'X'; }},
        {"version 0", [](Image &i) { SetU32(i, 4, 0); }},
        {"version 2", [](Image &i) { SetU32(i, 4, 2); }},
        {"size field", [](Image &i) { SetU32(i, 8, sizeof(SetupConfigImage) - 1); }},
        {"fileCount 0", [](Image &i) { SetU32(i, offsetof(SetupConfigImage, fileCount), 0); }},
        {"fileCount -1", [](Image &i) { SetU32(i, offsetof(SetupConfigImage, fileCount), 0xFFFFFFFFu); }},
        {"titleText of 249 characters",
         [](Image &i) {
             SetText(i, offsetof(SetupConfigImage, titleText), kSetupConfigTextSize,
                     std::string(kSetupConfigTitleMax + 1, 't'));
         }},
        {"proposed directory of 260 characters",
         [](Image &i) {
             SetText(i, offsetof(SetupConfigImage, defaultParentDir), kSetupConfigTextSize,
                     "c:\\" + std::string(200, 'p'));
             SetText(i, offsetof(SetupConfigImage, folderName), kSetupConfigTextSize,
                     std::string(260 - 204, 'f'));
         }},
    };
    for (const TextField &field : TextFields()) {
        cases.push_back({std::string(field.name) + " unterminated", [field](Image &i) {
                             std::fill(i.begin() + field.offset, i.begin() + field.offset + field.size, 'n');
                         }});
    }
    for (const Case &c : cases) {
        Image image = built;
        c.damage(image);
        SetupConfigImage copy;
        SetupConfigRecord record;
        EXPECT_FALSE(Read(image, &copy, &record)) << "taken: " << c.name;
    }
    SetupConfigRecord record;
    SetupConfigImage copy;
    EXPECT_EQ(0, ReadSetupConfigImage(NULL, sizeof(SetupConfigImage), &copy, &record)) << "no data";
}

// The limits themselves are taken: a title of kSetupConfigTitleMax
// characters, a proposed directory of 259, every text filling its field but
// for its terminator, any fileCount from 1.
TEST(SetupConfigLoad, TakesTextsAtTheirLimits)
{
    Image image = BuiltImage();
    ASSERT_EQ(sizeof(SetupConfigImage), image.size());
    SetText(image, offsetof(SetupConfigImage, titleText), kSetupConfigTextSize,
            std::string(kSetupConfigTitleMax, 't'));
    SetText(image, offsetof(SetupConfigImage, defaultParentDir), kSetupConfigTextSize,
            "c:\\" + std::string(200, 'p'));
    SetText(image, offsetof(SetupConfigImage, folderName), kSetupConfigTextSize, std::string(55, 'f'));
    SetU32(image, offsetof(SetupConfigImage, fileCount), 1);
    for (const TextField &field : TextFields()) {
        if (std::string(field.name).rfind("templateStyles", 0) == 0 ||
            std::string(field.name) == "uninstallSwitch" || std::string(field.name) == "productName")
            SetText(image, field.offset, field.size, std::string(field.size - 1, 'z'));
    }
    SetupConfigImage copy;
    SetupConfigRecord record;
    ASSERT_TRUE(Read(image, &copy, &record));
    EXPECT_EQ(kSetupConfigTitleMax, lstrlenA(record.titleText));
    EXPECT_EQ(259, lstrlenA(record.defaultParentDir) + 1 + lstrlenA(record.folderName));
    EXPECT_EQ(kSetupConfigSwitchSize - 1, lstrlenA(record.uninstallSwitch));
    EXPECT_EQ(kSetupConfigTextSize - 1, lstrlenA(record.templateStyles[6]));
    EXPECT_EQ(1, record.fileCount);
}

// The bare stub carries no configuration resource: the lookup finds none.
TEST(SetupConfigLoad, StubWithoutResourceIsRefused)
{
    const std::string stub = Join(BinDir(), sizeof(void *) == 8 ? "stub-win64.exe" : "stub-win32.exe");
    SetupConfigImage copy;
    SetupConfigRecord record;
    const std::string result = LoadInstallerConfig(stub, &copy, &record);
    EXPECT_NE(std::string::npos, result.find("holds no valid configuration resource")) << result;
}

}   // namespace
