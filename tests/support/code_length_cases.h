// Malformed lh5 streams for the extraction campaign, written field by field
// with the support's block writer (lh5_stream_writer.h). Records with any
// header values come from the support's payload_archive.h.
#ifndef TESTS_BADINPUT_BAD_PAYLOADS_H
#define TESTS_BADINPUT_BAD_PAYLOADS_H

#include <cstdint>
#include <string>
#include <vector>

#include "lh5_stream_writer.h"
#include "payload_archive.h"

namespace badinput {

// A stream with one defect in its code lengths, or its sound twin (the same
// stream without the defect), with the bytes the twin decodes to.
struct StreamCase {
    std::string label;
    Bytes stream;
    int64_t unpackedSize;
    bool sound;
    Bytes expected;
};
// Counts above the symbol counts, zero runs past the literal lengths, lengths
// above 16, single-symbol values outside their code, block count 0, codes
// that are incomplete, over-full or empty, and a defect in a later block.
std::vector<StreamCase> CodeLengthCases();

} // namespace badinput

#endif
