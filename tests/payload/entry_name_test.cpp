// The record name rule itself, on the shared table of names
// (entry_name_cases.h) that extraction, the bad-input campaign and zar
// apply in their turn.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry_name.h"
#include "entry_name_cases.h"

namespace {

TEST(EntryName, NamesThatCouldLeaveTheInstallDirectoryAreRefused)
{
    for (const std::string &name : cases::LeavingNames())
        EXPECT_EQ(EntryNameIsSafe(name.c_str()), 0) << "'" << name << "'";
}

TEST(EntryName, DeviceNamesAreRefusedAtAnyDepth)
{
    for (const std::string &name : cases::DeviceNames()) {
        EXPECT_EQ(EntryNameIsSafe(name.c_str()), 0) << "'" << name << "'";
        // Exactly one of its components is the device.
        int devices = 0;
        const char *start = name.c_str();
        for (const char *p = start;; ++p) {
            if (*p == '\\' || *p == '\0') {
                devices += EntryComponentIsDevice(start, p);
                start = p + 1;
            }
            if (*p == '\0')
                break;
        }
        EXPECT_EQ(devices, 1) << "'" << name << "'";
    }
}

TEST(EntryName, LookalikesAreSafe)
{
    for (const std::string &name : cases::SafeNames())
        EXPECT_EQ(EntryNameIsSafe(name.c_str()), 1) << "'" << name << "'";
}

}   // namespace
