// Clean-up of an earlier installation in the target directory: removal of
// the older product generation, and the refresh of the current one's help
// cache and template styles. Every step is best effort: a failure is passed
// over and the next step runs. Every folder worked in is held while it is
// used, and everything inside it is done through its handle
// (folder_handle.h); one that is a link is passed over like any failure.
#include <windows.h>

#include "remove_older.h"
#include "clear_directory.h"
#include "folder_handle.h"
#include "shell_folders.h"
#include "uninstall.h"
#include "path_text.h"
#include "setup_config.h"

// The older generation's files, deleted in this order.
static const char *const kOlderFiles[] = {
    "readme.txt", "template.txt", "regform.txt", "varnik.exe", "varnik.hlp", "varnik.gid", "varnik.ini",
};

// Holds the folder path names, a user's or the registry's text; an empty
// text, which would name the current drive's root, is passed over.
static int32_t HoldNamedFolder(const char *path, HANDLE *folder)
{
    *folder = INVALID_HANDLE_VALUE;
    return path[0] != 0 && HoldFolder(path, 0, folder) == kEntryHeld;
}

int32_t RemoveOlderVersionIn(HANDLE dir)
{
    if (dir != INVALID_HANDLE_VALUE) {
        for (unsigned i = 0; i < sizeof kOlderFiles / sizeof kOlderFiles[0]; ++i) {
            DeleteChild(dir, kOlderFiles[i]);
        }
        // Set the old templates aside through its own handle; an existing
        // "oldtemplates" is never replaced, the folder then keeps its name.
        // A "templates" that is a link stays as it is.
        RenameChildFolder(dir, "templates", "oldtemplates");
    }
    RemoveOldStartMenuEntries();
    RemoveUninstallEntry();
    return 1;
}

int32_t RemoveOlderVersion(const char *path)
{
    HANDLE dir;
    HoldNamedFolder(path, &dir);
    RemoveOlderVersionIn(dir);
    ReleaseHandle(dir);
    return 1;
}

int32_t RemoveOldStartMenuEntries(void)
{
    char programsDir[kPathSize];
    char desktopDir[kPathSize];
    int32_t programsFound;
    int32_t desktopFound;
    if (ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound) == 0)
        return 0;

    // The user's own Programs and Desktop folders may lead elsewhere; below
    // them nothing is followed.
    HANDLE folder;
    if (programsFound && HoldShellFolder(programsDir, &folder) == kEntryHeld) {
        HANDLE menu;
        if (HoldChildFolder(folder, "varnik", 0, DELETE, &menu) == kEntryHeld) {
            if (ClearDirectoryTree(menu, NULL, lstrlenA(programsDir) + 7))
                RemoveHeldFolder(menu);
            CloseHandle(menu);
        }
        CloseHandle(folder);
    }
    // The old desktop shortcut goes by its own entry, never followed.
    if (desktopFound && HoldShellFolder(desktopDir, &folder) == kEntryHeld) {
        DeleteChild(folder, "varnik.lnk");
        CloseHandle(folder);
    }
    return 1;
}

int32_t RemoveHelpCacheIn(HANDLE dir)
{
    DeleteChild(dir, "varnik.hlp");
    DeleteChild(dir, "varnik.gid");
    return 1;
}

int32_t RemoveHelpCache(const char *path)
{
    HANDLE dir;
    if (HoldNamedFolder(path, &dir)) {
        RemoveHelpCacheIn(dir);
        CloseHandle(dir);
    }
    return 1;
}

int32_t ClearTemplateStyles(const char *path)
{
    HANDLE dir;
    if (!HoldNamedFolder(path, &dir))
        return 1;
    ClearTemplateStylesIn(dir, PathPrefixLength(path));
    CloseHandle(dir);
    return 1;
}

int32_t ClearTemplateStylesIn(HANDLE dir, int32_t length)
{
    // Only the listed style folders are emptied; they stay in place, and
    // anything else in "templates" is left alone. A style whose path would
    // not fit is passed over, and so is a style folder that is a link.
    HANDLE templates;
    if (HoldChildFolder(dir, "templates", 0, 0, &templates) == kEntryHeld) {
        for (int i = 0; i < kTemplateStyleCount; ++i) {
            const char *name = SetupConfig.templateStyles[i];
            const int32_t styleLength = length + 10 + lstrlenA(name);
            HANDLE style;
            if (styleLength < kPathSize && HoldChildFolder(templates, name, 0, 0, &style) == kEntryHeld) {
                ClearDirectoryTree(style, NULL, styleLength);
                CloseHandle(style);
            }
        }
        CloseHandle(templates);
    }
    return 1;
}
