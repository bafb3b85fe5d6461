// A Windows icon file (.ico) and the icon group that carries it in an
// executable's resources (RT_GROUP_ICON with its RT_ICON images).
#ifndef TOOLS_ZAR_ICON_FILE_H
#define TOOLS_ZAR_ICON_FILE_H

#include "resource_tree.h"

#include <cstdint>
#include <string>
#include <vector>

struct IconImage {
    uint8_t width = 0, height = 0, colorCount = 0;   // 0 stands for 256 in width and height
    uint16_t planes = 0, bitCount = 0;
    std::vector<uint8_t> data;   // a BITMAPINFOHEADER image or a PNG
};

// Reads an .ico file: the header (reserved 0, type 1, at least one image),
// each image within the file and either a PNG or a DIB whose size matches
// its entry. Refuses, with error set, a file that is not such an icon and one
// without both a 32x32 and a 16x16 image.
bool ParseIconFile(const std::vector<uint8_t> &bytes, std::vector<IconImage> &images, std::string &error);

// Puts images into tree as the icon group groupId, in language language:
// the images of the group's former contents that no other group uses are
// dropped, the new images get the lowest RT_ICON ids no other image has.
void ReplaceIconGroup(ResourceTree &tree, uint16_t groupId, const ResourceName &language,
                      const std::vector<IconImage> &images);

// The RT_ICON ids an RT_GROUP_ICON resource refers to; false if it is not
// a well-formed group.
bool IconGroupIds(const std::vector<uint8_t> &group, std::vector<uint16_t> &ids);

#endif
