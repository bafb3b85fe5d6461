// The sample program's icons: the program itself and its uninstaller, each
// at 32 x 32 and 16 x 16.
#ifndef TOOLS_SAMPLEGEN_ICON_ART_H
#define TOOLS_SAMPLEGEN_ICON_ART_H

#include "raster.h"

#include <string>
#include <vector>

// kind: "program" or "uninstall". Empty for an unknown kind.
std::vector<Raster> DrawProgramIcon(const std::string &kind);

#endif
