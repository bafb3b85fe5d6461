// Reading a setup stub's PE image (PE32 or PE32+) strictly enough to rewrite
// it, and writing it again with a new resource section.
//
// Only images laid out as a linker lays them out are taken: sections in
// ascending order in memory and in the file, aligned, within the file; the
// resources in a section of their own named ".rsrc", followed at most by the
// base relocations in a section ".reloc"; nothing after the last section
// (no overlay, no certificate table, no COFF symbol table). Every offset is
// checked before it is read.
#ifndef TOOLS_ZAR_PE_IMAGE_H
#define TOOLS_ZAR_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : uint16_t {
    kMachineI386 = 0x14C,
    kMachineAmd64 = 0x8664
};
enum : uint32_t {
    kDirectoryResource = 2,
    kDirectoryCertificate = 4,
    kDirectoryBaseRelocation = 5,
};

struct PeSection {
    std::string name;   // up to 8 characters
    uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0, characteristics = 0;
    size_t header = 0;   // file offset of its section header
};

struct PeImage {
    std::vector<uint8_t> file;
    bool pe32plus = false;
    uint16_t machine = 0;
    size_t optional = 0;      // file offset of the optional header
    size_t directories = 0;   // file offset of the data directories
    uint32_t directoryCount = 0;
    uint32_t fileAlignment = 0, sectionAlignment = 0, sizeOfHeaders = 0;
    std::vector<PeSection> sections;
    size_t resourceSection = 0;   // index of .rsrc in sections

    uint32_t DirectoryRva(uint32_t index) const;
    uint32_t DirectorySize(uint32_t index) const;
    // The file offset of rva..rva+size when it lies wholly within one
    // section's file data; false otherwise.
    bool Map(uint32_t rva, uint32_t size, size_t &offset) const;
};

// Checks file and reads its headers into image (which takes the bytes). On
// failure returns false with error set to a one-line reason.
bool ReadPeImage(std::vector<uint8_t> file, PeImage &image, std::string &error);

// The image with its resource section's contents replaced by resources
// (built for the section's unchanged address) and starting at a page
// boundary of the file, the section after it (.reloc) moved to the next aligned address and offset, and the headers
// (section table, SizeOfImage, SizeOfInitializedData, the resource and base
// relocation directories, the checksum) updated.
bool WritePeImage(const PeImage &image, const std::vector<uint8_t> &resources, std::vector<uint8_t> &out,
                  std::string &error);

// The image checksum as the loader computes it: the 16-bit one's-complement
// sum of the file's words with the 4 bytes at checksumField taken as zero,
// plus the file's length.
uint32_t PeChecksum(const std::vector<uint8_t> &file, size_t checksumField);

// The offset of the CheckSum field: optional header + 64.
inline size_t PeChecksumField(const PeImage &image)
{
    return image.optional + 64;
}

#endif
