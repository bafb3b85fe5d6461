#include "pe_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const uint32_t kMaxSections = 96;
const uint32_t kInitializedData = 0x40;   // IMAGE_SCN_CNT_INITIALIZED_DATA
const uint32_t kPage = 4096;

uint16_t U16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

bool PowerOfTwo(uint32_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// What the loader maps of a section: its virtual size, or its raw size when
// the virtual size is 0.
uint32_t Span(const PeSection &s)
{
    return s.virtualSize != 0 ? s.virtualSize : s.rawSize;
}

}   // namespace

uint32_t PeImage::DirectoryRva(uint32_t index) const
{
    return index < directoryCount ? U32(file.data() + directories + 8 * index) : 0;
}

uint32_t PeImage::DirectorySize(uint32_t index) const
{
    return index < directoryCount ? U32(file.data() + directories + 8 * index + 4) : 0;
}

bool PeImage::Map(uint32_t rva, uint32_t size, size_t &offset) const
{
    for (const PeSection &s : sections) {
        uint32_t backed = s.rawSize < Span(s) ? s.rawSize : Span(s);
        if (rva < s.virtualAddress || rva - s.virtualAddress >= Span(s))
            continue;
        uint32_t inside = rva - s.virtualAddress;
        if (inside > backed || size > backed - inside)
            return false;
        offset = static_cast<size_t>(s.rawPointer) + inside;
        return true;
    }
    return false;
}

bool ReadPeImage(std::vector<uint8_t> file, PeImage &image, std::string &error)
{
    image = PeImage();
    image.file = std::move(file);
    const std::vector<uint8_t> &f = image.file;
    const uint64_t size = f.size();
    auto damaged = [&](const std::string &what) {
        error = "damaged PE headers: " + what;
        return false;
    };
    if (size < 64 || f[0] != 'M' || f[1] != 'Z')
        return damaged(size < 64 ? "the DOS header is truncated" : "no \"MZ\" at the start");
    uint32_t peOffset = U32(f.data() + 0x3C);
    if (peOffset % 4 != 0 || static_cast<uint64_t>(peOffset) + 24 > size)
        return damaged("the PE header offset " + Hex(peOffset) + " is unaligned or lies outside the file");
    if (U32(f.data() + peOffset) != 0x00004550)
        return damaged("no PE signature at offset " + Hex(peOffset));
    const size_t coff = peOffset + 4;
    image.machine = U16(f.data() + coff);
    uint32_t sectionCount = U16(f.data() + coff + 2);
    uint32_t symbolTable = U32(f.data() + coff + 8);
    uint32_t optionalSize = U16(f.data() + coff + 16);
    image.optional = coff + 20;
    if (image.machine != kMachineI386 && image.machine != kMachineAmd64)
        return damaged("machine " + Hex(image.machine) + " is neither i386 nor x86-64");
    if (image.optional + optionalSize > size || optionalSize < 2)
        return damaged("the optional header is truncated");
    uint16_t magic = U16(f.data() + image.optional);
    image.pe32plus = magic == 0x20B;
    if ((magic != 0x10B && magic != 0x20B) || image.pe32plus != (image.machine == kMachineAmd64))
        return damaged("optional header magic " + Hex(magic) + " does not fit machine " + Hex(image.machine));
    const uint32_t countField = image.pe32plus ? 108 : 92;
    const uint32_t directoriesField = image.pe32plus ? 112 : 96;
    if (optionalSize < directoriesField)
        return damaged("the optional header is truncated");
    image.directoryCount = U32(f.data() + image.optional + countField);
    if (image.directoryCount > 16 || image.directoryCount <= kDirectoryBaseRelocation ||
        optionalSize < directoriesField + 8 * image.directoryCount)
        return damaged("the optional header holds " + std::to_string(image.directoryCount) +
                       " data directories in " + std::to_string(optionalSize) + " bytes");
    image.directories = image.optional + directoriesField;
    image.sectionAlignment = U32(f.data() + image.optional + 32);
    image.fileAlignment = U32(f.data() + image.optional + 36);
    uint32_t sizeOfImage = U32(f.data() + image.optional + 56);
    image.sizeOfHeaders = U32(f.data() + image.optional + 60);
    if (!PowerOfTwo(image.fileAlignment) || image.fileAlignment < 512 || image.fileAlignment > 65536 ||
        !PowerOfTwo(image.sectionAlignment) || image.sectionAlignment < image.fileAlignment)
        return damaged("file alignment " + Hex(image.fileAlignment) + " or section alignment " +
                       Hex(image.sectionAlignment) + " is invalid");
    if (symbolTable != 0)
        return damaged("it has a COFF symbol table (the stub must be stripped)");
    if (sectionCount == 0 || sectionCount > kMaxSections)
        return damaged(std::to_string(sectionCount) + " sections");
    const uint64_t table = image.optional + optionalSize;
    const uint64_t tableEnd = table + 40ull * sectionCount;
    if (tableEnd > image.sizeOfHeaders || image.sizeOfHeaders > size ||
        image.sizeOfHeaders % image.fileAlignment != 0)
        return damaged("the section table or SizeOfHeaders (" + Hex(image.sizeOfHeaders) +
                       ") runs past the headers or the file");

    uint64_t nextVirtual = AlignUp(image.sizeOfHeaders, image.sectionAlignment);
    uint64_t nextRaw = image.sizeOfHeaders;
    for (uint32_t i = 0; i < sectionCount; i++) {
        const uint8_t *h = f.data() + table + 40 * i;
        PeSection s;
        s.header = static_cast<size_t>(table + 40 * i);
        for (int k = 0; k < 8 && h[k]; k++)
            s.name += static_cast<char>(h[k]);
        s.virtualSize = U32(h + 8);
        s.virtualAddress = U32(h + 12);
        s.rawSize = U32(h + 16);
        s.rawPointer = U32(h + 20);
        s.characteristics = U32(h + 36);
        const std::string label = "section " + std::to_string(i + 1);
        if (s.virtualAddress % image.sectionAlignment != 0 || s.virtualAddress < nextVirtual)
            return damaged(label + " starts at " + Hex(s.virtualAddress) +
                           ", unaligned or overlapping what comes before it in memory");
        if (Span(s) == 0)
            return damaged(label + " is empty");
        nextVirtual = AlignUp(static_cast<uint64_t>(s.virtualAddress) + Span(s), image.sectionAlignment);
        if (nextVirtual > 0x80000000ull)
            return damaged(label + " runs past 2 GiB in memory");
        if (s.rawSize != 0) {
            if (s.rawPointer % image.fileAlignment != 0 || s.rawSize % image.fileAlignment != 0 ||
                s.rawPointer < nextRaw || static_cast<uint64_t>(s.rawPointer) + s.rawSize > size)
                return damaged(label + " file data (" + Hex(s.rawSize) + " bytes at " + Hex(s.rawPointer) +
                               ") is unaligned, out of order or runs past the end of the file");
            nextRaw = static_cast<uint64_t>(s.rawPointer) + s.rawSize;
        }
        image.sections.push_back(s);
    }
    if (sizeOfImage != nextVirtual)
        return damaged("SizeOfImage " + Hex(sizeOfImage) + " is not the end of the last section " +
                       Hex(nextVirtual));
    if (image.DirectoryRva(kDirectoryCertificate) != 0 || image.DirectorySize(kDirectoryCertificate) != 0) {
        error = "the stub is signed (it has a certificate table); sign the finished installer instead";
        return false;
    }
    if (nextRaw != size) {
        error = "the stub has " + std::to_string(size - nextRaw) +
                " bytes after its last section (overlay data); it cannot be rewritten";
        return false;
    }

    // The resources: a section of their own, followed at most by .reloc.
    uint32_t resourceRva = image.DirectoryRva(kDirectoryResource);
    uint32_t resourceSize = image.DirectorySize(kDirectoryResource);
    bool found = false;
    for (size_t i = 0; i < image.sections.size(); i++) {
        const PeSection &s = image.sections[i];
        if (resourceRva != s.virtualAddress)
            continue;
        if (s.name != ".rsrc" || resourceSize == 0 || resourceSize > Span(s) || resourceSize > s.rawSize)
            return damaged("the resource directory (" + Hex(resourceSize) + " bytes at " + Hex(resourceRva) +
                           ") is not the start of a section .rsrc that holds it");
        image.resourceSection = i;
        found = true;
    }
    if (!found)
        return damaged(resourceRva == 0
                           ? std::string("the image has no resources")
                           : "the resource directory " + Hex(resourceRva) + " does not start a section");
    const size_t after = image.resourceSection + 1;
    if (image.sections.size() > after + 1 ||
        (image.sections.size() == after + 1 && image.sections[after].name != ".reloc")) {
        error = "the stub has a section '" + image.sections[after].name +
                "' after .rsrc; only .reloc may follow the resources";
        return false;
    }
    if (image.sections.size() == after + 1) {
        const PeSection &reloc = image.sections[after];
        uint32_t relocRva = image.DirectoryRva(kDirectoryBaseRelocation);
        uint32_t relocSize = image.DirectorySize(kDirectoryBaseRelocation);
        if (relocRva < reloc.virtualAddress || relocSize > Span(reloc) ||
            relocRva - reloc.virtualAddress > Span(reloc) - relocSize)
            return damaged("the .reloc section does not hold the base relocation directory");
    }
    // No other directory may point into what moves or changes.
    const PeSection &rsrc = image.sections[image.resourceSection];
    for (uint32_t d = 0; d < image.directoryCount; d++) {
        if (d == kDirectoryResource || d == kDirectoryBaseRelocation || d == kDirectoryCertificate)
            continue;
        uint32_t rva = image.DirectoryRva(d), length = image.DirectorySize(d);
        if (rva == 0 && length == 0)
            continue;
        if (static_cast<uint64_t>(rva) + length > rsrc.virtualAddress)
            return damaged("data directory " + std::to_string(d) + " reaches into .rsrc or after it");
    }
    return true;
}

bool WritePeImage(const PeImage &image, const std::vector<uint8_t> &resources, std::vector<uint8_t> &out,
                  std::string &error)
{
    const PeSection &rsrc = image.sections[image.resourceSection];
    if (resources.empty() || resources.size() > 0x7FFFFFFFu) {
        error = "the resources would be " + std::to_string(resources.size()) + " bytes";
        return false;
    }
    const uint32_t resourceSize = static_cast<uint32_t>(resources.size());
    const uint64_t rsrcRaw = AlignUp(resourceSize, image.fileAlignment);
    uint64_t end = AlignUp(static_cast<uint64_t>(rsrc.virtualAddress) + resourceSize, image.sectionAlignment);
    if (end > 0x80000000ull) {
        error = "the setup executable would exceed 2 GiB in memory";
        return false;
    }

    // The resources start on a page boundary of the file, as they do in
    // memory: a loader can then map the payload from the file rather than
    // read it into private memory (Wine's reads any section whose file
    // offset and address differ within a page), so the installer's private
    // memory stays the same whatever the product's size.
    const uint32_t rsrcAt =
        static_cast<uint32_t>(AlignUp(rsrc.rawPointer, std::max(image.fileAlignment, kPage)));
    out.assign(image.file.begin(), image.file.begin() + rsrc.rawPointer);
    out.resize(rsrcAt, 0);
    out.insert(out.end(), resources.begin(), resources.end());
    out.resize(static_cast<size_t>(rsrcAt + rsrcRaw), 0);
    Put32(out, rsrc.header + 8, resourceSize);
    Put32(out, rsrc.header + 16, static_cast<uint32_t>(rsrcRaw));
    Put32(out, rsrc.header + 20, rsrcAt);
    Put32(out, image.directories + 8 * kDirectoryResource, rsrc.virtualAddress);
    Put32(out, image.directories + 8 * kDirectoryResource + 4, resourceSize);

    // .reloc, if there, moves to the next aligned address and offset.
    if (image.resourceSection + 1 < image.sections.size()) {
        const PeSection &reloc = image.sections[image.resourceSection + 1];
        const uint32_t newRva = static_cast<uint32_t>(end);
        const uint32_t newRaw = static_cast<uint32_t>(out.size());
        end = AlignUp(static_cast<uint64_t>(newRva) + Span(reloc), image.sectionAlignment);
        if (end > 0x80000000ull || out.size() + static_cast<uint64_t>(reloc.rawSize) > 0xFFFFFFFFull) {
            error = "the setup executable would exceed 2 GiB in memory";
            return false;
        }
        out.insert(out.end(), image.file.begin() + reloc.rawPointer,
                   image.file.begin() + reloc.rawPointer + reloc.rawSize);
        Put32(out, reloc.header + 12, newRva);
        if (reloc.rawSize != 0)
            Put32(out, reloc.header + 20, newRaw);
        uint32_t relocRva = image.DirectoryRva(kDirectoryBaseRelocation);
        Put32(out, image.directories + 8 * kDirectoryBaseRelocation,
              newRva + (relocRva - reloc.virtualAddress));
    }
    if (out.size() > 0xFFFFFFFFull) {
        error = "the setup executable would exceed 4 GiB - 1 bytes";
        return false;
    }
    Put32(out, image.optional + 56, static_cast<uint32_t>(end));   // SizeOfImage
    if (rsrc.characteristics & kInitializedData) {
        uint64_t initialized = U32(out.data() + image.optional + 8);
        initialized = initialized >= rsrc.rawSize ? initialized - rsrc.rawSize : 0;
        initialized += rsrcRaw;
        Put32(out, image.optional + 8,
              initialized > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(initialized));
    }
    Put32(out, PeChecksumField(image), 0);
    Put32(out, PeChecksumField(image), PeChecksum(out, PeChecksumField(image)));
    return true;
}

uint32_t PeChecksum(const std::vector<uint8_t> &file, size_t checksumField)
{
    uint64_t sum = 0;
    const size_t size = file.size();
    for (size_t i = 0; i < size; i += 2) {
        uint32_t word = file[i];
        if (i + 1 < size)
            word |= static_cast<uint32_t>(file[i + 1]) << 8;
        if (i >= checksumField && i < checksumField + 4)
            word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + size);
}
