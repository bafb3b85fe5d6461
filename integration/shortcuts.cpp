// The product's Start Menu folder with its program, help and uninstall
// shortcuts, and the program shortcut on the desktop.
#include <windows.h>
#include <shlobj.h>

#include "shortcuts.h"
#include "shell_folders.h"
#include "clear_directory.h"
#include "folder_guard.h"
#include "setup_config.h"
#include "path_text.h"
#include "setup_state.h"

enum { kPathCapacity = 260 };

// Composes first + second + third + fourth into buffer; 0 when it would not fit.
static int ComposePath(char *buffer, const char *first, const char *second,
                       const char *third, const char *fourth)
{
    buffer[0] = 0;
    return AppendText(buffer, first, kPathCapacity) && AppendText(buffer, second, kPathCapacity) &&
           AppendText(buffer, third, kPathCapacity) && AppendText(buffer, fourth, kPathCapacity);
}

// A folder read from the registry is used only when it names something: an
// empty text would turn the composed paths into paths from the root of the
// current drive.
static int UsableFolder(int32_t found, const char *folder)
{
    return found && folder[0] != 0;
}

HRESULT CreateShellLink(const char *linkTarget, const char *linkPath,
                        const char *linkArguments, const char *iconPath, int iconIndex)
{
    // Both paths must fit their buffers, and the working directory is taken
    // from the target's last backslash.
    char workingDir[kPathCapacity];
    workingDir[0] = 0;
    if (!AppendText(workingDir, linkTarget, kPathCapacity) || lstrlenA(linkPath) >= kPathCapacity) {
        return E_INVALIDARG;
    }
    char *lastBackslash = FindLastChar(workingDir, '\\');
    if (lastBackslash == NULL) return E_INVALIDARG;
    *lastBackslash = 0;

    IShellLinkA *link = NULL;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, (void **)&link);
    if (FAILED(result)) return result;

    link->SetPath(linkTarget);
    link->SetWorkingDirectory(workingDir);
    if (linkArguments != NULL) link->SetArguments(linkArguments);
    if (iconPath != NULL) link->SetIconLocation(iconPath, iconIndex);

    IPersistFile *file = NULL;
    result = link->QueryInterface(IID_IPersistFile, (void **)&file);
    if (FAILED(result)) {
        link->Release();
        return result;
    }

    WCHAR widePath[kPathCapacity];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kPathCapacity) == 0) {
        result = E_INVALIDARG; // never save under a half-converted name
    } else {
        result = file->Save(widePath, TRUE);
    }

    file->Release();
    link->Release();
    return result;
}

int32_t CreateShortcuts(void)
{
    char programsDir[kPathCapacity];
    char desktopDir[kPathCapacity];
    int32_t programsFound;
    int32_t desktopFound;
    if (ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound) == 0 ||
        !programsFound) {
        return 0;
    }

    CoInitialize(NULL);

    const char *product = SetupConfig.productName;
    char startMenuDir[kPathCapacity];
    int startMenuUsable = UsableFolder(programsFound, programsDir) &&
                          ComposePath(startMenuDir, programsDir, "\\", product, "");
    // The folder is held while it is emptied and filled; one that is a link
    // (or cannot be held) gets no shortcuts, silently, like one that cannot
    // be created.
    const int32_t depth = FolderGuardDepth();
    if (startMenuUsable) {
        // An existing folder is emptied of everything, ours or not.
        if (SetCurrentDirectoryA(startMenuDir)) {
            startMenuUsable = FolderGuardHold(startMenuDir) == kFolderHeld;
            if (startMenuUsable) ClearDirectory(startMenuDir, NULL, 0);
        } else {
            CreateDirectoryA(startMenuDir, NULL);
            startMenuUsable = FolderGuardHold(startMenuDir) == kFolderHeld;
        }
    }

    char programPath[kPathCapacity];
    int programUsable =
        ComposePath(programPath, SetupState.installDir, SetupConfig.exeBaseName, ".exe", "");
    char linkPath[kPathCapacity];

    // A shortcut whose target or file path does not fit is left out.
    if (startMenuUsable && programUsable &&
        ComposePath(linkPath, startMenuDir, "\\", product, ".lnk")) {
        CreateShellLink(programPath, linkPath, NULL, NULL, 0);
    }

    if (SetupConfig.desktopIcon && UsableFolder(desktopFound, desktopDir) && programUsable &&
        ComposePath(linkPath, desktopDir, "\\", product, ".lnk")) {
        CreateShellLink(programPath, linkPath, NULL, NULL, 0);
    }

    char helpPath[kPathCapacity];
    if (SetupConfig.createHelpShortcut && startMenuUsable &&
        ComposePath(helpPath, SetupState.installDir, SetupConfig.helpFileName, "", "") &&
        ComposePath(linkPath, startMenuDir, "\\", SetupConfig.helpShortcutName, "")) {
        CreateShellLink(helpPath, linkPath, NULL, NULL, 0);
    }

    if (SetupConfig.registerUninstall && startMenuUsable && programUsable &&
        ComposePath(linkPath, startMenuDir, "\\Uninstall ", product, ".lnk")) {
        CreateShellLink(programPath, linkPath, SetupConfig.uninstallSwitch, programPath,
                        SetupConfig.uninstallIconIndex);
    }

    FolderGuardRelease(depth);
    CoUninitialize();
    return 1;
}
