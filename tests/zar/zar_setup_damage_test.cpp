// Damaged stubs never make zar setup read outside the file: every
// truncation and many random byte changes of the synthetic stubs are taken
// through the stub checks and, when accepted, through writing the image
// again (under AddressSanitizer in the asan preset).
#include "synthetic_stub.h"

#include "pe_image.h"
#include "resource_tree.h"
#include "setup_stub.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Takes bytes as a stub; when taken, writes it again with one more resource.
// Returns whether the stub was taken.
bool TakeAndWrite(const std::vector<uint8_t> &bytes, bool win64, std::string &error)
{
    SetupStub stub;
    if (!TakeSetupStub("stub.exe", bytes, win64, stub, error))
        return false;
    stub.resources[ResourceName::String("ZAR")][ResourceName::Id(119)][stub.language].data = {1, 2, 3};
    const PeSection &rsrc = stub.image.sections[stub.image.resourceSection];
    std::vector<uint8_t> out;
    EXPECT_TRUE(
        WritePeImage(stub.image, BuildResourceSection(stub.resources, rsrc.virtualAddress), out, error))
        << error;
    // What was written is itself a valid image with the same resources.
    PeImage again;
    ResourceTree tree;
    EXPECT_TRUE(ReadPeImage(out, again, error)) << error;
    EXPECT_TRUE(ReadResourceTree(again, tree, error)) << error;
    EXPECT_EQ(tree, stub.resources);
    return true;
}

TEST(ZarSetupDamage, EveryTruncationIsRefusedWithAReason)
{
    for (bool win64 : {false, true}) {
        const std::vector<uint8_t> stub = BuildStub(win64, StubResources()).bytes;
        std::string error;
        ASSERT_TRUE(TakeAndWrite(stub, win64, error)) << error;
        for (size_t size = 0; size < stub.size(); size++) {
            std::vector<uint8_t> cut(stub.begin(), stub.begin() + static_cast<long>(size));
            error.clear();
            EXPECT_FALSE(TakeAndWrite(cut, win64, error)) << size;
            EXPECT_FALSE(error.empty()) << size;
        }
    }
}

TEST(ZarSetupDamage, RandomDamageToHeadersAndResourcesNeverReadsOutside)
{
    std::mt19937 random(20261208);
    for (bool win64 : {false, true}) {
        const StubImage image = BuildStub(win64, StubResources());
        const size_t rsrcEnd = 0x400 + 0x1000;   // the headers, .text and the resource directory
        int taken = 0;
        for (int round = 0; round < 3000; round++) {
            std::vector<uint8_t> bytes = image.bytes;
            int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; i++) {
                size_t at = random() % std::min(rsrcEnd, bytes.size());
                bytes[at] = static_cast<uint8_t>(random() % 3 == 0 ? 0xFF : random());
            }
            std::string error;
            if (TakeAndWrite(bytes, win64, error))
                taken++;
            else
                EXPECT_FALSE(error.empty());
        }
        // Most changes hit bytes that do not matter; some must be refused.
        EXPECT_GT(taken, 100);
        EXPECT_LT(taken, 3000);
    }
}

}   // namespace

namespace {

// A small tree whose directories share their subdirectories stands for a
// huge one: reading it stops at a bound instead of taking unbounded time.
TEST(ZarSetupDamage, SharedSubdirectoriesCannotMultiplyTheWork)
{
    std::vector<StubResource> resources = StubResources();
    resources.push_back({{"", 10}, {"", 1}, 0x409, std::vector<uint8_t>(40000, 7)});
    std::vector<uint8_t> bytes = BuildStub(false, resources).bytes;
    const size_t rsrc = 0x400, count = 1100;
    const size_t names = 16 + 8 * count, languages = names + 16 + 8 * count;
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            bytes[rsrc + at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::fill(bytes.begin() + rsrc, bytes.begin() + rsrc + languages + 16, 0);
    put(12, static_cast<uint32_t>(count) << 16);   // root: count id entries
    put(names + 12, static_cast<uint32_t>(count) << 16);
    for (uint32_t i = 0; i < count; i++) {
        put(16 + 8 * i, i + 1);
        put(16 + 8 * i + 4, 0x80000000u | static_cast<uint32_t>(names));
        put(names + 16 + 8 * i, i + 1);
        put(names + 16 + 8 * i + 4, 0x80000000u | static_cast<uint32_t>(languages));
    }
    std::string error;
    EXPECT_FALSE(TakeAndWrite(bytes, false, error));
    EXPECT_NE(error.find("more than 1048576 directory entries"), std::string::npos) << error;
}

}   // namespace
