// The product description file (product/product.ini) that zar setup turns
// into a setup executable's configuration and version information.
//
// The format the build has always read: "key=value" lines; blank lines,
// "[Section]" lines and lines starting with ';' are ignored, blanks around
// keys and values are dropped, a UTF-8 byte order mark at the start and a
// carriage return at the end of each line are allowed. Every key is given
// once, except templateStyle, given exactly seven times.
#ifndef TOOLS_ZAR_PRODUCT_INI_H
#define TOOLS_ZAR_PRODUCT_INI_H

#include <cstdint>
#include <string>
#include <vector>

struct ProductValue {
    std::string text;
    int line = 0;   // where it was given, from 1
};

struct ProductIni {
    std::string file;   // as named on the command line, for messages
    int lastLine = 0;   // the number of the file's last line

    ProductValue titleText, productName, folderName, exeBaseName, helpFileName, helpShortcutName,
        defaultParentDir, version, company, copyrightYear, uninstallSwitch;
    ProductValue desktopIcon, registerUninstall, uninstallIconIndex, createHelpShortcut, fileCount;
    std::vector<ProductValue> templateStyles;

    // Read from the values above by ParseProductIni.
    int32_t desktopIconValue = 0, registerUninstallValue = 0, uninstallIconIndexValue = 0,
            createHelpShortcutValue = 0, fileCountValue = 0;
    uint16_t versionNumbers[4] = {0, 0, 0, 0};   // padded with zeros

    // "FILE:LINE: message" for the line of value (line 0 when it has none).
    std::string At(const ProductValue &value, const std::string &message) const;
};

// Reads and checks path. Every problem found is appended to errors as
// "FILE:LINE: message" (a missing key: "FILE:0: ..."); true when there is
// none. copyrightYear may be left out: the year of SOURCE_DATE_EPOCH when
// that is set, else the current year (UTC), as the build has done.
bool ParseProductIni(const std::string &path, ProductIni &ini, std::vector<std::string> &errors);

// The checks against the folder being packed: fileCount is the number of
// files, exeBaseName.exe and helpFileName are among them (names with '\'
// between components, as packed). Appends "FILE:LINE: message" to errors.
void CheckProductFiles(const ProductIni &ini, const std::vector<std::string> &names,
                       std::vector<std::string> &errors);

// The proposed install directory: defaultParentDir, a backslash, folderName.
std::string ProposedDirectory(const ProductIni &ini);

#endif
