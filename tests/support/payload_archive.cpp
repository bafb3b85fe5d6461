#include "payload_archive.h"

#include "lh5_stream_writer.h"

static void PutU32(Bytes &out, uint64_t value)
{
    for (int i = 0; i < 32; i += 8)
        out.push_back((uint8_t)(value >> i));
}

void AppendRecord(Bytes &archive, const TestRecord &r)
{
    PutU32(archive, r.magic);
    PutU32(archive, r.headerSize < 0 ? 20 + r.name.size() + 1 : (uint64_t)r.headerSize);
    PutU32(archive, r.method);
    PutU32(archive, r.packedSize < 0 ? r.data.size() : (uint64_t)r.packedSize);
    PutU32(archive, r.unpackedSize < 0 ? r.data.size() : (uint64_t)r.unpackedSize);
    archive.insert(archive.end(), r.name.begin(), r.name.end());
    if (r.nul)
        archive.push_back(0);
    archive.insert(archive.end(), r.data.begin(), r.data.end());
}

Bytes BuildArchive(const std::vector<TestRecord> &records)
{
    Bytes archive;
    for (const TestRecord &record : records)
        AppendRecord(archive, record);
    return archive;
}

TestRecord Lh5(const std::string &name, const Bytes &data)
{
    return Lh5Record(name, BitWriter().Literals(data).bytes, (int64_t)data.size());
}
