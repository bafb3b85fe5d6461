// Setup stubs and products made by the tests, so that zar setup is tested
// natively without MinGW: a minimal valid PE32 or PE32+ image with the
// sections .text (holding one relocated pointer), .bss (memory only), .rsrc
// and .reloc, and the
// resources of a generic stub (the mark "ZSTUB"/1, dialog 110, icon group
// 108 with its images, a manifest).
#ifndef TESTS_ZAR_SYNTHETIC_STUB_H
#define TESTS_ZAR_SYNTHETIC_STUB_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A resource type or name: a string when text is not empty, else the id.
struct StubName {
    std::string text;
    uint16_t id = 0;
};

struct StubResource {
    StubName type, name;
    uint16_t language = 0x409;
    std::vector<uint8_t> data;
};

// The resources of a generic stub, in the (unsorted) order the stub's
// directory lists them: the mark (ZCFG, version), the manifest, the dialog,
// icons 1 (32x32) and 2 (16x16) in group 108, icon 7 that no group uses, and
// a named type "AAA" (a name that sorts before "ZSTUB").
std::vector<StubResource> StubResources(uint32_t markVersion = 1);

struct StubImage {
    std::vector<uint8_t> bytes;
    size_t optional = 0;       // file offset of the optional header
    size_t sectionTable = 0;   // file offset of the section table
    uint32_t rsrcRva = 0, relocRva = 0;
    std::vector<uint8_t> reloc;   // the .reloc section's file data
    uint64_t imageBase = 0;
    uint32_t pointerRva = 0;   // the relocated pointer in .text
};

// The image, directory entries written in the order given (not sorted).
StubImage BuildStub(bool win64, const std::vector<StubResource> &resources);

// 16 colour DIB icon image of size x size pixels, filled with colour.
std::vector<uint8_t> IconDib(int size, uint8_t colour);
// An .ico file holding images of the given sizes (DIBs).
std::vector<uint8_t> IcoFile(const std::vector<int> &sizes);

// product.ini text for the test product (exeBaseName "orbit", helpFileName
// "orbit.chm", fileCount count) with every key as the build's product.ini.
std::string ProductIniText(int fileCount);
// The test product's files: orbit.exe, orbit.chm and others, count in all.
std::map<std::string, std::vector<uint8_t>> ProductFiles(int count);

#endif
