// The product's Start Menu folder with its program, help and uninstall
// shortcuts, and the program shortcut on the desktop.
#include <windows.h>
#include <shlobj.h>

#include "shortcuts.h"
#include "shell_folders.h"
#include "clear_directory.h"
#include "folder_handle.h"
#include "setup_config.h"
#include "path_text.h"
#include "setup_state.h"

// Composes first + second + third + fourth into buffer; 0 when it would not fit.
static int ComposePath(char *buffer, const char *first, const char *second,
                       const char *third, const char *fourth)
{
    buffer[0] = 0;
    return AppendText(buffer, first, kPathSize) && AppendText(buffer, second, kPathSize) &&
           AppendText(buffer, third, kPathSize) && AppendText(buffer, fourth, kPathSize);
}

// A folder read from the registry is used only when it names something: an
// empty text would turn the composed paths into paths from the root of the
// current drive.
static int UsableFolder(int32_t found, const char *folder)
{
    return found && folder[0] != 0;
}

// Writes bytes as the new file name in folder. S_OK when all were written.
static HRESULT WriteLinkFile(HANDLE folder, const char *name, const void *bytes, DWORD size)
{
    HANDLE file;
    if (CreateChildFile(folder, name, &file) != kEntryHeld) return E_ACCESSDENIED;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes, size, &written, NULL);
    CloseHandle(file);
    if (wrote && written == size) return S_OK;
    DeleteChild(folder, name);
    return E_FAIL;
}

// Saves the link object's bytes into a memory stream and writes them as the
// new file linkName in the held folder.
static HRESULT SaveLinkBytes(IShellLinkA *link, HANDLE folder, const char *linkName)
{
    IPersistStream *persist = NULL;
    HRESULT result = link->QueryInterface(IID_IPersistStream, (void **)&persist);
    if (FAILED(result)) return result;
    IStream *stream = NULL;
    result = CreateStreamOnHGlobal(NULL, TRUE, &stream);
    if (SUCCEEDED(result)) {
        result = persist->Save(stream, TRUE);
        HGLOBAL memory = NULL;
        LARGE_INTEGER none = {};
        ULARGE_INTEGER size = {};
        if (SUCCEEDED(result)) result = stream->Seek(none, STREAM_SEEK_CUR, &size);
        if (SUCCEEDED(result)) result = GetHGlobalFromStream(stream, &memory);
        if (SUCCEEDED(result)) {
            const void *bytes = GlobalLock(memory);
            result = bytes != NULL ? WriteLinkFile(folder, linkName, bytes, size.LowPart) : E_FAIL;
            GlobalUnlock(memory);
        }
        stream->Release();
    }
    persist->Release();
    return result;
}

// Copies the folder part of path (up to its last backslash) into folder, a
// buffer of kPathSize bytes; the position of that backslash in folder
// (now a terminator), or NULL when path does not fit or names no folder.
static char *CopyFolderPart(char *folder, const char *path)
{
    folder[0] = 0;
    if (!AppendText(folder, path, kPathSize)) return NULL;
    char *lastBackslash = FindLastChar(folder, '\\');
    if (lastBackslash != NULL) *lastBackslash = 0;
    return lastBackslash;
}

HRESULT SaveShellLink(const char *linkTarget, HANDLE folder, const char *linkName,
                      const char *linkArguments, const char *iconPath, int iconIndex)
{
    // The target must fit its buffer, and the working directory is taken
    // from the target's last backslash.
    char workingDir[kPathSize];
    if (CopyFolderPart(workingDir, linkTarget) == NULL) return E_INVALIDARG;

    IShellLinkA *link = NULL;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, (void **)&link);
    if (FAILED(result)) return result;

    link->SetPath(linkTarget);
    link->SetWorkingDirectory(workingDir);
    if (linkArguments != NULL) link->SetArguments(linkArguments);
    if (iconPath != NULL) link->SetIconLocation(iconPath, iconIndex);
    result = SaveLinkBytes(link, folder, linkName);
    link->Release();
    return result;
}

HRESULT CreateShellLink(const char *linkTarget, const char *linkPath,
                        const char *linkArguments, const char *iconPath, int iconIndex)
{
    char folderPath[kPathSize];
    char *lastBackslash = CopyFolderPart(folderPath, linkPath);
    if (lastBackslash == NULL) return E_INVALIDARG;
    HANDLE folder;
    if (HoldFolder(folderPath, 0, &folder) != kEntryHeld) return E_ACCESSDENIED;
    HRESULT result = SaveShellLink(linkTarget, folder, lastBackslash + 1, linkArguments, iconPath,
                                   iconIndex);
    CloseHandle(folder);
    return result;
}

int32_t CreateShortcuts(void)
{
    char programsDir[kPathSize];
    char desktopDir[kPathSize];
    int32_t programsFound;
    int32_t desktopFound;
    if (ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound) == 0 ||
        !programsFound) {
        return 0;
    }

    CoInitialize(NULL);

    // The Programs folder, the product's folder in it and the desktop are
    // held while they are emptied and filled, and every shortcut is written
    // through them. The Programs and Desktop folders are the user's own and
    // may lead elsewhere; a product folder that is a link (or any folder
    // that cannot be held) gets no shortcuts, silently, like one that cannot
    // be created. An existing product folder is emptied of everything, ours
    // or not.
    const char *product = SetupConfig.productName;
    HANDLE programs = INVALID_HANDLE_VALUE;
    HANDLE startMenu = INVALID_HANDLE_VALUE;
    const int32_t startMenuLength = lstrlenA(programsDir) + 1 + lstrlenA(product);
    if (UsableFolder(programsFound, programsDir) && startMenuLength < kPathSize &&
        HoldShellFolder(programsDir, &programs) == kEntryHeld &&
        HoldChildFolder(programs, product, 1, 0, &startMenu) == kEntryHeld) {
        ClearDirectoryTree(startMenu, NULL, startMenuLength);
    }
    const int startMenuUsable = startMenu != INVALID_HANDLE_VALUE;

    char programPath[kPathSize];
    int programUsable =
        ComposePath(programPath, SetupState.installDir, SetupConfig.exeBaseName, ".exe", "");
    char linkName[kPathSize];

    // A shortcut whose target or file path does not fit is left out.
    if (startMenuUsable && programUsable && ComposePath(linkName, product, ".lnk", "", "") &&
        startMenuLength + 1 + lstrlenA(linkName) < kPathSize) {
        SaveShellLink(programPath, startMenu, linkName, NULL, NULL, 0);
    }

    HANDLE desktop = INVALID_HANDLE_VALUE;
    if (SetupConfig.desktopIcon && UsableFolder(desktopFound, desktopDir) && programUsable &&
        ComposePath(linkName, product, ".lnk", "", "") &&
        lstrlenA(desktopDir) + 1 + lstrlenA(linkName) < kPathSize &&
        HoldShellFolder(desktopDir, &desktop) == kEntryHeld) {
        SaveShellLink(programPath, desktop, linkName, NULL, NULL, 0);
        CloseHandle(desktop);
    }

    char helpPath[kPathSize];
    if (SetupConfig.createHelpShortcut && startMenuUsable &&
        ComposePath(helpPath, SetupState.installDir, SetupConfig.helpFileName, "", "") &&
        ComposePath(linkName, SetupConfig.helpShortcutName, "", "", "") &&
        startMenuLength + 1 + lstrlenA(linkName) < kPathSize) {
        SaveShellLink(helpPath, startMenu, linkName, NULL, NULL, 0);
    }

    if (SetupConfig.registerUninstall && startMenuUsable && programUsable &&
        ComposePath(linkName, "Uninstall ", product, ".lnk", "") &&
        startMenuLength + 1 + lstrlenA(linkName) < kPathSize) {
        SaveShellLink(programPath, startMenu, linkName, SetupConfig.uninstallSwitch, programPath,
                      SetupConfig.uninstallIconIndex);
    }

    ReleaseHandle(startMenu);
    ReleaseHandle(programs);
    CoUninitialize();
    return 1;
}
