// The resources zar setup makes from a product description: the
// configuration image ("ZCFG"/120, setup/setup_config_layout.h) and the
// version information (RT_VERSION 1), as resources/setup.rc made it.
#ifndef TOOLS_ZAR_SETUP_RESOURCES_H
#define TOOLS_ZAR_SETUP_RESOURCES_H

#include "product_ini.h"

#include <cstdint>
#include <vector>

// The SetupConfigImage of ini, little-endian, texts NUL-padded.
std::vector<uint8_t> BuildSetupConfigImage(const ProductIni &ini);

// A VS_VERSIONINFO: FILEVERSION and PRODUCTVERSION from version (padded to
// four numbers), flags 0, VOS_NT_WINDOWS32, VFT_APP; block "040904B0" with
// CompanyName, FileDescription ("Setup of " titleText), FileVersion,
// InternalName "setup", LegalCopyright ("Copyright (c) " year " " company),
// OriginalFilename "setup.exe", ProductName, ProductVersion; Translation
// 0x409, 1200.
std::vector<uint8_t> BuildVersionInfo(const ProductIni &ini);

// "a.b.c.d" of the version padded to four numbers.
std::string VersionText(const ProductIni &ini);

#endif
