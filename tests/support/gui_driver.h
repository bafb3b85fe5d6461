// Drives a running setup.exe from another process through its real windows:
// finds the install dialog and message boxes, reads their texts, presses
// buttons. Files, registry, shortcuts and payloads: test_files.h.
#ifndef TESTS_GUI_GUI_DRIVER_H
#define TESTS_GUI_GUI_DRIVER_H

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "payload_archive.h"
#include "test_files.h"

namespace gui {

// A message box of the setup process, as found on the screen.
struct MessageBoxSeen {
    HWND window = NULL;
    std::string caption;
    std::string text;
    HWND owner = NULL;
    bool yes = false, no = false, ok = false;   // visible buttons
    std::string buttons;                        // every visible button, by id: "Yes No", "OK Cancel"...
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

    // Starts exePath (with arguments) with startDir as its current directory.
    bool Start(const std::string &exePath, const std::string &startDir, const std::string &arguments = "");
    // The install dialog once it is visible (null after the timeout).
    HWND WaitDialog(int timeoutMs = 20000);
    // The next visible message box of the process, whatever its caption.
    MessageBoxSeen WaitMessageBox(int timeoutMs = 60000);
    // Any visible top-level dialog of the process other than the install
    // dialog and message boxes already known: the folder browser.
    HWND WaitOtherDialog(HWND except, int timeoutMs = 20000);
    // Presses browse.. and waits for the folder browser, its tree holding a
    // selection and the preselection the dialog posted to it handled.
    HWND OpenBrowser();
    // Waits until the window is gone (or the timeout has passed).
    static bool WaitGone(HWND window, int timeoutMs = 20000);
    // True when the dialog is gone and no window of the process is left.
    bool DialogGone() const;
    // Waits for the process to end; its exit code, or -1 after the timeout.
    int WaitExit(int timeoutMs = 30000);
    // Each time a file appears below dir, suspends setup.exe's thread and
    // calls look() until it returns true (the thread is then resumed after
    // it) or no file has appeared for timeoutMs; false then.
    bool LookAsFilesAppear(const std::string &dir, const std::function<bool()> &look, int timeoutMs = 60000);
    // Waits until setup.exe and every process it started (they share its
    // job) have ended; false after the timeout.
    bool WaitAllProcessesEnded(int timeoutMs = 30000);
    void Kill();

    // The process's current directory with its final backslash, read from
    // its process parameters (empty when they cannot be read).
    std::string CurrentDirectory() const;

    DWORD Pid() const { return info_.dwProcessId; }
    DWORD MainThread() const { return info_.dwThreadId; }
    HWND Dialog() const { return dialog_; }

private:
    PROCESS_INFORMATION info_ = {};
    HANDLE job_ = NULL;
    HWND dialog_ = NULL;
};

// The first visible message box of process pid other than except, looking
// once and then for at most timeoutMs; an empty record when none appeared.
MessageBoxSeen FindMessageBox(DWORD pid, HWND except, int timeoutMs);

// Posts a marker message to window (an edit control or a tree view, which
// keep the marker as a setting) and waits until the window's thread has
// handled it, twice: every message posted to that thread
// before the call has then been handled, and so has every message their
// handling posted in turn (posted messages are handled in order). Proves
// that the program has reached the point where a reaction would show.
bool WaitPostedHandled(HWND window, int timeoutMs = 20000);

// Window helpers (cross-process).
std::string WindowText(HWND window);
// The window's text once done(text) holds (or the timeout has passed).
std::string WaitWindowText(HWND window, const std::function<bool(const std::string &)> &done,
                           int timeoutMs = 20000);
void SetWindowTextRemote(HWND window, const std::string &text);
void ClickCommand(HWND dialog, int id);   // WM_COMMAND/BN_CLICKED as a click sends
void Answer(const MessageBoxSeen &box, int id);
bool ControlVisible(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
std::string ClassOf(HWND window);
// Every visible top-level window of the process.
std::vector<HWND> WindowsOf(DWORD pid);
// The header of a 32-bit top-down bitmap of width by height pixels.
BITMAPINFO TopDownBitmapInfo(int width, int height);
// A 32-bit top-down bitmap selected into a memory device context, with the
// default GUI font; pixels as 0x00RRGGBB.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info = TopDownBitmapInfo(width, height);
        dc_ = CreateCompatibleDC(NULL);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, (void **)&bits_, NULL, 0);
        previous_ = SelectObject(dc_, bitmap_);
        SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;
    HDC dc() const { return dc_; }
    void Fill(COLORREF colour)
    {
        GdiFlush();
        std::fill(bits_, bits_ + width_ * height_, Pixel(colour));
    }
    uint32_t At(int x, int y) const
    {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }
    std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        std::vector<uint32_t> pixels(bits_, bits_ + width_ * height_);
        for (uint32_t &pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }
    static uint32_t Pixel(COLORREF colour)
    {
        return (uint32_t)GetRValue(colour) << 16 | (uint32_t)GetGValue(colour) << 8 | GetBValue(colour);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    uint32_t *bits_ = nullptr;
};

// What the screen shows in area (screen coordinates), row by row, as
// 0x00RRGGBB values.
std::vector<uint32_t> ScreenPixels(const RECT &area);

// Paths: a Unix path becomes its Wine drive Z: path; Windows paths pass.
std::string WinPath(const std::string &path);

// The user's Shell Folders values and the uninstall entries.
inline std::string ReadShellFolder(const char *name)
{
    return RegText(HKEY_CURRENT_USER, kShellFoldersKeyPath, name);
}
// Sets (or with null, deletes) a value of the user's Shell Folders key.
inline void SetShellFolder(const char *name, const char *value)
{
    SetRegText(HKEY_CURRENT_USER, kShellFoldersKeyPath, name, value);
}
inline std::string ReadUninstallValue(const std::string &product, const char *value)
{
    return RegText(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + product, value);
}
inline bool UninstallKeyExists(const std::string &product)
{
    return RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + product);
}
inline void DeleteUninstallKey(const std::string &product)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKeyPrefix + product).c_str());
}
inline void CreateUninstallKey(const std::string &product, const std::string &displayName)
{
    SetRegText(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + product, "DisplayName", displayName);
}

}   // namespace gui

#endif
