// The code-length defects of the shared table (code_length_cases.h), each
// next to its sound twin, read from an archive by the record reader and
// decoded as the installer decodes them: in chunks of 8,192 bytes, the
// error tested after each. Natively this runs under the sanitizers too.
#include <gtest/gtest.h>

#include "code_length_cases.h"
#include "lh5_stream_writer.h"
#include "payload_archive.h"
#include "payload_record.h"

namespace {

TEST(Lh5CodeLengths, EveryDefectFailsAndEveryTwinDecodes)
{
    int defects = 0, twins = 0;
    for (const cases::StreamCase &c : cases::CodeLengthCases()) {
        SCOPED_TRACE(c.label);
        Bytes archive = BuildArchive({Lh5Record("damaged.bin", c.stream, c.unpackedSize)});
        archive.shrink_to_fit();   // a read past the record is a read past the buffer
        PayloadRecord record;
        ASSERT_EQ(PayloadReadRecord(archive.data(), 0, (uint32_t)archive.size(), &record), 1);
        ASSERT_EQ(record.method, (uint32_t)kPayloadMethodLh5);
        // The record's data alone, in a buffer of its own size.
        Bytes stream(record.data, record.data + record.packedSize);
        int errorChunk = 0;
        Bytes out = DecodeRecord(stream, record.unpackedSize, &errorChunk);
        if (c.sound) {
            ++twins;
            EXPECT_EQ(errorChunk, -1);
            EXPECT_EQ(out, c.expected);
        } else {
            ++defects;
            EXPECT_NE(errorChunk, -1) << "decoded without an error";
        }
    }
    EXPECT_GT(defects, 0);
    EXPECT_GT(twins, 0);
}

}   // namespace
