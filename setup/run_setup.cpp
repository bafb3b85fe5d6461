// The installer's run from start to exit, and the install sequence behind the
// dialog's Install button.
#include "run_setup.h"
#include "detect_install.h"
#include "extract_payload.h"
#include "folder_handle.h"
#include "install_dialog.h"
#include "install_dir_security.h"
#include "remove_older.h"
#include "setup_config.h"
#include "setup_state.h"

enum {
    kFinishBufferSize = 256,
    kNameInFinishMax = 160   // room left for the name in the finish text
};

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
static const char kExtractFailedText[] =
    "Can not decompress file!\nThe source file maybe damage.";
static const char kShortcutFailedText[] =
    "Setup can not create shortcut in your Start Menu!\nYou should create it manually.";
static const char kFinishFormat[] =
    "%s has successfully\ninstalled to your computer.\nDo you want to launch the program now?";
static const char kPathTooLongText[] =
    "The directory name is too long.\nPlease choose a shorter one.";
static const char kNoDialogText[] =
    "Setup can not show its window and has to stop.";
static const char kLinkedDirectoryText[] =
    "The directory is a link to another place.\nPlease choose another one.";

// Starts the installed main program, and only the very file the extraction
// wrote: it is held open while it is started, so that it can be neither
// changed nor replaced meanwhile, and a file found in its place (another
// user may write the install directory) starts nothing. The path is quoted
// so that a directory with blanks (c:\program files\...) cannot start
// c:\program.exe instead.
static void LaunchProduct(char *commandLine)
{
    SetCurrentDirectoryA(SetupState.installDir);
    const int length = 1 + lstrlenA(SetupState.installDir) + lstrlenA(SetupConfig.exeBaseName)
                       + 4 + 1;
    if (length >= kFinishBufferSize)
        return;   // cannot happen for a path the extraction accepted
    lstrcpyA(commandLine, "\"");
    lstrcatA(commandLine, SetupState.installDir);
    lstrcatA(commandLine, SetupConfig.exeBaseName);
    lstrcatA(commandLine, ".exe");
    HANDLE program = OpenPinnedFile(commandLine + 1, &SetupState.programFile);
    if (program == INVALID_HANDLE_VALUE)
        return;
    lstrcatA(commandLine, "\"");
    WinExec(commandLine, SW_SHOWNORMAL);
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
    GetCurrentDirectoryA(kPathBufferSize, SetupState.startDir);

    SetupState.dialogWindow = CreateDialogParamA(SetupState.moduleHandle,
                                                 MAKEINTRESOURCEA(kInstallDialogId), NULL,
                                                 InstallDialogProc, 0);
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
    if (SetupState.cancelled) {
        SetCurrentDirectoryA(SetupState.startDir);
        return 1;
    }
    if (MessageBoxA(NULL, finish, kFinishCaption, MB_ICONINFORMATION | MB_YESNO) != IDYES) {
        SetCurrentDirectoryA(SetupState.startDir);
        return 1;
    }
    LaunchProduct(finish);
    return 1;
}

static int AskWarning(HWND owner, const char *text)
{
    return MessageBoxA(owner, text, kWarningCaption, MB_ICONWARNING | MB_YESNO);
}

// Settles an existing target directory with the user. 1: go on with the
// directory as it is; 2: go on and create it (the empty directory was
// removed); 0: stop (the dialog is left as the refusal requires).
static int SettleExistingDirectory(HWND dialog)
{
    char *installDir = SetupState.installDir;
    const int32_t kind = DetectExistingInstall(installDir);
    if (kind == UnrecognisedInstall)
        return AskWarning(dialog, kUnrecognisedText) != IDNO;
    if (kind == OlderInstall) {
        if (AskWarning(dialog, kOlderText) == IDNO) {
            SetupState.cancelled = 1;
            DestroyWindow(dialog);
            return 0;
        }
        RemoveOlderVersion(installDir);
        return 1;
    }
    if (kind == CurrentInstall) {
        RemoveHelpCache(installDir);
        ClearTemplateStyles(installDir);
        return 1;
    }
    // No product there: an empty directory is removed by the probe (and made
    // again below); one with other files needs consent.
    SetCurrentDirectoryA(SetupState.startDir);
    if (RemoveDirectoryA(installDir))
        return 2;
    return AskWarning(dialog, kNotEmptyText) != IDNO;
}

// An existing directory that is a link (junction, symbolic link, mount
// point) would send the clean-up and every installed file to another place:
// it is refused with a warning, the dialog stays open, and the start
// directory is current again. 1 when refused.
static int RefuseLinkedDirectory(HWND dialog)
{
    HANDLE folder;
    const int32_t held = HoldFolder(SetupState.installDir, 0, &folder);
    ReleaseHandle(folder);
    if (held != kEntryIsLink)
        return 0;
    SetCurrentDirectoryA(SetupState.startDir);
    MessageBoxA(dialog, kLinkedDirectoryText, kWarningCaption, MB_ICONWARNING | MB_OK);
    return 1;
}

void RunInstallSequence(HWND dialog)
{
    char *installDir = SetupState.installDir;

    GetDlgItemTextA(dialog, kIdInstallDirEdit, installDir, kPathBufferSize);
    SetupConfig.desktopIcon = IsDlgButtonChecked(dialog, kIdDesktopIconCheck) == BST_CHECKED ? 1 : 0;

    if (installDir[0] == '\0') {
        char proposal[kPathBufferSize];
        ComposeProposal(proposal);
        SetDlgItemTextA(dialog, kIdInstallDirEdit, proposal);
        return;
    }

    int length = lstrlenA(installDir);
    if (installDir[length - 1] == '\\')
        installDir[--length] = '\0';

    // The directory must leave room for its final backslash, and the edit
    // text must not have been cut short by the read above.
    const int editLength = GetWindowTextLengthA(GetDlgItem(dialog, kIdInstallDirEdit));
    if (length > kPathBufferSize - 2 || editLength > kPathBufferSize - 1) {
        MessageBoxA(dialog, kPathTooLongText, kWarningCaption, MB_ICONWARNING | MB_OK);
        return;
    }

    // Entering the directory is the test for its existence.
    int settled = 2;
    if (SetCurrentDirectoryA(installDir)) {
        if (RefuseLinkedDirectory(dialog))
            return;
        settled = SettleExistingDirectory(dialog);
        if (settled == 0)
            return;
    }

    // Only the last level is created. A new directory gets rights that only
    // administrators can change, or is not made at all; an existing one
    // keeps its own. A directory that cannot be created, or that exists
    // after all when it was to be created (another user made it meanwhile,
    // with rights of their own), ends the install as a failed extraction.
    int created = 1;
    if (settled == 2) {
        SECURITY_ATTRIBUTES *security = InstallDirSecurity();
        created = security != NULL && CreateDirectoryA(installDir, security);
    }
    length = lstrlenA(installDir);
    if (length == 0 || installDir[length - 1] != '\\')
        lstrcatA(installDir, "\\");

    EnableWindow(GetDlgItem(dialog, kIdInstall), FALSE);
    ShowWindow(GetDlgItem(dialog, kIdDesktopIconCheck), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, kIdBrowseButton), SW_HIDE);

    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    int32_t result = -1;
    if (created)
        result = ExtractPayload();
    else
        SetupState.cancelled = 1;
    SetCursor(previous != NULL ? previous : LoadCursorA(NULL, IDC_ARROW));

    if (result == -1)
        MessageBoxA(SetupState.dialogWindow, kExtractFailedText, kErrorCaption,
                    MB_ICONERROR | MB_OK);
    else if (result == -2)
        MessageBoxA(SetupState.dialogWindow, kShortcutFailedText, kWarningCaption,
                    MB_ICONWARNING | MB_OK);
    DestroyWindow(dialog);
}
