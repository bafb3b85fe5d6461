// Win32 test helpers on the real file system, registry and shell: files and
// trees, a fresh folder per test, payload resources in copies of a program,
// registry values and shortcut files, all read back through the platform.
#ifndef TESTS_SUPPORT_TEST_FILES_H
#define TESTS_SUPPORT_TEST_FILES_H

#include <windows.h>

#include <string>
#include <vector>

#include "test_data.h"

using Names = std::vector<std::string>;

bool Exists(const std::string &path);
bool FileExists(const std::string &path);
bool DirExists(const std::string &path);
std::string CurrentDirectory();
// dir and name joined by one backslash.
std::string Join(const std::string &dir, const std::string &name);
// The folder of the running program, with its final backslash.
std::string BinDir();

// Creates every missing folder of path; true when it is a folder then.
bool MakeDirs(const std::string &path);
// Writes a whole file, creating the folders of its path first.
bool WriteBytes(const std::string &path, const Bytes &bytes);
inline bool WriteBytes(const std::string &root, const std::string &relative, const Bytes &bytes)
{
    return WriteBytes(Join(root, relative), bytes);
}
bool WriteText(const std::string &path, const std::string &text);
// A whole file; empty, or "<missing>" as text, when it cannot be read.
Bytes ReadBytes(const std::string &path);
std::string ReadText(const std::string &path);

// Names in a folder without "." and "..", sorted.
Names ListFolder(const std::string &path);
// Every entry below root, relative to it, sorted; folders end in a backslash.
Names ListTree(const std::string &root);
// The files of ListTree only.
Names ListFiles(const std::string &root);
// Removes a tree, read-only files included; never enters reparse points.
void RemoveTree(const std::string &path);

// A new empty folder below the temp directory, removed with its contents.
struct ScratchDir {
    std::string path;
    explicit ScratchDir(const std::string &tag);
    ~ScratchDir() { RemoveTree(path); }
    std::string at(const std::string &relative) const { return path + "\\" + relative; }
};

// The payload resource "ZAR"/119 of a program: written into exe (its other
// resources kept), or into a fresh copy of exe; the records exe carries.
bool SetPayloadResource(const std::string &exe, const Bytes &payload);
bool CopyWithPayload(const std::string &exe, const std::string &copyPath, const Bytes &payload);
int CountPayloadRecords(const std::string &exe);
// Any resource of a program (English, US, as zar and the resource compiler
// write them): its bytes (empty when there is none), written into exe or,
// with empty data, deleted from it.
Bytes ReadResource(const std::string &exe, const char *type, int id);
bool SetResource(const std::string &exe, const char *type, int id, const Bytes &data);

inline const char kShellFoldersKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const char kUninstallKeyPrefix[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A value's stored bytes, "<missing>" when there is none; type if asked.
std::string RegBytes(HKEY root, const std::string &keyPath, const char *name, DWORD *type = nullptr);
// A text value without its NUL; empty when there is none.
std::string RegText(HKEY root, const std::string &keyPath, const char *name);
bool RegKeyExists(HKEY root, const std::string &keyPath);
// Sets a text value, creating the key; deletes the value when text is null.
void SetRegText(HKEY root, const std::string &keyPath, const char *name, const char *text);
inline void SetRegText(HKEY root, const std::string &keyPath, const char *name, const std::string &text)
{
    SetRegText(root, keyPath, name, text.c_str());
}
inline void DeleteRegValue(HKEY root, const std::string &keyPath, const char *name)
{
    SetRegText(root, keyPath, name, (const char *)nullptr);
}

// A shortcut file as the shell's link object loads it.
struct LinkInfo {
    bool loaded = false;
    std::string path, workingDir, arguments, iconPath;
    int iconIndex = -1;
};
LinkInfo ReadLink(const std::string &linkPath);

#endif
