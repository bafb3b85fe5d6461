#include "pe_resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The PE format's own limit on sections; anything above is damage.
const uint32_t kMaxSections = 96;

// One entry of the section table. In memory a section spans
// [virtualAddress, virtualEnd); the first fileBacked bytes of that span are
// the file's bytes at rawPointer.
struct Section {
    uint32_t number;   // position in the table, from 1 (for messages)
    uint64_t virtualAddress;
    uint64_t virtualEnd;
    uint32_t rawPointer;
    uint32_t fileBacked;
};

// A range of the file: offset, and the bytes that follow it up to the end
// of the section's file data.
struct FileRange {
    uint32_t offset;
    uint32_t available;
};

uint16_t U16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

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
    bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
};

// Maps rva..rva+length to the file through the one section whose memory
// holds rva (sections never overlap in memory: ReadSections refuses images
// where they do). The whole range must lie within that section's file data
// and within the file; the range found runs to the end of that section's
// file data, so an offset and a size taken from it always belong together.
bool MapRva(const std::vector<Section> &sections, uint64_t fileSize, uint32_t rva, uint32_t length,
            FileRange &range)
{
    for (const Section &s : sections) {
        if (rva < s.virtualAddress || rva >= s.virtualEnd)
            continue;
        uint64_t inside = rva - s.virtualAddress;
        if (inside >= s.fileBacked || length > s.fileBacked - inside)
            return false;
        uint64_t offset = s.rawPointer + inside;
        uint64_t available = s.fileBacked - inside;
        if (offset > fileSize || available > fileSize - offset)
            return false;
        range.offset = static_cast<uint32_t>(offset);
        range.available = static_cast<uint32_t>(available);
        return true;
    }
    return false;
}

// Reads the section table at table. Refused: a section whose file data
// runs past the end of the file, one whose memory range runs past 4 GiB,
// and two sections whose memory ranges overlap (the same address would then
// stand for two places in the file). A section that spans nothing in memory
// is left out: no address lies in it.
bool ReadSections(const View &whole, uint64_t table, uint32_t count, std::vector<Section> &sections,
                  std::string &error)
{
    sections.clear();
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *entry = whole.base + table + 40 * i;
        uint32_t virtualSize = U32(entry + 8);
        uint32_t virtualAddress = U32(entry + 12);
        uint32_t rawSize = U32(entry + 16);
        uint32_t rawPointer = U32(entry + 20);
        // The loader gives a section its virtual size in memory, or its raw
        // size when the virtual size is 0; only the part that is also in the
        // file's raw data has bytes in the file.
        uint32_t span = virtualSize != 0 ? virtualSize : rawSize;
        uint32_t fileBacked = rawSize < span ? rawSize : span;
        if (span == 0)
            continue;
        if (static_cast<uint64_t>(virtualAddress) + span > 0x100000000ull) {
            error = "malformed PE: section " + std::to_string(i + 1) + " runs past 4 GiB in memory";
            return false;
        }
        if (fileBacked != 0 && !whole.Has(rawPointer, fileBacked)) {
            error = "malformed PE: section " + std::to_string(i + 1) + " data runs past the end of the file";
            return false;
        }
        sections.push_back(
            {i + 1, virtualAddress, static_cast<uint64_t>(virtualAddress) + span, rawPointer, fileBacked});
    }
    std::vector<Section> sorted = sections;
    std::sort(sorted.begin(), sorted.end(),
              [](const Section &a, const Section &b) { return a.virtualAddress < b.virtualAddress; });
    for (size_t i = 1; i < sorted.size(); i++) {
        const Section &a = sorted[i - 1], &b = sorted[i];
        if (b.virtualAddress < a.virtualEnd) {
            uint32_t first = a.number < b.number ? a.number : b.number;
            uint32_t second = a.number < b.number ? b.number : a.number;
            error = "malformed PE: sections " + std::to_string(first) + " and " + std::to_string(second) +
                    " overlap in memory (both hold address " + Hex(b.virtualAddress) + ")";
            return false;
        }
    }
    return true;
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

    // Finds the entry of the directory at offset that the level (0 type,
    // 1 name, 2 language) asks for: the type named "ZAR", the name 119, then
    // the first language that leads to data. target receives where it leads:
    // the next level's directory, at the last level the data entry.
    bool Lookup(uint32_t offset, int level, uint32_t &target)
    {
        static const char *const kMissing[] = {"no \"ZAR\" resource in the executable",
                                               "no \"ZAR\" resource with name 119 in the executable",
                                               "malformed PE: the \"ZAR\" resource 119 has no data entry"};
        static const char *const kNotDirectory[] = {
            "malformed PE: the \"ZAR\" resource type is not a directory",
            "malformed PE: the \"ZAR\" resource 119 is not a directory"};
        uint32_t first, count;
        if (!Directory(offset, first, count))
            return false;
        for (uint32_t i = 0; i < count; i++) {
            uint32_t name = U32(region.base + first + 8 * i);
            uint32_t entry = U32(region.base + first + 8 * i + 4);
            bool leadsToDirectory = (entry & 0x80000000u) != 0;
            bool matches = false;
            if (level == 0) {
                if ((name & 0x80000000u) && !NameIsZar(name & 0x7FFFFFFFu, matches))
                    return false;
            } else {
                matches = level == 1 ? name == kZarResourceId : !leadsToDirectory;
            }
            if (!matches)
                continue;
            if (level < 2 && !leadsToDirectory) {
                error = kNotDirectory[level];
                return false;
            }
            target = entry & 0x7FFFFFFFu;
            return true;
        }
        error = kMissing[level];
        return false;
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

}   // namespace

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
    if (optionalSize < countField + 4 || U32(file + optional + countField) <= kResourceDirectory ||
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
    if (!ReadSections(whole, table, sectionCount, sections, error))
        return false;

    // The resource tree: from the directory's start to the end of the file
    // data of the section that holds it.
    FileRange tree;
    if (!MapRva(sections, fileSize, resourceRva, 16, tree)) {
        error = "malformed PE: the resource directory " + Hex(resourceRva) + " lies in no section's data";
        return false;
    }
    ResourceTree resources{View{file + tree.offset, tree.available}, std::string()};

    // Three fixed levels: type, name, language. Offsets may point anywhere,
    // including back up the tree, but each level is read exactly once.
    uint32_t dataEntry = 0;
    for (int level = 0; level < 3; level++) {
        if (!resources.Lookup(dataEntry, level, dataEntry)) {
            error = resources.error;
            return false;
        }
    }
    if (!resources.region.Has(dataEntry, 16)) {
        error = "malformed PE: the \"ZAR\" resource's data entry lies outside the resources";
        return false;
    }
    uint32_t dataRva = U32(resources.region.base + dataEntry);
    uint32_t dataSize = U32(resources.region.base + dataEntry + 4);
    FileRange data;
    if (!MapRva(sections, fileSize, dataRva, dataSize, data)) {
        error = "malformed PE: the \"ZAR\" resource data (" + std::to_string(dataSize) + " bytes at " +
                Hex(dataRva) + ") lies outside the file's sections";
        return false;
    }
    span.offset = data.offset;
    span.size = dataSize;
    return true;
}
