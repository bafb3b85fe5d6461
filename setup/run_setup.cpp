// The installer's run from start to exit, and the install sequence behind the
// dialog's Install button.
#include "run_setup.h"
#include "detect_install.h"
#include "folder_chain.h"
#include "program_check.h"
#include "start_product.h"
#include "extract_entry.h"
#include "extract_payload.h"
#include "folder_handle.h"
#include "install_dialog.h"
#include "install_dir_security.h"
#include "path_text.h"
#include "remove_older.h"
#include "setup_config.h"
#include "setup_state.h"

enum {
    kFinishBufferSize = 256,
    kNameInFinishMax = 160   // room left for the name in the finish text
};

// The install directory as held for the extraction and the launch: its own
// handle (SetupState.installFolder), or the drive's root that the folder
// chain holds.
static HANDLE installFolder;

static const char kWarningCaption[] = "Warning..!";
static const char kErrorCaption[] = "Error..!";
static const char kFinishCaption[] = "Finish..!";

static const char kUnrecognisedText[] =
    "Previous Varnik has installed in this directory.\nDo you really want to overwrite?";
static const char kOlderText[] =
    "Older version of Varnik detected.\nIf you continue, setup will remove it.\n\n"
    "If you choose NO, setup will be canceled.\nYou can backup your previous version manually,\n"
    "and run this setup again anytime.\n\nDo you want to continue?";
static const char kNotEmptyText[] =
    "This is not an empty directory.\nDo you want to install to this directory anyway?";
static const char kExtractFailedText[] = "Can not decompress file!\nThe source file maybe damage.";
static const char kShortcutFailedText[] =
    "Setup can not create shortcut in your Start Menu!\nYou should create it manually.";
static const char kFinishFormat[] =
    "%s has successfully\ninstalled to your computer.\nDo you want to launch the program now?";
static const char kPathTooLongText[] = "The directory name is too long.\nPlease choose a shorter one.";
static const char kNoDialogText[] = "Setup can not show its window and has to stop.";
static const char kLinkedDirectoryText[] =
    "The directory is a link to another place.\nPlease choose another one.";

// Starts the installed main program, and only the very bytes the payload
// carries: the program is opened through the held install directory without
// write or delete sharing, compared with the payload's first record, and
// held open while it is started, so that it can be neither changed nor
// replaced meanwhile. A file found in its place, or the same file rewritten
// (another user who could write the directory before it was made safe),
// starts nothing. The folders above it stay held from the probe on, so its
// path still leads to it. The path is quoted so that a directory with
// blanks (c:\program files\...) cannot start c:\program.exe instead.
static void LaunchProduct(char *commandLine)
{
    const int length = 1 + lstrlenA(SetupState.installDir) + lstrlenA(SetupConfig.exeBaseName) + 4 + 1;
    if (length >= kFinishBufferSize)
        return;   // cannot happen for a path the extraction accepted
    lstrcpyA(commandLine, "\"");
    lstrcatA(commandLine, SetupState.installDir);
    char *name = commandLine + lstrlenA(commandLine);
    lstrcatA(commandLine, SetupConfig.exeBaseName);
    lstrcatA(commandLine, ".exe");
    HANDLE program;
    if (OpenChildFile(installFolder, name, &program) != kEntryHeld)
        return;
    if (FileIsFirstRecord(program, name))
        StartProduct(commandLine, SetupState.installDir);
    CloseHandle(program);
}

int RunSetup(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    char finish[kFinishBufferSize];
    char name[kNameInFinishMax];
    MSG message;

    SetupState.extracting = 0;
    SetupState.progressTotal = 0;
    SetupState.progressDone = 0;
    SetupState.currentFile[0] = '\0';
    SetupState.installFolder = INVALID_HANDLE_VALUE;
    RefuseUntrustedRedirection();
    GetCurrentDirectoryA(kPathSize, SetupState.startDir);

    SetupState.dialogWindow = CreateDialogParamA(SetupState.moduleHandle, MAKEINTRESOURCEA(kInstallDialogId),
                                                 NULL, InstallDialogProc, 0);
    if (SetupState.dialogWindow == NULL) {
        MessageBoxA(NULL, kNoDialogText, kErrorCaption, MB_ICONERROR | MB_OK);
        return 1;
    }
    ShowWindow(SetupState.dialogWindow, SW_SHOW);
    UpdateWindow(SetupState.dialogWindow);

    // A plain loop: no dialog keyboard handling. It ends with the quit message
    // posted when the dialog is destroyed (or on an error of the queue).
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    lstrcpynA(name, SetupConfig.productName, kNameInFinishMax);
    wsprintfA(finish, kFinishFormat, name);
    // The current directory is the start directory throughout: nothing
    // enters the install directory by its path.
    if (!SetupState.cancelled &&
        MessageBoxA(NULL, finish, kFinishCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES)
        LaunchProduct(finish);
    ReleaseHandle(SetupState.installFolder);
    ReleaseFolderChain();
    return 1;
}

static int AskWarning(HWND owner, const char *text)
{
    return MessageBoxA(owner, text, kWarningCaption, MB_ICONWARNING | MB_YESNO);
}

// How the install goes on with a directory that exists already.
enum DirectorySettlement {
    kSettleStop = 0,    // stop; the dialog is left as the refusal requires
    kSettleKeep = 1,    // go on with the directory as it is
    kSettleCreate = 2   // go on and create it (the empty directory was removed)
};

// Settles the existing install directory held by dir with the user.
// Returns:
//   kSettleStop   - the user refused (or chose to cancel)
//   kSettleKeep   - install into the directory as it is
//   kSettleCreate - the empty directory was removed; create it anew
static int SettleExistingDirectory(HWND dialog, HANDLE *dir)
{
    const int32_t kind = DetectExistingInstallIn(*dir);
    // A current install goes on without a question only in a directory an
    // install made: one owned by an administrator, the system or this
    // account. Any other user could have made the directory to look like
    // one, with files of theirs beside the program that the product would
    // load; it is settled like an install not recognised.
    if (kind == UnrecognisedInstall || (kind == CurrentInstall && !OwnedBySystemOrSelf(*dir)))
        return AskWarning(dialog, kUnrecognisedText) != IDNO ? kSettleKeep : kSettleStop;
    if (kind == OlderInstall) {
        if (AskWarning(dialog, kOlderText) == IDNO) {
            SetupState.cancelled = 1;
            DestroyWindow(dialog);
            return kSettleStop;
        }
        RemoveOlderVersionIn(*dir);
        return kSettleKeep;
    }
    if (kind == CurrentInstall) {
        RemoveHelpCacheIn(*dir);
        ClearTemplateStylesIn(*dir, lstrlenA(SetupState.installDir) + 1);
        return kSettleKeep;
    }
    // No product there: an empty directory is removed through its handle
    // (and made again below, with the install's rights); one with other
    // files needs consent.
    if (RemoveHeldFolder(*dir)) {
        CloseHandle(*dir);
        *dir = INVALID_HANDLE_VALUE;
        return kSettleCreate;
    }
    return AskWarning(dialog, kNotEmptyText) != IDNO ? kSettleKeep : kSettleStop;
}

// Refuses a directory that is, or lies below, a link no administrator made
// (junction, symbolic link, mount point): it would send the clean-up and
// every installed file to another place. The dialog stays open.
static void RefuseLinkedDirectory(HWND dialog)
{
    ReleaseFolderChain();
    MessageBoxA(dialog, kLinkedDirectoryText, kWarningCaption, MB_ICONWARNING | MB_OK);
}

// Makes installDir (its final backslash removed) a full path: a typed
// relative directory is taken from the current directory, as the user saw
// it, and a drive typed alone ("d:") is that drive's root. 0 when the path
// cannot be made or does not fit.
static int32_t MakeFullPath(char *installDir)
{
    char full[kPathSize];
    if (installDir[1] == ':' && installDir[2] == '\0')
        lstrcatA(installDir, "\\");
    const DWORD length = GetFullPathNameA(installDir, kPathSize, full, NULL);
    if (length == 0 || length >= kPathSize - 1)
        return 0;
    lstrcpyA(installDir, full);
    // The folder itself, not a root: no final backslash.
    int32_t end = (int32_t)length;
    while (end > PathRootLength(installDir) && installDir[end - 1] == '\\')
        installDir[--end] = '\0';
    return PathRootLength(installDir) != 0;
}

void RunInstallSequence(HWND dialog)
{
    char *installDir = SetupState.installDir;

    GetDlgItemTextA(dialog, kIdInstallDirEdit, installDir, kPathSize);
    SetupConfig.desktopIcon = IsDlgButtonChecked(dialog, kIdDesktopIconCheck) == BST_CHECKED ? 1 : 0;

    if (installDir[0] == '\0') {
        char proposal[kPathSize];
        ComposeProposal(proposal);
        SetDlgItemTextA(dialog, kIdInstallDirEdit, proposal);
        return;
    }

    // Without its final backslash, if it has one.
    int length = PathPrefixLength(installDir) - 1;
    installDir[length] = '\0';

    // The directory must leave room for its final backslash, and the edit
    // text must not have been cut short by the read above. A typed relative
    // directory becomes a full one here, before anything else: the
    // uninstall entry and the shortcuts must name it from anywhere.
    const int editLength = GetWindowTextLengthA(GetDlgItem(dialog, kIdInstallDirEdit));
    if (length > kPathSize - 2 || editLength > kPathSize - 1 || !MakeFullPath(installDir)) {
        MessageBoxA(dialog, kPathTooLongText, kWarningCaption, MB_ICONWARNING | MB_OK);
        return;
    }

    // The directory is resolved once, from its drive's root: every folder
    // above it is held until the end, and the directory itself is probed,
    // emptied, cleaned, created and filled through handles, never by its
    // path again. A link on the way that no administrator made, or at the
    // directory itself, is refused.
    const char *leaf;
    HANDLE parent;
    const int32_t chain = HoldFolderChain(installDir, &leaf, &parent);
    if (chain == kEntryIsLink) {
        RefuseLinkedDirectory(dialog);
        return;
    }
    // The directory is probed with the right to remove it, and held for the
    // install without it: a handle with that right would keep anyone from
    // listing the directory or making it their current one, the started
    // product included.
    const uint32_t access = READ_CONTROL | WRITE_DAC | WRITE_OWNER;
    HANDLE dir = INVALID_HANDLE_VALUE;
    int32_t existing = kEntryUnusable;
    if (chain == kEntryHeld && leaf == NULL) {
        // A drive's root, held by the chain: it exists, and keeps its own
        // rights.
        dir = parent;
        existing = kEntryHeld;
    } else if (chain == kEntryHeld) {
        existing = HoldChildFolder(parent, leaf, 0, DELETE | READ_CONTROL, &dir);
        if (existing == kEntryIsLink) {
            RefuseLinkedDirectory(dialog);
            return;
        }
    }
    int settled = kSettleCreate;
    if (existing == kEntryHeld) {
        settled = SettleExistingDirectory(dialog, &dir);
        if (settled == kSettleStop) {
            if (leaf != NULL)
                ReleaseHandle(dir);
            ReleaseFolderChain();
            return;
        }
    }

    // A new directory is created through its held parent with rights that
    // only administrators can change, and the handle the creation returns is
    // the one the install uses; a name taken meanwhile (another user made
    // it, with rights of their own, or planted a link there) fails the
    // creation. A kept directory gets the same owner and rights through its
    // handle before anything is written into it, and every file and folder
    // the extraction writes gets them explicitly. Either failing ends the
    // install as a failed extraction, nothing written.
    SECURITY_ATTRIBUTES *security = InstallDirSecurity();
    int created = security != NULL;
    if (security != NULL)
        SetNewEntrySecurity(security->lpSecurityDescriptor);
    // A kept directory is held again by its name, without the right to
    // remove it. Between the probe's release and that hold another user who
    // may rename entries of the parent could put a folder of theirs at the
    // name: the one held must be the one probed, else nothing is written.
    EntryIdentity probed = {0, 0, 0};
    int32_t probedRead = 0;
    if (leaf != NULL) {
        if (dir != INVALID_HANDLE_VALUE)
            probedRead = ReadEntryIdentity(dir, &probed);
        ReleaseHandle(dir);
        dir = INVALID_HANDLE_VALUE;
    }
    if (created && settled == kSettleCreate) {
        created = chain == kEntryHeld && leaf != NULL &&
                  CreateChildFolder(parent, leaf, access, &dir) == kEntryHeld;
    } else if (created && leaf != NULL) {
        EntryIdentity held;
        created = probedRead && HoldChildFolder(parent, leaf, 0, access, &dir) == kEntryHeld &&
                  ReadEntryIdentity(dir, &held) && SameEntry(&held, &probed) && SecureExistingDirectory(dir);
    }
    SetupState.installFolder = leaf != NULL ? dir : INVALID_HANDLE_VALUE;
    installFolder = dir;
    JoinPath(installDir, kPathSize, installDir, "");

    EnableWindow(GetDlgItem(dialog, kIdInstall), FALSE);
    ShowWindow(GetDlgItem(dialog, kIdDesktopIconCheck), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, kIdBrowseButton), SW_HIDE);

    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    int32_t result = kInstallFailed;
    if (created) {
        UseEntryTarget(dir);
        result = ExtractPayload();
        UseEntryTarget(NULL);
    } else {
        SetupState.cancelled = 1;
    }
    SetNewEntrySecurity(NULL);
    SetCursor(previous != NULL ? previous : LoadCursorA(NULL, IDC_ARROW));

    if (result == kInstallFailed)
        MessageBoxA(SetupState.dialogWindow, kExtractFailedText, kErrorCaption, MB_ICONERROR | MB_OK);
    else if (result == kShortcutsFailed)
        MessageBoxA(SetupState.dialogWindow, kShortcutFailedText, kWarningCaption, MB_ICONWARNING | MB_OK);
    DestroyWindow(dialog);
}
