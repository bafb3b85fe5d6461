// Taking a generic setup stub for zar setup: a PE image of the right machine
// that carries the mark "ZSTUB"/1 of configuration layout version 1 and no
// product yet (no "ZAR" payload, no "ZCFG" configuration).
#ifndef TOOLS_ZAR_SETUP_STUB_H
#define TOOLS_ZAR_SETUP_STUB_H

#include "pe_image.h"
#include "resource_tree.h"

#include <string>
#include <vector>

struct SetupStub {
    PeImage image;
    ResourceTree resources;
    ResourceName language;   // of the stub's mark, used for what zar adds
};

// Checks bytes (read from path, named in messages) as a stub for a 64-bit
// (win64) or 32-bit installer. On failure returns false with error set.
bool TakeSetupStub(const std::string &path, std::vector<uint8_t> bytes, bool win64, SetupStub &stub,
                   std::string &error);

// The type named name (compared without regard to case, as the loader does);
// tree.end() when there is none.
ResourceTree::iterator FindNamedType(ResourceTree &tree, const std::string &name);

#endif
