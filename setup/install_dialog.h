// The install dialog (template 110) and its folder browser.
#ifndef SETUP_INSTALL_DIALOG_H
#define SETUP_INSTALL_DIALOG_H

#include <windows.h>

enum {
    kInstallDialogId = 110,
    kIdInstall = 1,
    kIdCancel = 2,
    kIdInstallDirEdit = 1000,
    kIdDesktopIconCheck = 1002,
    kIdBrowseButton = 1003,
    kIdProgressPanel = 1005
};

// The directory proposed to the user, parent + "\" + folderName, into a
// buffer of kPathSize bytes. Both parts are appended or neither: "parent\" alone
// would propose the parent itself.
void ComposeProposal(char *text);

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int CALLBACK BrowseCallback(HWND browser, UINT event, LPARAM eventParam, LPARAM data);

#endif
