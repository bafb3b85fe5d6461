// The payload lookup of zar in a setup executable of any content: either a
// clear error, or a span that lies inside the file.
#include <stdlib.h>

#include <string>

#include "pe_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PeResourceSpan span;
    std::string error;
    if (FindZarResource(data, size, span, error)) {
        if ((uint64_t)span.offset + span.size > size)
            abort();
    } else if (error.empty()) {
        abort();   // every failure names its reason
    }
    return 0;
}
