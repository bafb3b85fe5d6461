// lh5 streams with one defect in their code lengths, one table for every
// layer that decodes records: the decoder through the record reader
// (natively, under the sanitizers, and under Wine) and the bad-input
// campaign's installs. Written field by field with the support's block
// writer (lh5_stream_writer.h).
#ifndef TESTS_SUPPORT_CODE_LENGTH_CASES_H
#define TESTS_SUPPORT_CODE_LENGTH_CASES_H

#include <cstdint>
#include <string>
#include <vector>

#include "lh5_stream_writer.h"
#include "payload_archive.h"

namespace cases {

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

}   // namespace cases

#endif
