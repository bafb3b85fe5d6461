// A PE image's resources as a tree held in memory: type, name, language,
// each leaf with its bytes. Read whole from an image's resource directory,
// changed, and written again as the contents of a new resource section.
#ifndef TOOLS_ZAR_RESOURCE_TREE_H
#define TOOLS_ZAR_RESOURCE_TREE_H

#include "pe_image.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A resource type, name or language: an integer id or a UTF-16 string.
struct ResourceName {
    bool isString = false;
    uint16_t id = 0;
    std::u16string text;

    static ResourceName Id(uint16_t id);
    static ResourceName String(const std::string &ascii);
    // "ZAR", "#119"
    std::string Shown() const;
};

// The order the format requires in every directory: names first, in
// ascending order of their UTF-16 code units, then ids in ascending order.
bool operator<(const ResourceName &a, const ResourceName &b);
bool operator==(const ResourceName &a, const ResourceName &b);

struct ResourceLeaf {
    std::vector<uint8_t> data;
    uint32_t codePage = 0;
};
inline bool operator==(const ResourceLeaf &a, const ResourceLeaf &b)
{
    return a.data == b.data && a.codePage == b.codePage;
}

using ResourceLanguages = std::map<ResourceName, ResourceLeaf>;
using ResourceNames = std::map<ResourceName, ResourceLanguages>;
using ResourceTree = std::map<ResourceName, ResourceNames>;

enum : uint16_t {
    kResourceIcon = 3,         // RT_ICON
    kResourceGroupIcon = 14,   // RT_GROUP_ICON
    kResourceVersion = 16,     // RT_VERSION
    kResourceManifest = 24,    // RT_MANIFEST
};

// Reads every leaf of image's resource directory (three levels: type, name,
// language) with its bytes. Refused as damaged: a directory or name outside
// the resources, a tree that is not three levels deep, a name given twice in
// one directory, data outside the image's sections, more than 65536 leaves.
bool ReadResourceTree(const PeImage &image, ResourceTree &tree, std::string &error);

// The contents of a resource section at rva for tree: all directories
// (breadth first), then the data entries, then the directory strings, then
// the data, each data aligned to 8 bytes; TimeDateStamp and version 0.
std::vector<uint8_t> BuildResourceSection(const ResourceTree &tree, uint32_t rva);

#endif
