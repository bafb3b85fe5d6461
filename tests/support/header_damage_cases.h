// Damage to one record's header, one table for every layer that reads
// records: the record reader (natively and under Wine), zar's test, entry
// extraction and the bad-input campaign under Wine. Each case is a record
// with one lie in its header; what the archive holds after it is the
// layer's own (room says whether a record may follow).
#ifndef TESTS_SUPPORT_HEADER_DAMAGE_CASES_H
#define TESTS_SUPPORT_HEADER_DAMAGE_CASES_H

#include <string>
#include <vector>

#include "payload_archive.h"

namespace cases {

// What lies. The record reader refuses all but kSizes, which the extraction
// (and zar test) refuse when they compare the sizes with the record's data.
enum class Field {
    kMagic,
    kHeaderSize,
    kName,
    kBounds,
    kSizes
};

struct HeaderDamage {
    std::string label;
    Field field;
    TestRecord record;   // the damaged record
    bool room;           // whether a record may follow it (else it must end the archive)
    bool ReaderRefuses() const { return field != Field::kSizes; }
};

// Stored records named "evil.txt" holding "EVIL", and lh5 ones "evil.bin"
// of 700 bytes, each with one field made to lie.
const std::vector<HeaderDamage> &HeaderDamages();

}   // namespace cases

#endif
