// Drives a running setup.exe from another process through its real windows:
// finds the install dialog and message boxes, reads their texts, presses
// buttons; plus the file, registry and payload helpers the GUI tests share.
#ifndef TESTS_GUI_GUI_DRIVER_H
#define TESTS_GUI_GUI_DRIVER_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gui {

// A message box of the setup process, as found on the screen.
struct MessageBoxSeen {
    HWND window = NULL;
    std::string caption;
    std::string text;
    HWND owner = NULL;
    bool yes = false, no = false, ok = false;   // visible buttons
    std::string buttons;   // every visible button, by id: "Yes No", "OK Cancel"...
    // The system icon shown, told by its pixels: "warning", "error",
    // "information", "question", "application"; empty when none matches.
    std::string icon;
};

// One setup.exe process started by the tests.
class SetupProcess {
public:
    SetupProcess() = default;
    SetupProcess(const SetupProcess &) = delete;
    SetupProcess &operator=(const SetupProcess &) = delete;
    ~SetupProcess();

    // Starts exePath with startDir as its current directory.
    bool Start(const std::string &exePath, const std::string &startDir);
    // The install dialog once it is visible (null after the timeout).
    HWND WaitDialog(int timeoutMs = 20000);
    // The next visible message box of the process, whatever its caption.
    MessageBoxSeen WaitMessageBox(int timeoutMs = 60000);
    // Any visible top-level dialog of the process other than the install
    // dialog and message boxes already known: the folder browser.
    HWND WaitOtherDialog(HWND except, int timeoutMs = 20000);
    // True when the dialog is gone and no window of the process is left.
    bool DialogGone() const;
    // Waits for the process to end; its exit code, or -1 after the timeout.
    int WaitExit(int timeoutMs = 30000);
    void Kill();

    // The process's current directory with its final backslash, read from
    // its process parameters (empty when they cannot be read).
    std::string CurrentDirectory() const;

    DWORD Pid() const { return info_.dwProcessId; }
    DWORD MainThread() const { return info_.dwThreadId; }
    HANDLE Process() const { return info_.hProcess; }
    HANDLE Thread() const { return info_.hThread; }
    HWND Dialog() const { return dialog_; }

private:
    PROCESS_INFORMATION info_ = {};
    HWND dialog_ = NULL;
};

// The first visible message box of process pid other than except, waiting
// at most timeoutMs; an empty record when none appeared.
MessageBoxSeen FindMessageBox(DWORD pid, HWND except, int timeoutMs);

// Window helpers (cross-process).
std::string WindowText(HWND window);
void SetWindowTextRemote(HWND window, const std::string &text);
void ClickCommand(HWND dialog, int id);     // WM_COMMAND/BN_CLICKED as a click sends
void Answer(const MessageBoxSeen &box, int id);
bool ControlVisible(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
std::string ClassOf(HWND window);
// Every visible top-level window of the process.
std::vector<HWND> WindowsOf(DWORD pid);
// The header of a 32-bit top-down bitmap of width by height pixels.
BITMAPINFO TopDownBitmapInfo(int width, int height);
// What the screen shows in area (screen coordinates), row by row, as
// 0x00RRGGBB values.
std::vector<uint32_t> ScreenPixels(const RECT &area);

// Paths: a Unix path becomes its Wine drive Z: path; Windows paths pass.
std::string WinPath(const std::string &path);
std::string DirOfModule();
std::string Join(const std::string &dir, const std::string &name);

// Files.
bool MakeDirs(const std::string &path);
bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
bool WriteText(const std::string &path, const std::string &text);
std::vector<uint8_t> ReadBytes(const std::string &path);
bool Exists(const std::string &path);
bool IsDirectory(const std::string &path);
void RemoveTree(const std::string &path);
// Relative paths of every file below dir, sorted.
std::vector<std::string> ListFiles(const std::string &dir);

// Under Wine without a window manager (Xvfb), windows started after this
// call are drawn by Wine itself, caption included, and close at once instead
// of waiting for a manager that never answers. No effect on Windows.
void UseUnmanagedWindows();

// Registry and shortcuts.
std::string ReadShellFolder(const char *name);
// Sets (or with null, deletes) a value of the user's Shell Folders key.
void SetShellFolder(const char *name, const char *value);
std::string ReadUninstallValue(const std::string &product, const char *value);
bool UninstallKeyExists(const std::string &product);
void DeleteUninstallKey(const std::string &product);
void CreateUninstallKey(const std::string &product, const std::string &displayName);
// Target path and arguments of a shell link; empty target when unreadable.
struct ShortcutSeen { std::string target, arguments, workingDir; };
ShortcutSeen ReadShortcut(const std::string &linkPath);

// Payload archives: stored records in the installer's format.
using PayloadFile = std::pair<std::string, std::vector<uint8_t>>;
std::vector<uint8_t> BuildPayload(const std::vector<PayloadFile> &files);
// Copies exe to copyPath and replaces its payload resource.
bool CopyWithPayload(const std::string &exe, const std::string &copyPath,
                     const std::vector<uint8_t> &payload);
// Number of records in the payload resource of exe (0 when none).
int CountPayloadRecords(const std::string &exe);

}  // namespace gui

#endif
