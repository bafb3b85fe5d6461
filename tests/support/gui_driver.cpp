#include "gui_driver.h"
#include "setup_controls.h"

#include <commctrl.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>

namespace gui {

namespace {

const int kPollMs = 20;

bool HasChildOfClass(HWND window, const char *className)
{
    return FindWindowExA(window, NULL, className, NULL) != NULL;
}

bool IsMessageBox(HWND window)
{
    return ClassOf(window) == "#32770" && !HasChildOfClass(window, "SysTreeView32") &&
           (GetDlgItem(window, IDOK) || GetDlgItem(window, IDYES));
}

// The text of a message box: its static control that is not the icon.
std::string MessageBoxText(HWND box)
{
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Static")
            continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string candidate = WindowText(child);
        if (candidate.size() > text.size())
            text = candidate;
    }
    return text;
}

bool ButtonShown(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

// The visible buttons of a message box, named by their ids, in id order.
std::string ButtonsShown(HWND box)
{
    static const char *const names[] = {"",    "OK", "Cancel", "Abort", "Retry",    "Ignore",
                                        "Yes", "No", "Close",  "Help",  "TryAgain", "Continue"};
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == "Button" && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    std::sort(ids.begin(), ids.end());
    std::string list;
    for (int id : ids) {
        list += list.empty() ? "" : " ";
        list += id > 0 && id < (int)(sizeof names / sizeof names[0]) ? names[id] : std::to_string(id);
    }
    return list;
}

// The system icon a message box shows: its icon control's pixels on the
// screen compared with each system icon drawn here over the same background.
// Only a match of every pixel counts.
std::string IconKind(HWND box)
{
    HWND icon = NULL;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child))
            icon = child;
    RECT area;
    if (!icon || !GetWindowRect(icon, &area) || area.right <= area.left || area.bottom <= area.top)
        return std::string();
    const std::vector<uint32_t> shown = ScreenPixels(area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const uint32_t background = shown[0];
    static const struct {
        LPCSTR id;
        const char *name;
    } kinds[] = {{IDI_EXCLAMATION, "warning"},
                 {IDI_HAND, "error"},
                 {IDI_ASTERISK, "information"},
                 {IDI_QUESTION, "question"},
                 {IDI_APPLICATION, "application"}};
    for (const auto &kind : kinds) {
        Canvas canvas(width, height);
        canvas.Fill(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
        DrawIconEx(canvas.dc(), 0, 0, LoadIconA(NULL, kind.id), width, height, 0, NULL, DI_NORMAL);
        if (canvas.Pixels() == shown)
            return kind.name;
    }
    return std::string();
}

}   // namespace

BITMAPINFO TopDownBitmapInfo(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

std::vector<uint32_t> ScreenPixels(const RECT &area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<uint32_t> pixels((size_t)width * height);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    for (uint32_t &pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

SetupProcess::~SetupProcess()
{
    Kill();
    if (info_.hProcess) {
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    if (job_)
        CloseHandle(job_);
}

// Started suspended and put into a job of its own before its first
// instruction, so that every process it starts is counted in that job.
bool SetupProcess::Start(const std::string &exePath, const std::string &startDir,
                         const std::string &arguments)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"" + (arguments.empty() ? "" : " " + arguments);
    job_ = CreateJobObjectA(NULL, NULL);
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL,
                        startDir.c_str(), &startup, &info_))
        return false;
    if (!AssignProcessToJobObject(job_, info_.hProcess)) {
        CloseHandle(job_);
        job_ = NULL;
    }
    ResumeThread(info_.hThread);
    return true;
}

bool SetupProcess::LookAsFilesAppear(const std::string &dir, const std::function<bool()> &look, int timeoutMs)
{
    HANDLE change = FindFirstChangeNotificationA(dir.c_str(), TRUE, FILE_NOTIFY_CHANGE_FILE_NAME);
    bool done = false;
    while (!done && change != INVALID_HANDLE_VALUE &&
           WaitForSingleObject(change, timeoutMs) == WAIT_OBJECT_0) {
        if (SuspendThread(info_.hThread) == (DWORD)-1)
            break;
        done = look();
        ResumeThread(info_.hThread);
        if (!FindNextChangeNotification(change))
            break;
    }
    if (change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(change);
    return done;
}

bool SetupProcess::WaitAllProcessesEnded(int timeoutMs)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    for (int waited = 0; job_ != NULL; waited += kPollMs) {
        if (!QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting,
                                       sizeof accounting, NULL))
            return false;
        if (accounting.ActiveProcesses == 0)
            return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return false;
}

bool WaitPostedHandled(HWND window, int timeoutMs)
{
    // The marker: a setting the control keeps and reports (an edit control's
    // text limit, a tree view's indent), changed twice and then set back.
    const bool edit = ClassOf(window) == "Edit";
    const UINT get = edit ? EM_GETLIMITTEXT : TVM_GETINDENT;
    const UINT set = edit ? EM_SETLIMITTEXT : TVM_SETINDENT;
    DWORD_PTR original = 0, value = 0;
    if (!SendMessageTimeoutA(window, get, 0, 0, SMTO_NORMAL, timeoutMs, &original))
        return false;
    bool handled = true;
    for (DWORD_PTR mark = original + 1; handled && mark <= original + 2; ++mark) {
        PostMessageA(window, set, mark, 0);
        for (int waited = 0; handled && value != mark; waited += kPollMs) {
            handled =
                waited < timeoutMs && SendMessageTimeoutA(window, get, 0, 0, SMTO_NORMAL, timeoutMs, &value);
            if (handled && value != mark)
                Sleep(kPollMs);
        }
    }
    SendMessageTimeoutA(window, set, original, 0, SMTO_NORMAL, timeoutMs, &value);
    return handled;
}

HWND SetupProcess::WaitDialog(int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
        for (HWND window : WindowsOf(info_.dwProcessId)) {
            if (ClassOf(window) == "#32770" && WindowText(window).rfind("Installing ", 0) == 0) {
                dialog_ = window;
                return window;
            }
        }
        Sleep(kPollMs);
    }
    return NULL;
}

MessageBoxSeen FindMessageBox(DWORD pid, HWND except, int timeoutMs)
{
    MessageBoxSeen seen;
    for (int waited = 0; waited <= timeoutMs; waited += kPollMs) {
        for (HWND window : WindowsOf(pid)) {
            if (window == except || !IsMessageBox(window))
                continue;
            seen.window = window;
            seen.caption = WindowText(window);
            seen.text = MessageBoxText(window);
            seen.owner = GetWindow(window, GW_OWNER);
            seen.yes = ButtonShown(window, IDYES);
            seen.no = ButtonShown(window, IDNO);
            seen.ok = ButtonShown(window, IDOK);
            seen.buttons = ButtonsShown(window);
            for (int painted = 0; painted < 20000 && seen.icon.empty(); painted += kPollMs) {
                seen.icon = IconKind(window);
                if (seen.icon.empty())
                    Sleep(kPollMs);
            }
            return seen;
        }
        Sleep(kPollMs);
    }
    return seen;
}

MessageBoxSeen SetupProcess::WaitMessageBox(int timeoutMs)
{
    // In slices, so that a process that has ended stops the wait.
    for (int waited = 0; waited < timeoutMs; waited += 200) {
        MessageBoxSeen seen = FindMessageBox(info_.dwProcessId, dialog_, 200);
        if (seen.window || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0)
            return seen;
    }
    return MessageBoxSeen();
}

HWND SetupProcess::WaitOtherDialog(HWND except, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
        for (HWND window : WindowsOf(info_.dwProcessId)) {
            if (window != except && window != dialog_ && ClassOf(window) == "#32770" &&
                HasChildOfClass(window, "SysTreeView32"))
                return window;
        }
        Sleep(kPollMs);
    }
    return NULL;
}

HWND SetupProcess::OpenBrowser()
{
    ClickCommand(dialog_, ctl::kBrowse);
    HWND browser = WaitOtherDialog(dialog_);
    HWND tree = FindWindowExA(browser, NULL, "SysTreeView32", NULL);
    for (int waited = 0; tree && !SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0); waited += kPollMs) {
        if (waited >= 20000)
            return NULL;
        Sleep(kPollMs);
    }
    return tree && WaitPostedHandled(tree) ? browser : NULL;
}

bool SetupProcess::WaitGone(HWND window, int timeoutMs)
{
    for (int waited = 0; IsWindow(window); waited += kPollMs) {
        if (waited >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

std::string SetupProcess::CurrentDirectory() const
{
    typedef LONG(NTAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcess query =
        (QueryProcess)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    if (!query || query(info_.hProcess, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0 ||
        !ReadProcessMemory(info_.hProcess, basic.PebBaseAddress, &peb, sizeof peb, NULL))
        return std::string();
    // The current directory's path follows the maximum length, length, flags,
    // debug flags, console handle and flags and the three standard handles.
    UNICODE_STRING path = {};
    const char *at = (const char *)peb.ProcessParameters + 16 + 5 * sizeof(void *);
    wchar_t wide[MAX_PATH + 1] = L"";
    if (!ReadProcessMemory(info_.hProcess, at, &path, sizeof path, NULL) || path.Length > MAX_PATH * 2 ||
        !ReadProcessMemory(info_.hProcess, path.Buffer, wide, path.Length, NULL))
        return std::string();
    char text[MAX_PATH * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, path.Length / 2, text, sizeof text - 1, NULL, NULL);
    return text;
}

bool SetupProcess::DialogGone() const
{
    return dialog_ == NULL || !IsWindow(dialog_);
}

int SetupProcess::WaitExit(int timeoutMs)
{
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return (int)code;
}

void SetupProcess::Kill()
{
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 5000, &result))
        return std::string();
    return std::string(text);
}

std::string WaitWindowText(HWND window, const std::function<bool(const std::string &)> &done, int timeoutMs)
{
    std::string text = WindowText(window);
    for (int waited = 0; waited < timeoutMs && !done(text); waited += kPollMs) {
        Sleep(kPollMs);
        text = WindowText(window);
    }
    return text;
}

void SetWindowTextRemote(HWND window, const std::string &text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &result);
}

void ClickCommand(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (control)
        PostMessageA(control, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void Answer(const MessageBoxSeen &box, int id)
{
    ClickCommand(box.window, id);
    SetupProcess::WaitGone(box.window);
}

bool ControlVisible(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

bool ControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

// A named callback: lambdas do not convert to the stdcall pointers that
// 32-bit Windows callbacks need.
static BOOL CALLBACK CollectWindowOf(HWND window, LPARAM data)
{
    WindowSearch *s = (WindowSearch *)data;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == s->pid && IsWindowVisible(window))
        s->found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD pid)
{
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindowOf, (LPARAM)&search);
    return search.found;
}

std::string WinPath(const std::string &path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string result = "Z:" + path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

}   // namespace gui
