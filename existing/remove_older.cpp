// Clean-up of an earlier installation in the target directory: removal of
// the older product generation, and the refresh of the current one's help
// cache and template styles. Every step is best effort: a failure is passed
// over and the next step runs. Every folder worked in is held while it is
// used (folder_guard.h); one that is a link is passed over like any failure.
#include <windows.h>

#include "remove_older.h"
#include "clear_directory.h"
#include "folder_guard.h"
#include "shell_folders.h"
#include "uninstall.h"
#include "path_text.h"
#include "setup_config.h"

enum { kPathCapacity = 260 };

// The older generation's files, deleted in this order.
static const char *const kOlderFiles[] = {
    "readme.txt", "template.txt", "regform.txt", "varnik.exe",
    "varnik.hlp", "varnik.gid",   "varnik.ini",
};

// Copies path into dir with a final backslash; 0 when it would not fit.
static int TakeDirectory(char *dir, const char *path)
{
    dir[0] = 0;
    if (!AppendText(dir, path, kPathCapacity)) return 0;
    int length = lstrlenA(dir);
    if (length > 0 && dir[length - 1] == '\\') return 1;
    return AppendText(dir, "\\", kPathCapacity);
}

// Composes dir + name into buffer; 0 when it would not fit.
static int ComposeChild(char *buffer, const char *dir, const char *name)
{
    buffer[0] = 0;
    return AppendText(buffer, dir, kPathCapacity) && AppendText(buffer, name, kPathCapacity);
}

static void DeleteChild(const char *dir, const char *name)
{
    char file[kPathCapacity];
    if (ComposeChild(file, dir, name)) DeleteFileA(file);
}

int32_t RemoveOlderVersion(const char *path)
{
    char dir[kPathCapacity];
    const int32_t depth = FolderGuardDepth();
    if (TakeDirectory(dir, path) && FolderGuardHold(dir) == kFolderHeld) {
        for (unsigned i = 0; i < sizeof kOlderFiles / sizeof kOlderFiles[0]; ++i) {
            DeleteChild(dir, kOlderFiles[i]);
        }
        // Set the old templates aside; an existing "oldtemplates" is never
        // replaced, the folder then keeps its name. A "templates" that is a
        // link stays as it is.
        char templates[kPathCapacity];
        char oldTemplates[kPathCapacity];
        if (ComposeChild(templates, dir, "templates") &&
            ComposeChild(oldTemplates, dir, "oldtemplates")) {
            FolderGuardMove(templates, oldTemplates);
        }
    }
    FolderGuardRelease(depth);
    RemoveOldStartMenuEntries();
    RemoveUninstallEntry();
    return 1;
}

int32_t RemoveOldStartMenuEntries(void)
{
    char programsDir[kPathCapacity];
    char desktopDir[kPathCapacity];
    int32_t programsFound;
    int32_t desktopFound;
    if (ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound) == 0) return 0;

    // An empty folder text is passed over: it would name "\varnik" on the
    // current drive rather than anything in the user's profile.
    char target[kPathCapacity];
    if (programsFound && programsDir[0] != 0 && ComposeChild(target, programsDir, "\\varnik")) {
        ClearDirectory(target, NULL, 1);
    }
    if (desktopFound && desktopDir[0] != 0 && ComposeChild(target, desktopDir, "\\varnik.lnk")) {
        DeleteFileA(target);
    }
    return 1;
}

int32_t RemoveHelpCache(const char *path)
{
    char dir[kPathCapacity];
    const int32_t depth = FolderGuardDepth();
    if (TakeDirectory(dir, path) && FolderGuardHold(dir) == kFolderHeld) {
        DeleteChild(dir, "varnik.hlp");
        DeleteChild(dir, "varnik.gid");
    }
    FolderGuardRelease(depth);
    return 1;
}

// Empties the style folders below a held "templates"; see ClearTemplateStyles.
static void ClearHeldStyles(char *templates)
{
    if (!SetCurrentDirectoryA(templates)) return; // nothing to clear
    if (!AppendText(templates, "\\", kPathCapacity)) return;

    // Only the listed style folders are emptied; they stay in place, and
    // anything else in "templates" is left alone. A style path that does not
    // fit is passed over rather than cut short, and so is a style folder
    // that is a link.
    char style[kPathCapacity];
    for (int i = 0; i < kTemplateStyleCount; ++i) {
        const int32_t depth = FolderGuardDepth();
        if (ComposeChild(style, templates, SetupConfig.templateStyles[i]) &&
            FolderGuardHold(style) == kFolderHeld && SetCurrentDirectoryA(style)) {
            ClearDirectory(style, NULL, 0);
        }
        FolderGuardRelease(depth);
    }
}

int32_t ClearTemplateStyles(const char *path)
{
    char dir[kPathCapacity];
    char templates[kPathCapacity];
    if (!TakeDirectory(dir, path) || !ComposeChild(templates, dir, "templates")) return 1;
    const int32_t depth = FolderGuardDepth();
    if (FolderGuardHold(dir) == kFolderHeld && FolderGuardHold(templates) == kFolderHeld) {
        ClearHeldStyles(templates);
    }
    FolderGuardRelease(depth);
    return 1;
}
