// Clean-up of an earlier installation in the target directory: removal of
// the older product generation, and the refresh of the current one's help
// cache and template styles. Every step is best effort: a failure is passed
// over and the next step runs.
#include <windows.h>

#include "remove_older.h"
#include "clear_directory.h"
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
    if (TakeDirectory(dir, path)) {
        for (unsigned i = 0; i < sizeof kOlderFiles / sizeof kOlderFiles[0]; ++i) {
            DeleteChild(dir, kOlderFiles[i]);
        }
        // Set the old templates aside; an existing "oldtemplates" is never
        // replaced, the folder then keeps its name.
        char templates[kPathCapacity];
        char oldTemplates[kPathCapacity];
        if (ComposeChild(templates, dir, "templates") &&
            ComposeChild(oldTemplates, dir, "oldtemplates")) {
            MoveFileA(templates, oldTemplates);
        }
    }
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
    if (TakeDirectory(dir, path)) {
        DeleteChild(dir, "varnik.hlp");
        DeleteChild(dir, "varnik.gid");
    }
    return 1;
}

int32_t ClearTemplateStyles(const char *path)
{
    char templates[kPathCapacity];
    if (!TakeDirectory(templates, path) || !AppendText(templates, "templates", kPathCapacity)) return 1;
    if (!SetCurrentDirectoryA(templates)) return 1; // nothing to clear
    if (!AppendText(templates, "\\", kPathCapacity)) return 1;

    // Only the listed style folders are emptied; they stay in place, and
    // anything else in "templates" is left alone. A style path that does not
    // fit is passed over rather than cut short.
    char style[kPathCapacity];
    for (int i = 0; i < kTemplateStyleCount; ++i) {
        if (ComposeChild(style, templates, SetupConfig.templateStyles[i]) &&
            SetCurrentDirectoryA(style)) {
            ClearDirectory(style, NULL, 0);
        }
    }
    return 1;
}
