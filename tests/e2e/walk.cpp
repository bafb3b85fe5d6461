// An automatic walk through one install, for the demo and the screenshots:
// starts setup.exe, clicks Install on the proposed directory, answers the
// finish prompt No, and prints what was installed (files, shortcuts, the
// uninstall entry).
//   gui_walk SETUP_EXE [HANDOFF_DIR]
//   gui_walk --report [SETUP_EXE]   only prints what an install has left behind
// The product's names come from SETUP_EXE's own configuration resource (by
// default setup.exe beside gui_walk), read by the installer's loader.
// With HANDOFF_DIR, the walk pauses at three moments (dialog idle, during the
// extraction, finish prompt) for a screenshot taken outside Wine: it writes
// NAME.ready holding the dialog's screen rectangle "x y width height" and
// waits (at most 30 s) for NAME.done. During the extraction setup.exe's
// thread is suspended while the picture is taken.
#include "gui_driver.h"
#include "setup_controls.h"
#include "installer_config.h"
#include "setup_config.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace gui;

namespace {

std::string handoff;

void Pause(const char *name, HWND window)
{
    if (handoff.empty())
        return;
    RECT frame = {};
    GetWindowRect(window, &frame);
    const std::string ready = Join(handoff, std::string(name) + ".ready");
    const std::string done = Join(handoff, std::string(name) + ".done");
    WriteText(ready + ".tmp", std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
                                  std::to_string(frame.right - frame.left) + " " +
                                  std::to_string(frame.bottom - frame.top) + "\n");
    MoveFileA((ready + ".tmp").c_str(), ready.c_str());
    for (int waited = 0; waited < 30000 && !Exists(done); waited += 50)
        Sleep(50);
}

int CountFiles(const std::string &dir)
{
    return (int)ListFiles(dir).size();
}

// The directory of the program named by the uninstall entry.
std::string InstalledDir()
{
    std::string command = ReadUninstallValue(SetupConfig.productName, "UninstallString");
    const size_t open = command.find('"');
    if (open != std::string::npos)
        command = command.substr(open + 1, command.find('"', open + 1) - open - 1);
    return command.substr(0, command.find_last_of('\\'));
}

// Prints the installed files, the shortcuts and the uninstall entry; returns
// the number of files.
int Report(const std::string &dir)
{
    std::vector<std::string> files = ListFiles(dir);
    std::stable_partition(files.begin(), files.end(), [](const std::string &name) {
        return name.find('\\') == std::string::npos;   // top-level files first
    });
    printf("Installed in %s: %d files\n", dir.c_str(), (int)files.size());
    for (size_t i = 0; i < files.size() && i < 12; ++i)
        printf("  %s\n", files[i].c_str());
    if (files.size() > 12)
        printf("  ... and %d more\n", (int)files.size() - 12);

    const std::string menu = Join(ReadShellFolder("Programs"), SetupConfig.productName);
    printf("\nStart Menu folder %s:\n", menu.c_str());
    for (const std::string &link : ListFiles(menu)) {
        LinkInfo seen = ReadLink(Join(menu, link));
        printf("  %-28s -> %s %s\n", link.c_str(), seen.path.c_str(), seen.arguments.c_str());
    }
    const std::string desktopLink =
        Join(ReadShellFolder("Desktop"), std::string(SetupConfig.productName) + ".lnk");
    if (Exists(desktopLink))
        printf("Desktop: %s -> %s\n", desktopLink.c_str(), ReadLink(desktopLink).path.c_str());

    printf("\nHKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s\n", SetupConfig.productName);
    printf("  DisplayName     = %s\n", ReadUninstallValue(SetupConfig.productName, "DisplayName").c_str());
    printf("  UninstallString = %s\n",
           ReadUninstallValue(SetupConfig.productName, "UninstallString").c_str());
    return (int)files.size();
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: gui_walk SETUP_EXE [HANDOFF_DIR] | gui_walk --report\n");
        return 2;
    }
    const bool reportOnly = std::string(argv[1]) == "--report";
    const std::string exe =
        reportOnly ? (argc > 2 ? WinPath(argv[2]) : Join(BinDir(), kSampleInstaller)) : WinPath(argv[1]);
    static SetupConfigImage image;
    const std::string refused = LoadInstallerConfig(exe, &image, &SetupConfig);
    if (!refused.empty()) {
        fprintf(stderr, "%s\n", refused.c_str());
        return 1;
    }
    if (reportOnly) {
        if (!UninstallKeyExists(SetupConfig.productName)) {
            printf("%s is not installed.\n", SetupConfig.productName);
            return 1;
        }
        return Report(InstalledDir()) > 0 ? 0 : 1;
    }
    if (argc > 2) {
        handoff = WinPath(argv[2]);
    }

    SetupProcess setup;
    if (!setup.Start(exe, BinDir())) {
        fprintf(stderr, "cannot start %s\n", exe.c_str());
        return 1;
    }
    HWND dialog = setup.WaitDialog();
    if (!dialog) {
        fprintf(stderr, "the install dialog did not appear\n");
        return 1;
    }
    WaitPostedHandled(GetDlgItem(dialog, ctl::kDirEdit));
    const std::string dir = WindowText(GetDlgItem(dialog, ctl::kDirEdit));
    printf("Dialog \"%s\", proposed directory %s\n", WindowText(dialog).c_str(), dir.c_str());
    Pause("idle", dialog);

    // Install; setup.exe is stopped each time a file appears until about
    // half of them are written, so that the picture shows the extraction.
    ClickCommand(dialog, ctl::kInstall);
    const int half = SetupConfig.fileCount / 2;
    if (!handoff.empty()) {
        setup.LookAsFilesAppear(dir.substr(0, dir.find_last_of('\\')), [&] {
            if (CountFiles(dir) < half)
                return false;
            Pause("extracting", dialog);
            return true;
        });
    }

    MessageBoxSeen box = setup.WaitMessageBox();
    if (!box.window) {
        fprintf(stderr, "no message box after Install\n");
        return 1;
    }
    printf("Message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
    Pause("finish", box.window);
    Answer(box, box.no ? IDNO : IDOK);
    if (!box.no) {
        box = setup.WaitMessageBox();
        if (box.window) {
            printf("Message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
            Answer(box, IDNO);
        }
    }
    printf("setup.exe ended with exit code %d\n\n", setup.WaitExit());

    return Report(dir) > 0 ? 0 : 1;
}
