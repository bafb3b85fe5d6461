#include "pe_resource.h"

#include <cstdio>
#include <vector>

namespace {

// The PE format's own limit on sections; anything above is damage.
const uint32_t kMaxSections = 96;

struct Section {
    uint32_t virtualAddress;
    uint32_t extent;      // bytes of the section backed by file data
    uint32_t rawPointer;
};

uint16_t U16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t U32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// A bounded view of bytes: every read is checked.
struct View {
    const uint8_t *base;
    uint64_t size;
    bool Has(uint64_t offset, uint64_t length) const
    {
        return offset <= size && length <= size - offset;
    }
};

// Maps rva..rva+length to a file offset through the section table.
bool MapRva(const std::vector<Section> &sections, uint32_t rva, uint32_t length,
            uint32_t &fileOffset)
{
    for (const Section &s : sections) {
        if (rva < s.virtualAddress)
            continue;
        uint64_t inside = static_cast<uint64_t>(rva) - s.virtualAddress;
        if (inside >= s.extent)
            continue;
        if (inside + length > s.extent)
            return false;
        fileOffset = static_cast<uint32_t>(s.rawPointer + inside);
        return true;
    }
    return false;
}

// The resource tree, a region of the file that starts at the resource
// directory; all directory offsets are relative to its start.
struct ResourceTree {
    View region;
    std::string error;

    bool Directory(uint32_t offset, uint32_t &firstEntry, uint32_t &count)
    {
        if (!region.Has(offset, 16)) {
            error = "malformed PE: resource directory at " + Hex(offset) + " lies outside the resources";
            return false;
        }
        count = static_cast<uint32_t>(U16(region.base + offset + 12)) + U16(region.base + offset + 14);
        firstEntry = offset + 16;
        if (!region.Has(firstEntry, static_cast<uint64_t>(count) * 8)) {
            error = "malformed PE: resource directory at " + Hex(offset) + " runs past the resources";
            return false;
        }
        return true;
    }

    // True when the string name at offset reads "ZAR" (names are compared
    // without regard to case, as the platform's resource lookup does).
    bool NameIsZar(uint32_t offset, bool &matches)
    {
        matches = false;
        if (!region.Has(offset, 2)) {
            error = "malformed PE: resource name at " + Hex(offset) + " lies outside the resources";
            return false;
        }
        uint32_t length = U16(region.base + offset);
        if (!region.Has(static_cast<uint64_t>(offset) + 2, static_cast<uint64_t>(length) * 2)) {
            error = "malformed PE: resource name at " + Hex(offset) + " runs past the resources";
            return false;
        }
        if (length != 3)
            return true;
        const char wanted[] = "ZAR";
        for (uint32_t i = 0; i < 3; i++) {
            uint16_t c = U16(region.base + offset + 2 + 2 * i);
            if (c >= 'a' && c <= 'z')
                c = static_cast<uint16_t>(c - 'a' + 'A');
            if (c != static_cast<uint8_t>(wanted[i]))
                return true;
        }
        matches = true;
        return true;
    }
};

}  // namespace

bool FindZarResource(const uint8_t *file, size_t fileSize, PeResourceSpan &span, std::string &error)
{
    View whole{file, fileSize};
    if (!whole.Has(0, 64)) {
        error = "malformed PE: the DOS header is truncated";
        return false;
    }
    uint32_t peOffset = U32(file + 0x3C);
    if (!whole.Has(peOffset, 24)) {
        error = "malformed PE: the PE header offset " + Hex(peOffset) + " lies outside the file";
        return false;
    }
    if (U32(file + peOffset) != 0x00004550) {
        error = "malformed PE: no PE signature at offset " + Hex(peOffset);
        return false;
    }
    uint32_t coff = peOffset + 4;
    uint32_t sectionCount = U16(file + coff + 2);
    uint32_t optionalSize = U16(file + coff + 16);
    uint64_t optional = static_cast<uint64_t>(coff) + 20;
    if (!whole.Has(optional, optionalSize) || optionalSize < 2) {
        error = "malformed PE: the optional header is truncated";
        return false;
    }
    uint16_t magic = U16(file + optional);
    uint32_t countField, directories;
    if (magic == 0x10B) {
        countField = 92;
        directories = 96;
    } else if (magic == 0x20B) {
        countField = 108;
        directories = 112;
    } else {
        error = "malformed PE: unknown optional header magic " + Hex(magic);
        return false;
    }
    const uint32_t kResourceDirectory = 2;
    uint32_t resourceField = directories + 8 * kResourceDirectory;
    if (optionalSize < countField + 4 ||
        U32(file + optional + countField) <= kResourceDirectory ||
        optionalSize < resourceField + 8) {
        error = "no \"ZAR\" resource: the executable has no resource directory";
        return false;
    }
    uint32_t resourceRva = U32(file + optional + resourceField);
    uint32_t resourceSize = U32(file + optional + resourceField + 4);
    if (resourceRva == 0 || resourceSize == 0) {
        error = "no \"ZAR\" resource: the executable has no resources";
        return false;
    }

    if (sectionCount > kMaxSections) {
        error = "malformed PE: " + std::to_string(sectionCount) + " sections";
        return false;
    }
    uint64_t table = optional + optionalSize;
    if (!whole.Has(table, static_cast<uint64_t>(sectionCount) * 40)) {
        error = "malformed PE: the section table runs past the end of the file";
        return false;
    }
    std::vector<Section> sections;
    for (uint32_t i = 0; i < sectionCount; i++) {
        const uint8_t *entry = file + table + 40 * i;
        uint32_t virtualSize = U32(entry + 8);
        uint32_t virtualAddress = U32(entry + 12);
        uint32_t rawSize = U32(entry + 16);
        uint32_t rawPointer = U32(entry + 20);
        uint32_t extent = rawSize;
        if (virtualSize != 0 && virtualSize < extent)
            extent = virtualSize;
        if (extent == 0)
            continue;
        if (!whole.Has(rawPointer, extent)) {
            error = "malformed PE: section " + std::to_string(i + 1) + " data runs past the end of the file";
            return false;
        }
        sections.push_back({virtualAddress, extent, rawPointer});
    }

    // The resource tree: from the directory's start to the end of its section.
    uint32_t treeOffset = 0;
    if (!MapRva(sections, resourceRva, 16, treeOffset)) {
        error = "malformed PE: the resource directory " + Hex(resourceRva) + " lies in no section's data";
        return false;
    }
    uint64_t treeSize = 0;
    for (const Section &s : sections)
        if (resourceRva >= s.virtualAddress &&
            static_cast<uint64_t>(resourceRva) - s.virtualAddress < s.extent)
            treeSize = s.extent - (static_cast<uint64_t>(resourceRva) - s.virtualAddress);
    ResourceTree tree{View{file + treeOffset, treeSize}, std::string()};

    // Three fixed levels: type, name, language. Offsets may point anywhere,
    // including back up the tree, but each level is read exactly once.
    uint32_t first, count;
    if (!tree.Directory(0, first, count)) {
        error = tree.error;
        return false;
    }
    uint32_t nameDirectory = 0;
    bool found = false;
    for (uint32_t i = 0; i < count && !found; i++) {
        uint32_t name = U32(tree.region.base + first + 8 * i);
        uint32_t target = U32(tree.region.base + first + 8 * i + 4);
        if (!(name & 0x80000000u))
            continue;
        bool matches = false;
        if (!tree.NameIsZar(name & 0x7FFFFFFFu, matches)) {
            error = tree.error;
            return false;
        }
        if (!matches)
            continue;
        if (!(target & 0x80000000u)) {
            error = "malformed PE: the \"ZAR\" resource type is not a directory";
            return false;
        }
        nameDirectory = target & 0x7FFFFFFFu;
        found = true;
    }
    if (!found) {
        error = "no \"ZAR\" resource in the executable";
        return false;
    }

    if (!tree.Directory(nameDirectory, first, count)) {
        error = tree.error;
        return false;
    }
    uint32_t languageDirectory = 0;
    found = false;
    for (uint32_t i = 0; i < count && !found; i++) {
        uint32_t name = U32(tree.region.base + first + 8 * i);
        uint32_t target = U32(tree.region.base + first + 8 * i + 4);
        if (name != kZarResourceId)
            continue;
        if (!(target & 0x80000000u)) {
            error = "malformed PE: the \"ZAR\" resource 119 is not a directory";
            return false;
        }
        languageDirectory = target & 0x7FFFFFFFu;
        found = true;
    }
    if (!found) {
        error = "no \"ZAR\" resource with name 119 in the executable";
        return false;
    }

    if (!tree.Directory(languageDirectory, first, count)) {
        error = tree.error;
        return false;
    }
    uint32_t dataEntry = 0;
    found = false;
    for (uint32_t i = 0; i < count && !found; i++) {
        uint32_t target = U32(tree.region.base + first + 8 * i + 4);
        if (target & 0x80000000u)
            continue;
        dataEntry = target;
        found = true;
    }
    if (!found) {
        error = "malformed PE: the \"ZAR\" resource 119 has no data entry";
        return false;
    }
    if (!tree.region.Has(dataEntry, 16)) {
        error = "malformed PE: the \"ZAR\" resource's data entry lies outside the resources";
        return false;
    }
    uint32_t dataRva = U32(tree.region.base + dataEntry);
    uint32_t dataSize = U32(tree.region.base + dataEntry + 4);
    uint32_t dataOffset = 0;
    if (!MapRva(sections, dataRva, dataSize, dataOffset)) {
        error = "malformed PE: the \"ZAR\" resource data (" + std::to_string(dataSize) +
                " bytes at " + Hex(dataRva) + ") lies outside the file's sections";
        return false;
    }
    span.offset = dataOffset;
    span.size = dataSize;
    return true;
}
