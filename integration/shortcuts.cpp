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
static int ComposePath(char *buffer, const char *first, const char *second, const char *third,
                       const char *fourth)
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
    if (CreateChildFile(folder, name, &file) != kEntryHeld)
        return E_ACCESSDENIED;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes, size, &written, NULL);
    CloseHandle(file);
    if (wrote && written == size)
        return S_OK;
    DeleteChild(folder, name);
    return E_FAIL;
}

// Saves the link object's bytes into a memory stream and writes them as the
// new file linkName in the held folder.
static HRESULT SaveLinkBytes(IShellLinkA *link, HANDLE folder, const char *linkName)
{
    IPersistStream *persist = NULL;
    HRESULT result = link->QueryInterface(IID_IPersistStream, (void **)&persist);
    if (FAILED(result))
        return result;
    IStream *stream = NULL;
    result = CreateStreamOnHGlobal(NULL, TRUE, &stream);
    if (SUCCEEDED(result)) {
        result = persist->Save(stream, TRUE);
        HGLOBAL memory = NULL;
        LARGE_INTEGER none = {};
        ULARGE_INTEGER size = {};
        if (SUCCEEDED(result))
            result = stream->Seek(none, STREAM_SEEK_CUR, &size);
        if (SUCCEEDED(result))
            result = GetHGlobalFromStream(stream, &memory);
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
    if (!AppendText(folder, path, kPathSize))
        return NULL;
    char *lastBackslash = FindLastChar(folder, '\\');
    if (lastBackslash != NULL)
        *lastBackslash = 0;
    return lastBackslash;
}

HRESULT SaveShellLink(const char *linkTarget, HANDLE folder, const char *linkName, const char *linkArguments,
                      const char *iconPath, int iconIndex)
{
    // The target must fit its buffer, and the working directory is taken
    // from the target's last backslash.
    char workingDir[kPathSize];
    if (CopyFolderPart(workingDir, linkTarget) == NULL)
        return E_INVALIDARG;

    IShellLinkA *link = NULL;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link);
    if (FAILED(result))
        return result;

    link->SetPath(linkTarget);
    link->SetWorkingDirectory(workingDir);
    if (linkArguments != NULL)
        link->SetArguments(linkArguments);
    if (iconPath != NULL)
        link->SetIconLocation(iconPath, iconIndex);
    result = SaveLinkBytes(link, folder, linkName);
    link->Release();
    return result;
}

HRESULT CreateShellLink(const char *linkTarget, const char *linkPath, const char *linkArguments,
                        const char *iconPath, int iconIndex)
{
    char folderPath[kPathSize];
    char *lastBackslash = CopyFolderPart(folderPath, linkPath);
    if (lastBackslash == NULL)
        return E_INVALIDARG;
    HANDLE folder;
    if (HoldFolder(folderPath, 0, &folder) != kEntryHeld)
        return E_ACCESSDENIED;
    HRESULT result = SaveShellLink(linkTarget, folder, lastBackslash + 1, linkArguments, iconPath, iconIndex);
    CloseHandle(folder);
    return result;
}

// The shortcuts, in the order they are made. Each is asked for by a field of
// SetupConfig (none: always made), goes into the product's Start Menu folder
// or onto the desktop, and starts the main program or the help document. A
// program's shortcut is named prefix + product name + ".lnk", the help
// document's by helpShortcutName. The uninstall shortcut passes the
// uninstall switch and shows the program's icon of that index.
enum ShortcutPlace {
    kInStartMenu,
    kOnDesktop
};
enum ShortcutTarget {
    kStartsProgram,
    kStartsHelp
};

struct ShortcutRow {
    const int32_t *wanted;
    const char *prefix;
    uint8_t place;    // ShortcutPlace
    uint8_t target;   // ShortcutTarget
    uint8_t uninstalls;
};

static const ShortcutRow kShortcuts[] = {
    {NULL, "", kInStartMenu, kStartsProgram, 0},
    {&SetupConfig.desktopIcon, "", kOnDesktop, kStartsProgram, 0},
    {&SetupConfig.createHelpShortcut, "", kInStartMenu, kStartsHelp, 0},
    {&SetupConfig.registerUninstall, "Uninstall ", kInStartMenu, kStartsProgram, 1},
};

// Where the shortcuts go and what they start; a null path or an invalid
// handle stands for one that is not usable.
struct ShortcutPlaces {
    HANDLE startMenu;
    int32_t startMenuLength;   // of the Start Menu folder's full path
    const char *desktopDir;
    const char *targets[2];   // by ShortcutTarget
};

// Makes the shortcut of row when it is asked for and its target, its name
// and its full path fit; otherwise it is left out.
static void MakeShortcut(const ShortcutRow *row, const ShortcutPlaces *places)
{
    const char *target = places->targets[row->target];
    char linkName[kPathSize];
    const int32_t named = row->target == kStartsHelp
                              ? ComposePath(linkName, SetupConfig.helpShortcutName, "", "", "")
                              : ComposePath(linkName, row->prefix, SetupConfig.productName, ".lnk", "");
    if ((row->wanted != NULL && !*row->wanted) || target == NULL || !named)
        return;
    const char *arguments = row->uninstalls ? SetupConfig.uninstallSwitch : NULL;
    const char *icon = row->uninstalls ? target : NULL;
    const int iconIndex = row->uninstalls ? SetupConfig.uninstallIconIndex : 0;
    if (row->place == kInStartMenu) {
        if (places->startMenu != INVALID_HANDLE_VALUE &&
            places->startMenuLength + 1 + lstrlenA(linkName) < kPathSize)
            SaveShellLink(target, places->startMenu, linkName, arguments, icon, iconIndex);
        return;
    }
    HANDLE desktop;
    if (places->desktopDir != NULL && lstrlenA(places->desktopDir) + 1 + lstrlenA(linkName) < kPathSize &&
        HoldShellFolder(places->desktopDir, &desktop) == kEntryHeld) {
        SaveShellLink(target, desktop, linkName, arguments, icon, iconIndex);
        CloseHandle(desktop);
    }
}

int32_t CreateShortcuts(void)
{
    char programsDir[kPathSize];
    char desktopDir[kPathSize];
    int32_t programsFound;
    int32_t desktopFound;
    if (ReadShellFolders(programsDir, desktopDir, &programsFound, &desktopFound) == 0 || !programsFound) {
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
    ShortcutPlaces places;
    places.startMenu = INVALID_HANDLE_VALUE;
    places.startMenuLength = lstrlenA(programsDir) + 1 + lstrlenA(product);
    if (UsableFolder(programsFound, programsDir) && places.startMenuLength < kPathSize &&
        HoldShellFolder(programsDir, &programs) == kEntryHeld &&
        HoldChildFolder(programs, product, 1, 0, &places.startMenu) == kEntryHeld) {
        ClearDirectoryTree(places.startMenu, NULL, places.startMenuLength);
    }
    places.desktopDir = UsableFolder(desktopFound, desktopDir) ? desktopDir : NULL;

    // A shortcut whose target does not fit is left out.
    char programPath[kPathSize];
    char helpPath[kPathSize];
    places.targets[kStartsProgram] =
        ComposePath(programPath, SetupState.installDir, SetupConfig.exeBaseName, ".exe", "") ? programPath
                                                                                             : NULL;
    places.targets[kStartsHelp] =
        ComposePath(helpPath, SetupState.installDir, SetupConfig.helpFileName, "", "") ? helpPath : NULL;
    for (const ShortcutRow &row : kShortcuts)
        MakeShortcut(&row, &places);

    ReleaseHandle(places.startMenu);
    ReleaseHandle(programs);
    CoUninitialize();
    return 1;
}
