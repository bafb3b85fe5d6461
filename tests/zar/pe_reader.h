// Reading zar setup's output in the tests, independently of zar's own PE
// code: headers, sections, data directories and the whole resource tree,
// with every rule of the resource directory's layout checked on the way.
#ifndef TESTS_ZAR_PE_READER_H
#define TESTS_ZAR_PE_READER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct InspectedSection {
    std::string name;
    uint32_t virtualSize = 0, rva = 0, rawSize = 0, rawPointer = 0;
};

// A resource as "type/name/language": "ZAR/119/1033", "3/1/1033".
struct InspectedPe {
    bool pe32plus = false;
    uint16_t machine = 0;
    size_t optional = 0;
    uint32_t checksum = 0, sizeOfImage = 0, sizeOfInitializedData = 0, fileAlignment = 0,
             sectionAlignment = 0;
    std::vector<InspectedSection> sections;
    std::vector<std::pair<uint32_t, uint32_t>> directories;   // rva, size
    std::map<std::string, std::vector<uint8_t>> resources;
    std::vector<std::string> resourceOrder;    // keys in directory order
    std::vector<std::string> layoutProblems;   // order, alignment, time stamps
};

// Reads bytes; throws std::runtime_error on anything malformed.
InspectedPe InspectPe(const std::vector<uint8_t> &bytes);

// The checksum computed as a reference: 32-bit additions of the file's
// 16-bit words folded at the end, the checksum field skipped, plus the size.
uint32_t ReferenceChecksum(const std::vector<uint8_t> &bytes, size_t checksumField);

// The strings of a VS_VERSIONINFO's StringFileInfo block, by key, and its
// table's key ("040904B0"), translation and fixed file and product versions.
struct InspectedVersion {
    std::string table;
    std::map<std::string, std::string> strings;
    uint32_t translation = 0;
    uint64_t fileVersion = 0, productVersion = 0;
};
InspectedVersion InspectVersion(const std::vector<uint8_t> &resource);

#endif
