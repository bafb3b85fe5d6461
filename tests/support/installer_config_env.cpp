// Linked into the Windows test programs that read SetupConfig: before the
// first test, SetupConfig is this build's (the sample's setup.exe) and
// OtherProductConfig is that of the installer made from
// tests/config/other-product.ini, both read from the built installers by the
// installer's own loader. A missing or refused one fails the program.
#include <gtest/gtest.h>

#include "installer_config.h"
#include "test_files.h"

SetupConfigRecord OtherProductConfig;

namespace {

SetupConfigImage sampleImage, otherImage;

class InstallerConfigEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string sample =
            LoadInstallerConfig(Join(BinDir(), kSampleInstaller), &sampleImage, &SetupConfig);
        ASSERT_EQ("", sample);
        const std::string other =
            LoadInstallerConfig(Join(BinDir(), kOtherProductInstaller), &otherImage, &OtherProductConfig);
        ASSERT_EQ("", other);
    }
};

::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new InstallerConfigEnvironment);

}   // namespace
