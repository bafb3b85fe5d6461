// The build-time configuration of one product's installer.
//
// Exactly one SetupConfig exists per installer. zar writes its values, from
// the product description file (product.ini), into the installer's
// configuration resource; at start-up the program copies that resource into
// static storage and points the record's texts into the copy
// (setup_config_load.h). All texts are NUL-terminated ANSI strings and are
// never modified; desktopIcon is the only field written at run time.
#ifndef SHARED_SETUP_CONFIG_H
#define SHARED_SETUP_CONFIG_H

#include <stdint.h>

enum {
    kTemplateStyleCount = 7
};

struct SetupConfigRecord {
    int32_t desktopIcon;            // non-zero: create the desktop shortcut
    int32_t fileCount;              // entries the payload must yield
    const char *titleText;          // caption after "Installing "
    const char *productName;        // display name, Start Menu folder, uninstall key
    const char *folderName;         // leaf folder of the proposed install directory
    const char *exeBaseName;        // main program is exeBaseName + ".exe"
    int32_t registerUninstall;      // non-zero: uninstall shortcut and registry entry
    char uninstallSwitch[12];       // switch that makes the program uninstall itself
    int32_t uninstallIconIndex;     // icon index of the uninstall shortcut
    int32_t createHelpShortcut;     // non-zero: create the help shortcut
    const char *helpFileName;       // help document inside the install directory
    const char *helpShortcutName;   // file name of the help shortcut
    const char *defaultParentDir;   // parent of the proposed install directory
    const char *templateStyles[kTemplateStyleCount];
};

extern SetupConfigRecord SetupConfig;

#endif
