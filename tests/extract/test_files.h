// Test helpers on the real file system: a fresh folder below the temp
// directory per test, and whole-file reads and writes.
#ifndef TESTS_EXTRACT_TEST_FILES_H
#define TESTS_EXTRACT_TEST_FILES_H

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string CurrentDirectory()
{
    char buffer[MAX_PATH];
    return std::string(buffer, GetCurrentDirectoryA(MAX_PATH, buffer));
}

// Names in a folder without "." and "..", sorted.
inline std::vector<std::string> ListFolder(const std::string &path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((path + "\\*").c_str(), &entry);
    for (BOOL more = listing != INVALID_HANDLE_VALUE; more; more = FindNextFileA(listing, &entry))
        if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..")
            names.push_back(entry.cFileName);
    FindClose(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// Writes a file, creating the folders of its path below root first.
inline bool WriteBytes(const std::string &root, const std::string &relative, const Bytes &bytes)
{
    for (size_t slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1))
        CreateDirectoryA((root + "\\" + relative.substr(0, slash)).c_str(), nullptr);
    HANDLE file = CreateFileA((root + "\\" + relative).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return file != INVALID_HANDLE_VALUE && written == bytes.size();
}

inline Bytes ReadBytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    Bytes bytes(file == INVALID_HANDLE_VALUE ? 0 : GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), (DWORD)bytes.size(), &got, nullptr);
    CloseHandle(file);
    return bytes;
}

// Removes a tree, read-only files included; never enters reparse points.
inline void RemoveTree(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        for (const std::string &name : ListFolder(path))
            RemoveTree(path + "\\" + name);
    RemoveDirectoryA(path.c_str());
}

// A new empty folder below the temp directory, removed with its contents.
struct ScratchDir {
    std::string path;
    explicit ScratchDir(const std::string &tag)
    {
        static int counter = 0;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = temp + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        RemoveTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~ScratchDir() { RemoveTree(path); }
    std::string at(const std::string &relative) const { return path + "\\" + relative; }
};

// Bytes that differ from position to position, so that a misplaced or
// repeated piece shows in the content.
inline Bytes Pattern(size_t size, uint32_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

#endif
