#include "test_files.h"

#include <shlobj.h>

#include <algorithm>
#include <functional>

#include "payload_record.h"

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentDirectory()
{
    char buffer[MAX_PATH];
    return std::string(buffer, GetCurrentDirectoryA(MAX_PATH, buffer));
}

std::string Join(const std::string &dir, const std::string &name)
{
    return !dir.empty() && dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

std::string BinDir()
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1);
}

bool MakeDirs(const std::string &path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
    return DirExists(path);
}

bool WriteBytes(const std::string &path, const Bytes &bytes)
{
    size_t slash = path.rfind('\\');
    if (slash != std::string::npos && slash > 2)
        MakeDirs(path.substr(0, slash));
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool WriteText(const std::string &path, const std::string &text)
{
    return WriteBytes(path, ToBytes(text));
}

Bytes ReadBytes(const std::string &path)
{
    Bytes bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
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

std::string ReadText(const std::string &path)
{
    if (!FileExists(path))
        return "<missing>";
    Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// visit(relative name, entry) for every entry below root, children first;
// reparse points are listed, never entered.
static void WalkTree(const std::string &root, const std::string &relative,
                     const std::function<void(const std::string &, DWORD)> &visit)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(Join(Join(root, relative), "*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = relative + entry.cFileName;
        if (entry.cFileName == std::string(".") || entry.cFileName == std::string(".."))
            continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            WalkTree(root, name + "\\", visit);
        visit(name, entry.dwFileAttributes);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

Names ListFolder(const std::string &path)
{
    Names names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(Join(path, "*").c_str(), &entry);
    for (BOOL more = listing != INVALID_HANDLE_VALUE; more; more = FindNextFileA(listing, &entry))
        if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..")
            names.push_back(entry.cFileName);
    if (listing != INVALID_HANDLE_VALUE)
        FindClose(listing);
    std::sort(names.begin(), names.end());
    return names;
}

Names ListTree(const std::string &root)
{
    Names names;
    WalkTree(root, "", [&](const std::string &name, DWORD attributes) {
        names.push_back(attributes & FILE_ATTRIBUTE_DIRECTORY ? name + "\\" : name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

Names ListFiles(const std::string &root)
{
    Names files;
    for (const std::string &name : ListTree(root))
        if (name.back() != '\\')
            files.push_back(name);
    return files;
}

void RemoveTree(const std::string &path)
{
    WalkTree(path, "", [&](const std::string &name, DWORD attributes) {
        std::string full = Join(path, name);
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !RemoveDirectoryA(full.c_str()))
            DeleteFileA(full.c_str());
    });
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(path.c_str()))
        DeleteFileA(path.c_str());
}

ScratchDir::ScratchDir(const std::string &tag)
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path = temp + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool SetResource(const std::string &exe, const char *type, int id, const Bytes &data)
{
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update)
        return false;
    BOOL ok =
        UpdateResourceA(update, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                        data.empty() ? NULL : (void *)data.data(), (DWORD)data.size());
    return EndUpdateResourceA(update, !ok) && ok;
}

Bytes ReadResource(const std::string &exe, const char *type, int id)
{
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return {};
    Bytes bytes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found) {
        const uint8_t *data = (const uint8_t *)LockResource(LoadResource(module, found));
        if (data)
            bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

bool SetPayloadResource(const std::string &exe, const Bytes &payload)
{
    return SetResource(exe, "ZAR", 119, payload);
}

bool CopyWithPayload(const std::string &exe, const std::string &copyPath, const Bytes &payload)
{
    return CopyFileA(exe.c_str(), copyPath.c_str(), FALSE) && SetPayloadResource(copyPath, payload);
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
        PayloadRecord record;
        for (uint32_t offset = 0; data && PayloadReadRecord(data, offset, size, &record) == 1;
             offset = record.next)
            ++count;
    }
    FreeLibrary(module);
    return count;
}

std::string RegBytes(HKEY root, const std::string &keyPath, const char *name, DWORD *type)
{
    char data[4096];
    DWORD size = sizeof data;
    HKEY key;
    std::string result = "<missing>";
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    if (RegQueryValueExA(key, name, NULL, type, (BYTE *)data, &size) == ERROR_SUCCESS)
        result.assign(data, size);
    RegCloseKey(key);
    return result;
}

std::string RegText(HKEY root, const std::string &keyPath, const char *name)
{
    std::string bytes = RegBytes(root, keyPath, name);
    if (bytes == "<missing>")
        return std::string();
    return bytes.substr(0, bytes.find('\0'));
}

bool RegKeyExists(HKEY root, const std::string &keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetRegText(HKEY root, const std::string &keyPath, const char *name, const char *text)
{
    HKEY key;
    LONG opened = text ? RegCreateKeyExA(root, keyPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)
                       : RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS)
        return;
    if (text)
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

LinkInfo ReadLink(const std::string &linkPath)
{
    LinkInfo info;
    HRESULT init = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[4][1024] = {};
        link->GetPath(text[0], 1024, NULL, SLGP_RAWPATH);
        link->GetWorkingDirectory(text[1], 1024);
        link->GetArguments(text[2], 1024);
        link->GetIconLocation(text[3], 1024, &info.iconIndex);
        info = {true, text[0], text[1], text[2], text[3], info.iconIndex};
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return info;
}
