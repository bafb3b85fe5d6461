#include "gui_driver.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>

namespace gui {

namespace {

const int kPollMs = 20;
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool HasChildOfClass(HWND window, const char *className)
{
    return FindWindowExA(window, NULL, className, NULL) != NULL;
}

bool IsMessageBox(HWND window)
{
    return ClassOf(window) == "#32770" && !HasChildOfClass(window, "SysTreeView32")
           && (GetDlgItem(window, IDOK) || GetDlgItem(window, IDYES));
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
    static const char *const names[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore",
                                        "Yes", "No", "Close", "Help", "TryAgain", "Continue"};
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == "Button" && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    std::sort(ids.begin(), ids.end());
    std::string list;
    for (int id : ids) {
        list += list.empty() ? "" : " ";
        list += id > 0 && id < (int)(sizeof names / sizeof names[0]) ? names[id]
                                                                     : std::to_string(id);
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
        if (ClassOf(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON
            && IsWindowVisible(child))
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
    } kinds[] = {{IDI_EXCLAMATION, "warning"}, {IDI_HAND, "error"},
                 {IDI_ASTERISK, "information"}, {IDI_QUESTION, "question"},
                 {IDI_APPLICATION, "application"}};
    for (const auto &kind : kinds) {
        BITMAPINFO info = TopDownBitmapInfo(width, height);
        uint32_t *bits = NULL;
        HDC memory = CreateCompatibleDC(NULL);
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        std::fill(bits, bits + width * height, background);
        DrawIconEx(memory, 0, 0, LoadIconA(NULL, kind.id), width, height, 0, NULL, DI_NORMAL);
        GdiFlush();
        bool same = true;
        for (int i = 0; i < width * height && same; ++i)
            same = (bits[i] & 0xFFFFFF) == shown[i];
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        if (same)
            return kind.name;
    }
    return std::string();
}

}  // namespace

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
}

bool SetupProcess::Start(const std::string &exePath, const std::string &startDir)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"";
    return CreateProcessA(exePath.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                          startDir.c_str(), &startup, &info_) != 0;
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
    for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
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
            for (int painted = 0; painted < 2000 && seen.icon.empty(); painted += kPollMs) {
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
            if (window != except && window != dialog_ && ClassOf(window) == "#32770"
                && HasChildOfClass(window, "SysTreeView32"))
                return window;
        }
        Sleep(kPollMs);
    }
    return NULL;
}

std::string SetupProcess::CurrentDirectory() const
{
    typedef LONG(NTAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcess query = (QueryProcess)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                              "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    if (!query || query(info_.hProcess, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0
        || !ReadProcessMemory(info_.hProcess, basic.PebBaseAddress, &peb, sizeof peb, NULL))
        return std::string();
    // The current directory's path follows the maximum length, length, flags,
    // debug flags, console handle and flags and the three standard handles.
    UNICODE_STRING path = {};
    const char *at = (const char *)peb.ProcessParameters + 16 + 5 * sizeof(void *);
    wchar_t wide[MAX_PATH + 1] = L"";
    if (!ReadProcessMemory(info_.hProcess, at, &path, sizeof path, NULL) || path.Length > MAX_PATH * 2
        || !ReadProcessMemory(info_.hProcess, path.Buffer, wide, path.Length, NULL))
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
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL,
                             5000, &result))
        return std::string();
    return std::string(text);
}

void SetWindowTextRemote(HWND window, const std::string &text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000,
                        &result);
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
    for (int waited = 0; waited < 10000 && IsWindow(box.window); waited += kPollMs)
        Sleep(kPollMs);
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

std::string DirOfModule()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string Join(const std::string &dir, const std::string &name)
{
    if (!dir.empty() && dir.back() == '\\')
        return dir + name;
    return dir + "\\" + name;
}

bool MakeDirs(const std::string &path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
    return IsDirectory(path);
}

bool WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool WriteText(const std::string &path, const std::string &text)
{
    return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string &path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, NULL));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), (DWORD)bytes.size(), &read, NULL);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static void ListInto(const std::string &dir, const std::string &prefix,
                     std::vector<std::string> &out, bool removeAll)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(Join(dir, "*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string full = Join(dir, name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListInto(full, prefix + name + "\\", out, removeAll);
            if (removeAll)
                RemoveDirectoryA(full.c_str());
        } else if (removeAll) {
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(full.c_str());
        } else {
            out.push_back(prefix + name);
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

void RemoveTree(const std::string &path)
{
    std::vector<std::string> unused;
    ListInto(path, "", unused, true);
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> ListFiles(const std::string &dir)
{
    std::vector<std::string> files;
    ListInto(dir, "", files, false);
    std::sort(files.begin(), files.end());
    return files;
}

void UseUnmanagedWindows()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, NULL, 0, KEY_SET_VALUE,
                        NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, (const BYTE *)"N", 2);
    RegCloseKey(key);
}

std::string ReadShellFolder(const char *name)
{
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kShellFoldersKey, name, RRF_RT_REG_SZ, NULL, value,
                     &size) != ERROR_SUCCESS)
        return std::string();
    return value;
}

void SetShellFolder(const char *name, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, NULL, 0, KEY_SET_VALUE, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::string ReadUninstallValue(const std::string &product, const char *value)
{
    char text[1024] = "";
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), value, RRF_RT_REG_SZ,
                     NULL, text, &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

bool UninstallKeyExists(const std::string &product)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteUninstallKey(const std::string &product)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str());
}

void CreateUninstallKey(const std::string &product, const std::string &displayName)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, NULL, 0,
                        KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE *)displayName.c_str(),
                   (DWORD)displayName.size() + 1);
    RegCloseKey(key);
}

ShortcutSeen ReadShortcut(const std::string &linkPath)
{
    ShortcutSeen seen;
    HRESULT init = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link))) {
        IPersistFile *file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                char text[MAX_PATH] = "";
                if (link->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH) == S_OK)
                    seen.target = text;
                text[0] = '\0';
                link->GetArguments(text, MAX_PATH);
                seen.arguments = text;
                text[0] = '\0';
                link->GetWorkingDirectory(text, MAX_PATH);
                seen.workingDir = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return seen;
}

static void AppendLe32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

std::vector<uint8_t> BuildPayload(const std::vector<PayloadFile> &files)
{
    std::vector<uint8_t> archive;
    for (const PayloadFile &file : files) {
        const uint32_t size = (uint32_t)file.second.size();
        AppendLe32(archive, 0x0A72617A);                        // "zar\n"
        AppendLe32(archive, 20 + (uint32_t)file.first.size() + 1);
        AppendLe32(archive, 0);                                 // stored
        AppendLe32(archive, size);
        AppendLe32(archive, size);
        archive.insert(archive.end(), file.first.begin(), file.first.end());
        archive.push_back(0);
        archive.insert(archive.end(), file.second.begin(), file.second.end());
    }
    return archive;
}

bool CopyWithPayload(const std::string &exe, const std::string &copyPath,
                     const std::vector<uint8_t> &payload)
{
    if (!CopyFileA(exe.c_str(), copyPath.c_str(), FALSE))
        return false;
    HANDLE update = BeginUpdateResourceA(copyPath.c_str(), FALSE);
    if (!update)
        return false;
    BOOL ok = UpdateResourceA(update, "ZAR", MAKEINTRESOURCEA(119),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                              (void *)payload.data(), (DWORD)payload.size());
    return EndUpdateResourceA(update, !ok) && ok;
}

int CountPayloadRecords(const std::string &exe)
{
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return 0;
    int count = 0;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(119), "ZAR");
    if (found) {
        const uint8_t *data = (const uint8_t *)LockResource(LoadResource(module, found));
        const uint32_t size = SizeofResource(module, found);
        uint32_t offset = 0;
        auto le32 = [&](uint32_t at) {
            return (uint32_t)data[at] | (uint32_t)data[at + 1] << 8
                   | (uint32_t)data[at + 2] << 16 | (uint32_t)data[at + 3] << 24;
        };
        while (data && (uint64_t)offset + 20 < size && le32(offset) == 0x0A72617A) {
            ++count;
            offset += le32(offset + 4) + le32(offset + 12);
        }
    }
    FreeLibrary(module);
    return count;
}

}  // namespace gui
