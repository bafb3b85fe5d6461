#include "resource_tree.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

const size_t kMaxLeaves = 65536;
// Directories may share subdirectories; the entries read in all are bounded
// so that a small hostile tree cannot take unbounded time.
const size_t kMaxEntries = 1u << 20;

uint16_t U16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Put16(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

size_t Align8(size_t v)
{
    return (v + 7) & ~static_cast<size_t>(7);
}

struct Reader {
    const PeImage &image;
    const uint8_t *base;   // the resource directory
    uint64_t size;         // bytes from there to the end of .rsrc's file data
    size_t leaves = 0;
    size_t entriesRead = 0;
    std::string error;

    bool Damaged(const std::string &what)
    {
        error = "damaged resources: " + what;
        return false;
    }

    bool Name(uint32_t field, ResourceName &name)
    {
        if (!(field & 0x80000000u)) {
            if (field > 0xFFFF)
                return Damaged("resource id " + Hex(field) + " is over 0xffff");
            name = ResourceName::Id(static_cast<uint16_t>(field));
            return true;
        }
        uint32_t offset = field & 0x7FFFFFFFu;
        if (offset > size || size - offset < 2)
            return Damaged("a resource name at " + Hex(offset) + " lies outside the resources");
        uint32_t length = U16(base + offset);
        if (size - offset - 2 < 2ull * length)
            return Damaged("a resource name at " + Hex(offset) + " runs past the resources");
        name = ResourceName();
        name.isString = true;
        for (uint32_t i = 0; i < length; i++)
            name.text.push_back(static_cast<char16_t>(U16(base + offset + 2 + 2 * i)));
        return true;
    }

    // The entries of the directory at offset: (name, target) pairs.
    bool Directory(uint32_t offset, std::vector<std::pair<ResourceName, uint32_t>> &entries)
    {
        entries.clear();
        if (offset > size || size - offset < 16)
            return Damaged("a directory at " + Hex(offset) + " lies outside the resources");
        uint32_t count = static_cast<uint32_t>(U16(base + offset + 12)) + U16(base + offset + 14);
        if (size - offset - 16 < 8ull * count)
            return Damaged("the directory at " + Hex(offset) + " runs past the resources");
        entriesRead += count;
        if (entriesRead > kMaxEntries)
            return Damaged("more than " + std::to_string(kMaxEntries) + " directory entries");
        std::set<ResourceName> seen;
        for (uint32_t i = 0; i < count; i++) {
            const uint8_t *entry = base + offset + 16 + 8 * i;
            ResourceName name;
            if (!Name(U32(entry), name))
                return false;
            if (!seen.insert(name).second)
                return Damaged("the directory at " + Hex(offset) + " names " + name.Shown() + " twice");
            entries.emplace_back(name, U32(entry + 4));
        }
        return true;
    }

    bool Leaf(uint32_t target, ResourceLeaf &leaf)
    {
        if (target & 0x80000000u)
            return Damaged("the tree is deeper than type, name and language");
        if (target > size || size - target < 16)
            return Damaged("a data entry at " + Hex(target) + " lies outside the resources");
        if (++leaves > kMaxLeaves)
            return Damaged("more than " + std::to_string(kMaxLeaves) + " resources");
        uint32_t rva = U32(base + target), length = U32(base + target + 4);
        size_t offset = 0;
        if (!image.Map(rva, length, offset))
            return Damaged("resource data (" + std::to_string(length) + " bytes at " + Hex(rva) +
                           ") lies outside the image's sections");
        leaf.data.assign(image.file.begin() + offset, image.file.begin() + offset + length);
        leaf.codePage = U32(base + target + 8);
        return true;
    }
};

void PutName(std::vector<uint8_t> &out, size_t at, const ResourceName &name, size_t stringOffset)
{
    Put32(out, at, name.isString ? 0x80000000u | static_cast<uint32_t>(stringOffset) : name.id);
}

}   // namespace

ResourceName ResourceName::Id(uint16_t id)
{
    ResourceName name;
    name.id = id;
    return name;
}

ResourceName ResourceName::String(const std::string &ascii)
{
    ResourceName name;
    name.isString = true;
    for (char c : ascii)
        name.text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return name;
}

std::string ResourceName::Shown() const
{
    if (!isString)
        return "#" + std::to_string(id);
    std::string shown = "\"";
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            shown += hex;
        }
    }
    return shown + "\"";
}

bool operator<(const ResourceName &a, const ResourceName &b)
{
    if (a.isString != b.isString)
        return a.isString;
    if (a.isString)
        return a.text < b.text;
    return a.id < b.id;
}

bool operator==(const ResourceName &a, const ResourceName &b)
{
    return a.isString == b.isString && (a.isString ? a.text == b.text : a.id == b.id);
}

bool ReadResourceTree(const PeImage &image, ResourceTree &tree, std::string &error)
{
    tree.clear();
    const PeSection &rsrc = image.sections[image.resourceSection];
    Reader reader{image,
                  image.file.data() + rsrc.rawPointer,
                  rsrc.rawSize < rsrc.virtualSize || rsrc.virtualSize == 0 ? rsrc.rawSize : rsrc.virtualSize,
                  0,
                  0,
                  std::string()};
    std::vector<std::pair<ResourceName, uint32_t>> types, names, languages;
    auto subdirectory = [&](uint32_t target, const ResourceName &what, uint32_t &offset) {
        if (!(target & 0x80000000u))
            return reader.Damaged(what.Shown() + " leads to data where a directory belongs");
        offset = target & 0x7FFFFFFFu;
        return true;
    };
    if (!reader.Directory(0, types)) {
        error = reader.error;
        return false;
    }
    for (const auto &type : types) {
        uint32_t namesAt = 0;
        if (!subdirectory(type.second, type.first, namesAt) || !reader.Directory(namesAt, names)) {
            error = reader.error;
            return false;
        }
        ResourceNames &typeNode = tree[type.first];
        for (const auto &name : names) {
            uint32_t languagesAt = 0;
            if (!subdirectory(name.second, name.first, languagesAt) ||
                !reader.Directory(languagesAt, languages)) {
                error = reader.error;
                return false;
            }
            ResourceLanguages &nameNode = typeNode[name.first];
            for (const auto &language : languages) {
                if (!reader.Leaf(language.second, nameNode[language.first])) {
                    error = reader.error;
                    return false;
                }
            }
        }
    }
    return true;
}

std::vector<uint8_t> BuildResourceSection(const ResourceTree &tree, uint32_t rva)
{
    // Sizes first: directories, breadth first.
    auto directorySize = [](size_t entries) { return 16 + 8 * entries; };
    size_t directories = directorySize(tree.size());
    size_t leaves = 0, strings = 0;
    auto stringSize = [](const ResourceName &name) { return name.isString ? 2 + 2 * name.text.size() : 0; };
    for (const auto &type : tree) {
        directories += directorySize(type.second.size());
        strings += stringSize(type.first);
        for (const auto &name : type.second) {
            directories += directorySize(name.second.size());
            strings += stringSize(name.first);
            for (const auto &language : name.second) {
                strings += stringSize(language.first);
                leaves++;
            }
        }
    }
    const size_t dataEntriesAt = directories;
    const size_t stringsAt = dataEntriesAt + 16 * leaves;
    size_t dataAt = Align8(stringsAt + strings);
    size_t total = dataAt;
    for (const auto &type : tree)
        for (const auto &name : type.second)
            for (const auto &language : name.second)
                total = Align8(total) + language.second.data.size();

    std::vector<uint8_t> out(total, 0);
    size_t nextDirectory = 0, nextEntry = dataEntriesAt, nextString = stringsAt, nextData = dataAt;
    auto putString = [&](const ResourceName &name) {
        size_t at = nextString;
        if (name.isString) {
            Put16(out, at, static_cast<uint32_t>(name.text.size()));
            for (size_t i = 0; i < name.text.size(); i++)
                Put16(out, at + 2 + 2 * i, name.text[i]);
            nextString += stringSize(name);
        }
        return at;
    };
    // A directory header with the counts of named and id entries.
    auto putDirectory = [&](size_t at, size_t named, size_t ids) {
        Put16(out, at + 12, static_cast<uint32_t>(named));
        Put16(out, at + 14, static_cast<uint32_t>(ids));
    };
    auto counts = [](const auto &map, size_t &named, size_t &ids) {
        named = ids = 0;
        for (const auto &item : map)
            (item.first.isString ? named : ids)++;
    };

    // Breadth first: the root, every type's name directory, every name's
    // language directory.
    size_t named, ids;
    const size_t root = nextDirectory;
    counts(tree, named, ids);
    putDirectory(root, named, ids);
    nextDirectory += directorySize(tree.size());
    std::vector<size_t> typeDirectories;
    size_t entry = root + 16;
    for (const auto &type : tree) {
        size_t at = nextDirectory;
        nextDirectory += directorySize(type.second.size());
        counts(type.second, named, ids);
        putDirectory(at, named, ids);
        PutName(out, entry, type.first, putString(type.first));
        Put32(out, entry + 4, 0x80000000u | static_cast<uint32_t>(at));
        entry += 8;
        typeDirectories.push_back(at);
    }
    size_t typeIndex = 0;
    std::vector<size_t> nameDirectories;
    for (const auto &type : tree) {
        size_t nameEntry = typeDirectories[typeIndex++] + 16;
        for (const auto &name : type.second) {
            size_t at = nextDirectory;
            nextDirectory += directorySize(name.second.size());
            counts(name.second, named, ids);
            putDirectory(at, named, ids);
            PutName(out, nameEntry, name.first, putString(name.first));
            Put32(out, nameEntry + 4, 0x80000000u | static_cast<uint32_t>(at));
            nameEntry += 8;
            nameDirectories.push_back(at);
        }
    }
    size_t nameIndex = 0;
    for (const auto &type : tree) {
        for (const auto &name : type.second) {
            size_t languageEntry = nameDirectories[nameIndex++] + 16;
            for (const auto &language : name.second) {
                PutName(out, languageEntry, language.first, putString(language.first));
                Put32(out, languageEntry + 4, static_cast<uint32_t>(nextEntry));
                languageEntry += 8;
                nextData = Align8(nextData);
                const ResourceLeaf &leaf = language.second;
                Put32(out, nextEntry, rva + static_cast<uint32_t>(nextData));
                Put32(out, nextEntry + 4, static_cast<uint32_t>(leaf.data.size()));
                Put32(out, nextEntry + 8, leaf.codePage);
                nextEntry += 16;
                std::copy(leaf.data.begin(), leaf.data.end(),
                          out.begin() + static_cast<std::ptrdiff_t>(nextData));
                nextData += leaf.data.size();
            }
        }
    }
    return out;
}
