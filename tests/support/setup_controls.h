// The install dialog as the tests know it: its template and the ids of the
// controls they find, read and press in a running setup.exe. Written down
// here, apart from the program's own header, so that a control the program
// renumbers is a control the tests no longer find.
#pragma once

namespace ctl {

const int kDialogTemplate = 110;   // the install dialog's template

const int kInstall = 1;          // "Install", the default button (IDOK)
const int kCancel = 2;           // "Cancel" (IDCANCEL)
const int kDirEdit = 1000;       // the install directory
const int kDesktopIcon = 1002;   // "Add icon to desktop"
const int kBrowse = 1003;        // "browse.."
const int kPanel = 1005;         // the progress panel

}   // namespace ctl
