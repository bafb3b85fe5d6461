#include "setup_stub.h"

#include "pe_resource.h"
#include "setup_config_layout.h"

#include <cstring>

namespace {

char16_t Upper(char16_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 'a' + 'A') : c;
}

uint32_t U32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}   // namespace

ResourceTree::iterator FindNamedType(ResourceTree &tree, const std::string &name)
{
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (!it->first.isString || it->first.text.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size(); i++)
            same = same && Upper(it->first.text[i]) == Upper(static_cast<unsigned char>(name[i]));
        if (same)
            return it;
    }
    return tree.end();
}

bool TakeSetupStub(const std::string &path, std::vector<uint8_t> bytes, bool win64, SetupStub &stub,
                   std::string &error)
{
    const std::string notOurs = "'" + path + "' is not a setup stub of ours: ";
    std::string reason;
    if (!ReadPeImage(std::move(bytes), stub.image, reason)) {
        error = notOurs + reason;
        return false;
    }
    const bool is64 = stub.image.machine == kMachineAmd64;
    if (is64 != win64) {
        error = "'" + path + "' is a " + (is64 ? "64" : "32") + "-bit stub where a " + (win64 ? "64" : "32") +
                "-bit one is needed (" + (win64 ? "leave out --win64 or give" : "add --win64 or give") +
                " the other stub)";
        return false;
    }
    if (!ReadResourceTree(stub.image, stub.resources, reason)) {
        error = notOurs + reason;
        return false;
    }
    auto mark = FindNamedType(stub.resources, SETUP_STUB_MARK_TYPE);
    const ResourceName markId = ResourceName::Id(kSetupStubMarkId);
    if (mark == stub.resources.end() || !mark->second.count(markId) || mark->second[markId].empty()) {
        error =
            notOurs + "it has no \"" SETUP_STUB_MARK_TYPE "\" resource " + std::to_string(kSetupStubMarkId);
        return false;
    }
    const auto &languages = mark->second[markId];
    if (languages.size() != 1) {
        error = notOurs + "its mark is given in " + std::to_string(languages.size()) + " languages";
        return false;
    }
    const ResourceLeaf &leaf = languages.begin()->second;
    if (leaf.data.size() != kSetupStubMarkSize || std::memcmp(leaf.data.data(), SETUP_CONFIG_MAGIC, 4) != 0) {
        error = notOurs + "its mark is not \"" SETUP_CONFIG_MAGIC "\" and a layout version (" +
                std::to_string(leaf.data.size()) + " bytes)";
        return false;
    }
    uint32_t version = U32(leaf.data.data() + 4);
    if (version != kSetupConfigVersion) {
        error = "'" + path + "' reads configuration layout version " + std::to_string(version) +
                "; this zar writes version " + std::to_string(kSetupConfigVersion) +
                " (use the zar and the stub of one release)";
        return false;
    }
    stub.language = languages.begin()->first;
    if (FindNamedType(stub.resources, "ZAR") != stub.resources.end()) {
        error = "'" + path +
                "' already holds a payload (a \"ZAR\" resource): it is an installer, not a bare stub";
        return false;
    }
    if (FindNamedType(stub.resources, SETUP_CONFIG_RESOURCE_TYPE) != stub.resources.end()) {
        error = "'" + path +
                "' already holds a configuration (a \"" SETUP_CONFIG_RESOURCE_TYPE
                "\" resource): it is an installer, not a bare stub";
        return false;
    }
    return true;
}
