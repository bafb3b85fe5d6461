// Locating the payload archive inside a setup executable: the resource of
// type "ZAR" (a string type name) and name 119 (an integer id), any language,
// found through the PE resource directory and mapped to a file offset through
// the section table. Works on PE32 and PE32+ images held in memory; every
// offset is checked against the file before it is read. An address is mapped
// through the one section that holds it, and a range must lie wholly in that
// section's file data; images whose sections overlap in memory are refused,
// so no address can stand for two places in the file.
#ifndef TOOLS_ZAR_PE_RESOURCE_H
#define TOOLS_ZAR_PE_RESOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>

struct PeResourceSpan {
    uint32_t offset = 0;   // file offset of the resource data
    uint32_t size = 0;     // its size in bytes
};

enum {
    kZarResourceId = 119
};

// Finds the "ZAR"/119 resource. On failure returns false and sets error to a
// one-line reason ("malformed PE: ...", or "no \"ZAR\" resource ...").
bool FindZarResource(const uint8_t *file, size_t fileSize, PeResourceSpan &span, std::string &error);

#endif
