// The install dialog: proposes the target directory, lets the user type one or
// pick its parent in the folder browser, offers the desktop icon, and carries
// Install and Cancel. Its frame control 1005 becomes the progress panel.
#include "install_dialog.h"
#include "path_text.h"
#include "progress_panel.h"
#include "run_setup.h"
#include "setup_config.h"
#include "setup_state.h"

#include <shlobj.h>

enum {
    kTitleBufferSize = 256,
    kNameInTitleMax = 200   // room left for the name in the browser title
};

static const char kCaptionPrefix[] = "Installing ";
static const char kBrowseTitleFormat[] = "Select directory for %s:";
static const char kPathTooLongText[] = "The directory name is too long.\nPlease choose a shorter one.";
static const char kWarningCaption[] = "Warning..!";

void ComposeProposal(char *text)
{
    lstrcpynA(text, SetupConfig.defaultParentDir, kPathSize);
    if (lstrlenA(text) + 1 + lstrlenA(SetupConfig.folderName) < kPathSize) {
        lstrcatA(text, "\\");
        lstrcatA(text, SetupConfig.folderName);
    }
}

static void InitialiseDialog(HWND dialog)
{
    char text[kPathSize];
    RECT desktop;
    RECT frame;

    // Centre on the desktop; a dialog larger than the desktop gets a negative
    // position rather than a wrapped one.
    GetClientRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &frame);
    const int32_t width = frame.right - frame.left;
    const int32_t height = frame.bottom - frame.top;
    const int32_t x = ((int32_t)desktop.right - width) / 2;
    const int32_t y = ((int32_t)desktop.bottom - height) / 2;
    MoveWindow(dialog, x, y, width, height, FALSE);

    lstrcpyA(text, kCaptionPrefix);
    AppendText(text, SetupConfig.titleText, kPathSize);
    SetWindowTextA(dialog, text);

    ComposeProposal(text);
    SetDlgItemTextA(dialog, kIdInstallDirEdit, text);

    // The desktop icon is always proposed; the build value does not count.
    CheckDlgButton(dialog, kIdDesktopIconCheck, BST_CHECKED);

    // From here on the frame control paints as the progress panel only.
    SetupState.progressPanel = GetDlgItem(dialog, kIdProgressPanel);
    SetWindowLongPtrA(SetupState.progressPanel, GWLP_WNDPROC, (LONG_PTR)ProgressPanelProc);
}

// The folder browser: a picked folder is taken as the parent of the install
// directory, so folderName is appended to it.
static void BrowseForParent(HWND dialog)
{
    char text[kPathSize];
    char title[kTitleBufferSize];
    char name[kNameInTitleMax];

    lstrcpynA(name, SetupConfig.productName, kNameInTitleMax);
    wsprintfA(title, kBrowseTitleFormat, name);

    BROWSEINFOA info;
    info.hwndOwner = dialog;
    info.pidlRoot = NULL;
    info.pszDisplayName = text;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = (LPARAM)SetupConfig.defaultParentDir;
    info.iImage = 0;

    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (list == NULL)
        return;   // the user cancelled

    // An item without a file-system path leaves the proposal as it was.
    if (!SHGetPathFromIDListA(list, text))
        text[0] = '\0';

    IMalloc *allocator = NULL;
    if (SHGetMalloc(&allocator) == S_OK && allocator != NULL) {
        allocator->Free(list);
        allocator->Release();
    }

    if (text[0] == '\0')
        return;

    if (!JoinPath(text, kPathSize, text, SetupConfig.folderName)) {
        MessageBoxA(dialog, kPathTooLongText, kWarningCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    SetDlgItemTextA(dialog, kIdInstallDirEdit, text);
}

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        InitialiseDialog(dialog);
        return 1;   // the platform focuses the first tab stop (Install)

    case WM_COMMAND:
        // Only the control id counts; the notification code is ignored. The
        // close box arrives here as command 2 and so acts as Cancel.
        switch (LOWORD(wParam)) {
        case kIdBrowseButton:
            BrowseForParent(dialog);
            return 1;
        case kIdInstall:
            RunInstallSequence(dialog);
            return 1;
        case kIdCancel:
            SetupState.cancelled = 1;
            DestroyWindow(dialog);
            return 1;
        default:
            return 0;
        }

    case WM_DESTROY:
        PostQuitMessage(0);
        return 1;

    default:
        return 0;
    }
}

int CALLBACK BrowseCallback(HWND browser, UINT event, LPARAM eventParam, LPARAM data)
{
    (void)eventParam;
    // Preselect the default parent, whatever the edit control holds. Posted,
    // so the browser handles it once its initialisation has finished.
    if (event == BFFM_INITIALIZED)
        PostMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}
