#include "setup_resources.h"

#include "setup_config_layout.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

void PutU32(uint8_t *at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutText(uint8_t *at, size_t field, const std::string &text)
{
    std::memset(at, 0, field);
    std::memcpy(at, text.data(), text.size() < field - 1 ? text.size() : field - 1);
}

// One node of a version resource: wLength, wValueLength, wType, the key
// (UTF-16, NUL-terminated), padding to 4, the value, then the children, each
// starting at a multiple of 4. wLength leaves out the padding after the last
// child.
struct VersionNode {
    std::string key;
    bool text = false;            // wType 1, the value is UTF-16 text
    std::vector<uint8_t> value;   // the value's bytes
    uint16_t valueLength = 0;     // in words for text, in bytes otherwise
    std::vector<VersionNode> children;

    void Write(std::vector<uint8_t> &out) const
    {
        while (out.size() % 4)
            out.push_back(0);
        const size_t start = out.size();
        auto put16 = [&](uint32_t v) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        };
        put16(0);
        put16(valueLength);
        put16(text ? 1 : 0);
        for (char c : key)
            put16(static_cast<unsigned char>(c));
        put16(0);
        while (out.size() % 4)
            out.push_back(0);
        out.insert(out.end(), value.begin(), value.end());
        for (const VersionNode &child : children)
            child.Write(out);
        const size_t length = out.size() - start;
        out[start] = static_cast<uint8_t>(length);
        out[start + 1] = static_cast<uint8_t>(length >> 8);
    }
};

VersionNode Block(const std::string &key, std::vector<VersionNode> children)
{
    VersionNode node;
    node.key = key;
    node.text = true;
    node.children = std::move(children);
    return node;
}

VersionNode String(const std::string &key, const std::string &value)
{
    VersionNode node;
    node.key = key;
    node.text = true;
    for (char c : value) {
        node.value.push_back(static_cast<uint8_t>(c));
        node.value.push_back(0);
    }
    node.value.push_back(0);
    node.value.push_back(0);
    node.valueLength = static_cast<uint16_t>(value.size() + 1);
    return node;
}

}   // namespace

std::vector<uint8_t> BuildSetupConfigImage(const ProductIni &ini)
{
    SetupConfigImage image;
    std::vector<uint8_t> out(sizeof image, 0);
    uint8_t *base = out.data();
    std::memcpy(base + offsetof(SetupConfigImage, magic), SETUP_CONFIG_MAGIC, 4);
    PutU32(base + offsetof(SetupConfigImage, version), kSetupConfigVersion);
    PutU32(base + offsetof(SetupConfigImage, size), sizeof image);
    PutU32(base + offsetof(SetupConfigImage, desktopIcon), static_cast<uint32_t>(ini.desktopIconValue));
    PutU32(base + offsetof(SetupConfigImage, fileCount), static_cast<uint32_t>(ini.fileCountValue));
    PutU32(base + offsetof(SetupConfigImage, registerUninstall),
           static_cast<uint32_t>(ini.registerUninstallValue));
    PutU32(base + offsetof(SetupConfigImage, uninstallIconIndex),
           static_cast<uint32_t>(ini.uninstallIconIndexValue));
    PutU32(base + offsetof(SetupConfigImage, createHelpShortcut),
           static_cast<uint32_t>(ini.createHelpShortcutValue));
    PutText(base + offsetof(SetupConfigImage, uninstallSwitch), kSetupConfigSwitchSize,
            ini.uninstallSwitch.text);
    const std::pair<size_t, const ProductValue *> texts[] = {
        {offsetof(SetupConfigImage, titleText), &ini.titleText},
        {offsetof(SetupConfigImage, productName), &ini.productName},
        {offsetof(SetupConfigImage, folderName), &ini.folderName},
        {offsetof(SetupConfigImage, exeBaseName), &ini.exeBaseName},
        {offsetof(SetupConfigImage, helpFileName), &ini.helpFileName},
        {offsetof(SetupConfigImage, helpShortcutName), &ini.helpShortcutName},
        {offsetof(SetupConfigImage, defaultParentDir), &ini.defaultParentDir},
    };
    for (const auto &text : texts)
        PutText(base + text.first, kSetupConfigTextSize, text.second->text);
    for (size_t i = 0; i < kSetupConfigStyleCount && i < ini.templateStyles.size(); i++)
        PutText(base + offsetof(SetupConfigImage, templateStyles) + i * kSetupConfigTextSize,
                kSetupConfigTextSize, ini.templateStyles[i].text);
    return out;
}

std::string VersionText(const ProductIni &ini)
{
    return std::to_string(ini.versionNumbers[0]) + "." + std::to_string(ini.versionNumbers[1]) + "." +
           std::to_string(ini.versionNumbers[2]) + "." + std::to_string(ini.versionNumbers[3]);
}

std::vector<uint8_t> BuildVersionInfo(const ProductIni &ini)
{
    const uint16_t *v = ini.versionNumbers;
    const uint32_t ms = static_cast<uint32_t>(v[0]) << 16 | v[1];
    const uint32_t ls = static_cast<uint32_t>(v[2]) << 16 | v[3];
    const uint32_t fixed[13] = {
        0xFEEF04BD,       // dwSignature
        0x00010000,       // dwStrucVersion
        ms,         ls,   // dwFileVersion
        ms,         ls,   // dwProductVersion
        0x3F,             // dwFileFlagsMask: VS_FFI_FILEFLAGSMASK
        0,                // dwFileFlags
        0x00040004,       // dwFileOS: VOS_NT_WINDOWS32
        1,                // dwFileType: VFT_APP
        0,                // dwFileSubtype: VFT2_UNKNOWN
        0,          0,    // dwFileDate
    };
    VersionNode root;
    root.key = "VS_VERSION_INFO";
    root.value.resize(sizeof fixed);
    for (size_t i = 0; i < 13; i++)
        PutU32(root.value.data() + 4 * i, fixed[i]);
    root.valueLength = sizeof fixed;

    const std::string version = VersionText(ini);
    root.children.push_back(
        Block("StringFileInfo",
              {Block("040904B0", {
                                     String("CompanyName", ini.company.text),
                                     String("FileDescription", "Setup of " + ini.titleText.text),
                                     String("FileVersion", version),
                                     String("InternalName", "setup"),
                                     String("LegalCopyright", "Copyright (c) " + ini.copyrightYear.text +
                                                                  " " + ini.company.text),
                                     String("OriginalFilename", "setup.exe"),
                                     String("ProductName", ini.productName.text),
                                     String("ProductVersion", version),
                                 })}));
    VersionNode translation;
    translation.key = "Translation";
    translation.value = {0x09, 0x04, 0xB0, 0x04};
    translation.valueLength = 4;
    root.children.push_back(Block("VarFileInfo", {translation}));

    std::vector<uint8_t> out;
    root.Write(out);
    return out;
}
