// The configuration record of a built installer, read by the installer's own
// loader (setup_config_load.h) from the installer's configuration resource:
// the tests know the product they drive or link from the very bytes the
// installer starts with, not from a second reading of product.ini.
#ifndef TESTS_SUPPORT_INSTALLER_CONFIG_H
#define TESTS_SUPPORT_INSTALLER_CONFIG_H

#include <string>

#include "setup_config_load.h"

// Fills *record (its texts pointing into *copy) from the configuration
// resource of the executable at exe, loaded as a data file. Returns "" or
// what went wrong.
std::string LoadInstallerConfig(const std::string &exe, SetupConfigImage *copy, SetupConfigRecord *record);

// The installers the build makes with zar: the sample product's setup.exe
// and the one of tests/config/other-product.ini, both in the folder of the
// test programs.
inline const char kSampleInstaller[] = "setup.exe";
inline const char kOtherProductInstaller[] = "other-product-setup.exe";

// Another product's configuration record (tests/config/other-product.ini),
// every name of which differs from this build's; filled before the first
// test by installer_config_env.cpp in the programs that link it.
extern SetupConfigRecord OtherProductConfig;

#endif
