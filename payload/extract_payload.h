// Installing the whole payload archive from the program's own resources.
#ifndef PAYLOAD_EXTRACT_PAYLOAD_H
#define PAYLOAD_EXTRACT_PAYLOAD_H

#include <stdint.h>

enum { kPayloadResourceId = 119 };
#define PAYLOAD_RESOURCE_TYPE "ZAR"

// 1: installed; -1: extraction failed (cancelled set, unless installDir is
// empty); -2: files installed but the Start Menu shortcuts failed.
int32_t ExtractPayload(void);

#endif
