// The configuration resource of a setup stub: the one place that fixes its
// layout, shared by the stub that reads it and by zar, which writes it.
//
// A generic setup stub carries no product of its own. `zar setup` adds the
// product's SetupConfig values to it as the resource of type "ZCFG" and name
// 120 (an integer id), in the layout below; the stub copies that resource into
// its static SetupConfig record before the dialog is created.
//
// Layout, version 1: little-endian, no padding, 3,684 bytes in all.
//
//   offset  size  field
//        0     4  magic              the bytes "ZCFG"
//        4     4  version            kSetupConfigVersion (uint32)
//        8     4  size               the whole image, sizeof(SetupConfigImage) (uint32)
//       12     4  desktopIcon        int32
//       16     4  fileCount          int32, at least 1
//       20     4  registerUninstall  int32
//       24     4  uninstallIconIndex int32
//       28     4  createHelpShortcut int32
//       32    12  uninstallSwitch    text
//       44   260  titleText          text
//      304   260  productName        text
//      564   260  folderName         text
//      824   260  exeBaseName        text
//     1084   260  helpFileName       text
//     1344   260  helpShortcutName   text
//     1604   260  defaultParentDir   text
//     1864  7*260 templateStyles     seven texts
//
// Every text is NUL-terminated within its field and padded with NULs. The
// fields hold what the configuration record's fields of the same names hold.
// A stub refuses the resource (one error message box, nothing written) when it
// is missing, has another size, magic or version, a text is not terminated
// within its field, or fileCount is below 1; it also refuses texts that would
// not fit the buffers they are shown in (a titleText over
// kSetupConfigTitleMax characters, defaultParentDir, a backslash and
// folderName over 259 characters).
//
// The stub marks itself as one of ours, and says which layout it reads, with
// a resource of type "ZSTUB" and name 1: the 4 bytes "ZCFG" and the layout
// version as a uint32, 8 bytes in all. zar refuses to make an installer from
// an executable without that mark, or with another version.
//
// This header is portable (no windows.h): the stub and the build machine's
// tools read it alike.
#ifndef SETUP_SETUP_CONFIG_LAYOUT_H
#define SETUP_SETUP_CONFIG_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

enum {
    kSetupConfigResourceId = 120,
    kSetupConfigVersion = 1,
    kSetupConfigTextSize = 260,
    kSetupConfigSwitchSize = 12,
    kSetupConfigStyleCount = 7,
    // "Installing " and the title fill the 260-byte caption buffer.
    kSetupConfigTitleMax = 248,
};

// The resource type name, as a string.
#define SETUP_CONFIG_RESOURCE_TYPE "ZCFG"
// The stub's mark: type name, id and size.
#define SETUP_STUB_MARK_TYPE "ZSTUB"
enum {
    kSetupStubMarkId = 1,
    kSetupStubMarkSize = 8
};
// The first four bytes of the image and of the stub's mark.
#define SETUP_CONFIG_MAGIC "ZCFG"

struct SetupConfigImage {
    char magic[4];
    uint32_t version;
    uint32_t size;
    int32_t desktopIcon;
    int32_t fileCount;
    int32_t registerUninstall;
    int32_t uninstallIconIndex;
    int32_t createHelpShortcut;
    char uninstallSwitch[kSetupConfigSwitchSize];
    char titleText[kSetupConfigTextSize];
    char productName[kSetupConfigTextSize];
    char folderName[kSetupConfigTextSize];
    char exeBaseName[kSetupConfigTextSize];
    char helpFileName[kSetupConfigTextSize];
    char helpShortcutName[kSetupConfigTextSize];
    char defaultParentDir[kSetupConfigTextSize];
    char templateStyles[kSetupConfigStyleCount][kSetupConfigTextSize];
};

static_assert(sizeof(SetupConfigImage) == 3684, "the configuration image has no padding");
static_assert(offsetof(SetupConfigImage, uninstallSwitch) == 32, "layout version 1");
static_assert(offsetof(SetupConfigImage, titleText) == 44, "layout version 1");
static_assert(offsetof(SetupConfigImage, templateStyles) == 1864, "layout version 1");

#endif
