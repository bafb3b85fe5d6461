#include "pe_reader.h"

#include <stdexcept>

namespace {

struct Bytes {
    const std::vector<uint8_t> &b;
    void Need(uint64_t at, uint64_t n) const
    {
        if (at > b.size() || n > b.size() - at)
            throw std::runtime_error("read of " + std::to_string(n) + " bytes at " + std::to_string(at) +
                                     " runs past the file");
    }
    uint16_t U16(uint64_t at) const
    {
        Need(at, 2);
        return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
    }
    uint32_t U32(uint64_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
};

std::string NameText(const Bytes &f, uint64_t base, uint32_t field, bool &isString)
{
    isString = (field & 0x80000000u) != 0;
    if (!isString)
        return std::to_string(field);
    uint64_t at = base + (field & 0x7FFFFFFFu);
    uint16_t length = f.U16(at);
    std::string text;
    for (uint16_t i = 0; i < length; i++)
        text += static_cast<char>(f.U16(at + 2 + 2 * i));
    return text;
}

}   // namespace

InspectedPe InspectPe(const std::vector<uint8_t> &bytes)
{
    InspectedPe pe;
    Bytes f{bytes};
    if (f.U16(0) != 0x5A4D)
        throw std::runtime_error("no MZ");
    uint32_t peAt = f.U32(0x3C);
    if (f.U32(peAt) != 0x4550)
        throw std::runtime_error("no PE signature");
    pe.machine = f.U16(peAt + 4);
    uint16_t count = f.U16(peAt + 6);
    uint16_t optionalSize = f.U16(peAt + 20);
    pe.optional = peAt + 24;
    pe.pe32plus = f.U16(pe.optional) == 0x20B;
    pe.sizeOfInitializedData = f.U32(pe.optional + 8);
    pe.sectionAlignment = f.U32(pe.optional + 32);
    pe.fileAlignment = f.U32(pe.optional + 36);
    pe.sizeOfImage = f.U32(pe.optional + 56);
    pe.checksum = f.U32(pe.optional + 64);
    size_t dirs = pe.optional + (pe.pe32plus ? 112 : 96);
    uint32_t dirCount = f.U32(pe.optional + (pe.pe32plus ? 108 : 92));
    for (uint32_t i = 0; i < dirCount; i++)
        pe.directories.push_back({f.U32(dirs + 8 * i), f.U32(dirs + 8 * i + 4)});
    size_t table = pe.optional + optionalSize;
    for (uint16_t i = 0; i < count; i++) {
        InspectedSection s;
        f.Need(table + 40 * i, 40);
        for (int k = 0; k < 8 && bytes[table + 40 * i + k]; k++)
            s.name += static_cast<char>(bytes[table + 40 * i + k]);
        s.virtualSize = f.U32(table + 40 * i + 8);
        s.rva = f.U32(table + 40 * i + 12);
        s.rawSize = f.U32(table + 40 * i + 16);
        s.rawPointer = f.U32(table + 40 * i + 20);
        pe.sections.push_back(s);
    }
    auto map = [&](uint32_t rva) -> uint64_t {
        for (const InspectedSection &s : pe.sections)
            if (rva >= s.rva && rva - s.rva < s.rawSize)
                return static_cast<uint64_t>(s.rawPointer) + (rva - s.rva);
        throw std::runtime_error("rva " + std::to_string(rva) + " in no section");
    };
    if (pe.directories.size() <= 2 || pe.directories[2].first == 0)
        return pe;
    const uint64_t base = map(pe.directories[2].first);
    const uint32_t rsrcRva = pe.directories[2].first;
    auto problem = [&](const std::string &text) { pe.layoutProblems.push_back(text); };

    // Walks a directory; checks order, counts and time stamp.
    struct Entry {
        std::string name;
        uint32_t target;
    };
    auto directory = [&](uint32_t offset, const std::string &where) {
        std::vector<Entry> entries;
        uint64_t at = base + offset;
        if (offset % 4)
            problem(where + ": directory at an unaligned offset");
        if (f.U32(at + 4) != 0)
            problem(where + ": TimeDateStamp is not 0");
        uint32_t named = f.U16(at + 12), ids = f.U16(at + 14);
        bool prevString = true;
        std::u16string prevText;
        uint32_t prevId = 0;
        for (uint32_t i = 0; i < named + ids; i++) {
            uint32_t field = f.U32(at + 16 + 8 * i);
            bool isString = false;
            std::string name = NameText(f, base, field, isString);
            if (isString != (i < named))
                problem(where + ": entry " + name +
                        " is not where the counts of named and id entries put it");
            if (isString) {
                std::u16string text;
                uint64_t s = base + (field & 0x7FFFFFFFu);
                for (uint16_t k = 0; k < f.U16(s); k++)
                    text += static_cast<char16_t>(f.U16(s + 2 + 2 * k));
                if (i > 0 && !(prevText < text))
                    problem(where + ": named entry " + name + " is out of order");
                prevText = text;
            } else {
                if (i > 0 && !prevString && !(prevId < field))
                    problem(where + ": id entry " + name + " is out of order");
                prevId = field;
            }
            prevString = isString;
            entries.push_back({name, f.U32(at + 16 + 8 * i + 4)});
        }
        return entries;
    };
    for (const Entry &type : directory(0, "root")) {
        if (!(type.target & 0x80000000u))
            throw std::runtime_error("type " + type.name + " leads to data");
        for (const Entry &name : directory(type.target & 0x7FFFFFFFu, type.name)) {
            if (!(name.target & 0x80000000u))
                throw std::runtime_error("name " + name.name + " leads to data");
            for (const Entry &language : directory(name.target & 0x7FFFFFFFu, type.name + "/" + name.name)) {
                std::string key = type.name + "/" + name.name + "/" + language.name;
                if (language.target & 0x80000000u)
                    throw std::runtime_error(key + " is a directory");
                if (language.target % 8)
                    problem(key + ": data entry not aligned to 8 bytes");
                uint64_t entry = base + language.target;
                uint32_t rva = f.U32(entry), size = f.U32(entry + 4);
                if (rva % 8 || (rva - rsrcRva) % 8)
                    problem(key + ": data not aligned to 8 bytes");
                if (f.U32(entry + 12) != 0)
                    problem(key + ": data entry's reserved field is not 0");
                uint64_t at = map(rva);
                f.Need(at, size);
                pe.resources[key].assign(bytes.begin() + static_cast<long>(at),
                                         bytes.begin() + static_cast<long>(at + size));
                pe.resourceOrder.push_back(key);
            }
        }
    }
    return pe;
}

uint32_t ReferenceChecksum(const std::vector<uint8_t> &bytes, size_t checksumField)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        if (i == checksumField || i == checksumField + 2)
            continue;
        uint32_t word = bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
        sum += word;
        if (sum > 0xFFFF)
            sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return (sum & 0xFFFF) + static_cast<uint32_t>(bytes.size());
}

InspectedVersion InspectVersion(const std::vector<uint8_t> &resource)
{
    InspectedVersion version;
    Bytes f{resource};
    auto align = [](uint64_t v) { return (v + 3) & ~uint64_t{3}; };
    // A node: length, value length, type, key; returns the key and where the
    // value and the children start.
    struct Node {
        uint64_t start, end, value, children;
        uint16_t valueLength, type;
        std::string key;
    };
    auto node = [&](uint64_t at) {
        Node n;
        n.start = at;
        n.end = at + f.U16(at);
        n.valueLength = f.U16(at + 2);
        n.type = f.U16(at + 4);
        uint64_t k = at + 6;
        while (f.U16(k) != 0) {
            n.key += static_cast<char>(f.U16(k));
            k += 2;
        }
        n.value = align(k + 2);
        uint64_t valueBytes = n.type == 1 ? 2ull * n.valueLength : n.valueLength;
        n.children = align(n.value + valueBytes);
        if (n.end > resource.size())
            throw std::runtime_error("version node " + n.key + " runs past the resource");
        return n;
    };
    Node root = node(0);
    if (root.key != "VS_VERSION_INFO" || root.valueLength != 52 || f.U32(root.value) != 0xFEEF04BD)
        throw std::runtime_error("not a VS_VERSIONINFO");
    version.fileVersion = static_cast<uint64_t>(f.U32(root.value + 8)) << 32 | f.U32(root.value + 12);
    version.productVersion = static_cast<uint64_t>(f.U32(root.value + 16)) << 32 | f.U32(root.value + 20);
    for (uint64_t at = root.children; at < root.end;) {
        Node block = node(at);
        for (uint64_t c = block.children; c < block.end;) {
            Node child = node(c);
            if (block.key == "StringFileInfo") {
                version.table = child.key;
                for (uint64_t s = child.children; s < child.end;) {
                    Node string = node(s);
                    std::string text;
                    for (uint16_t i = 0; i + 1 < string.valueLength; i++)
                        text += static_cast<char>(f.U16(string.value + 2 * i));
                    version.strings[string.key] = text;
                    s = align(string.end);
                }
            } else if (block.key == "VarFileInfo" && child.key == "Translation") {
                version.translation = f.U32(child.value);
            }
            c = align(child.end);
        }
        at = align(block.end);
    }
    return version;
}
