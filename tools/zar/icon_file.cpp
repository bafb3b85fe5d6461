#include "icon_file.h"

#include <cstring>
#include <set>

namespace {

uint16_t U16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t U32BigEndian(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

void Put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}   // namespace

bool ParseIconFile(const std::vector<uint8_t> &bytes, std::vector<IconImage> &images, std::string &error)
{
    images.clear();
    if (bytes.size() < 6 || U16(bytes.data()) != 0 || U16(bytes.data() + 2) != 1 ||
        U16(bytes.data() + 4) == 0) {
        error = "not an icon file (no icon header: reserved 0, type 1, at least one image)";
        return false;
    }
    const uint32_t count = U16(bytes.data() + 4);
    if (count > 256) {
        error = "not an icon file: " + std::to_string(count) + " images (at most 256 are taken)";
        return false;
    }
    if (bytes.size() < 6 + 16ull * count) {
        error = "not an icon file: its directory of " + std::to_string(count) + " images runs past the end";
        return false;
    }
    bool has16 = false, has32 = false;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *entry = bytes.data() + 6 + 16 * i;
        IconImage image;
        image.width = entry[0];
        image.height = entry[1];
        image.colorCount = entry[2];
        image.planes = U16(entry + 4);
        image.bitCount = U16(entry + 6);
        const uint32_t size = U32(entry + 8), offset = U32(entry + 12);
        const std::string label = "image " + std::to_string(i + 1);
        if (offset > bytes.size() || size > bytes.size() - offset || size < 40) {
            error = "not an icon file: " + label + " (" + std::to_string(size) + " bytes at " +
                    std::to_string(offset) + ") does not lie within the file";
            return false;
        }
        const uint8_t *data = bytes.data() + offset;
        const uint32_t wantWidth = image.width ? image.width : 256,
                       wantHeight = image.height ? image.height : 256;
        if (std::memcmp(data, kPng, 8) == 0) {
            // The IHDR chunk: length, "IHDR", width, height (big-endian).
            if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0 || U32BigEndian(data + 16) != wantWidth ||
                U32BigEndian(data + 20) != wantHeight) {
                error = "not an icon file: " + label + " is a PNG without a header of its entry's size";
                return false;
            }
        } else {
            // BITMAPINFOHEADER: size 40, width, height twice the icon's (image and mask), one plane.
            int32_t width = static_cast<int32_t>(U32(data + 4)), height = static_cast<int32_t>(U32(data + 8));
            if (U32(data) != 40 || width != static_cast<int32_t>(wantWidth) ||
                height != static_cast<int32_t>(2 * wantHeight) || U16(data + 12) != 1) {
                error = "not an icon file: " + label + " is neither a PNG nor a bitmap of " +
                        std::to_string(wantWidth) + "x" + std::to_string(wantHeight);
                return false;
            }
            if (image.planes == 0)
                image.planes = 1;
            if (image.bitCount == 0)
                image.bitCount = U16(data + 14);
        }
        has16 = has16 || (wantWidth == 16 && wantHeight == 16);
        has32 = has32 || (wantWidth == 32 && wantHeight == 32);
        image.data.assign(data, data + size);
        images.push_back(image);
    }
    if (!has16 || !has32) {
        error = std::string("the icon lacks a ") + (!has32 ? "32x32" : "16x16") +
                " image (Windows shows the installer with both)";
        return false;
    }
    return true;
}

bool IconGroupIds(const std::vector<uint8_t> &group, std::vector<uint16_t> &ids)
{
    ids.clear();
    if (group.size() < 6 || U16(group.data()) != 0 || U16(group.data() + 2) != 1)
        return false;
    uint32_t count = U16(group.data() + 4);
    if (group.size() < 6 + 14ull * count)
        return false;
    for (uint32_t i = 0; i < count; i++)
        ids.push_back(U16(group.data() + 6 + 14 * i + 12));
    return true;
}

void ReplaceIconGroup(ResourceTree &tree, uint16_t groupId, const ResourceName &language,
                      const std::vector<IconImage> &images)
{
    const ResourceName groupType = ResourceName::Id(kResourceGroupIcon),
                       iconType = ResourceName::Id(kResourceIcon);
    const ResourceName group = ResourceName::Id(groupId);
    // Ids used by the other groups stay; the old group's other images go.
    std::set<ResourceName> keep, drop;
    auto groups = tree.find(groupType);
    if (groups != tree.end()) {
        for (const auto &name : groups->second) {
            for (const auto &leaf : name.second) {
                std::vector<uint16_t> ids;
                IconGroupIds(leaf.second.data, ids);
                for (uint16_t id : ids)
                    (name.first == group ? drop : keep).insert(ResourceName::Id(id));
            }
        }
        groups->second.erase(group);
    }
    auto icons = tree.find(iconType);
    if (icons != tree.end()) {
        for (const ResourceName &id : drop)
            if (!keep.count(id))
                icons->second.erase(id);
    }
    ResourceNames &iconNames = tree[iconType];

    std::vector<uint8_t> directory;
    Put16(directory, 0);
    Put16(directory, 1);
    Put16(directory, static_cast<uint32_t>(images.size()));
    uint16_t next = 1;
    for (const IconImage &image : images) {
        while (iconNames.count(ResourceName::Id(next)))
            next++;
        ResourceLeaf &leaf = iconNames[ResourceName::Id(next)][language];
        leaf.data = image.data;
        leaf.codePage = 0;
        directory.push_back(image.width);
        directory.push_back(image.height);
        directory.push_back(image.colorCount);
        directory.push_back(0);
        Put16(directory, image.planes);
        Put16(directory, image.bitCount);
        Put32(directory, static_cast<uint32_t>(image.data.size()));
        Put16(directory, next);
    }
    ResourceLeaf &groupLeaf = tree[groupType][group][language];
    groupLeaf.data = directory;
    groupLeaf.codePage = 0;
}
