#include "pack_scan.h"

#include "text_out.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Lower(const std::string &text)
{
    std::string out = text;
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Lists the folder open on fd (path and name for messages and entries; name
// is "" for the packed folder itself), and every folder below it, each
// opened relative to the one above without following a link and only when
// it is the very folder the listing showed: a folder swapped for a link
// meanwhile is neither listed nor named. Takes fd over.
bool ScanFolder(int fd, const std::string &path, const std::string &name, std::vector<PackEntry> &entries,
                std::vector<std::string> &notes, std::string &error)
{
    DIR *listing = fdopendir(fd);
    if (!listing) {
        error = "cannot read folder '" + PrintableName(path) + "': " + std::strerror(errno);
        close(fd);
        return false;
    }
    bool ok = true;
    while (dirent *item = readdir(listing)) {
        std::string leaf = item->d_name;
        if (leaf == "." || leaf == "..")
            continue;
        std::string itemPath = path + "/" + leaf;
        struct stat st;
        if (fstatat(dirfd(listing), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            error = "cannot read '" + PrintableName(itemPath) + "': " + std::strerror(errno);
            ok = false;
            break;
        }
        if (leaf.find('\\') != std::string::npos) {
            error =
                "'" + PrintableName(itemPath) + "': a backslash in a file name would split it into folders";
            ok = false;
            break;
        }
        std::string itemName = name.empty() ? leaf : name + "\\" + leaf;
        if (S_ISDIR(st.st_mode)) {
            int sub = openat(dirfd(listing), leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            // A link or a file at the name now, or nothing (ELOOP, ENOTDIR,
            // ENOENT), is a change; any other failure, such as a folder that
            // may not be read, is reported as what it is.
            if (sub < 0 && errno != ELOOP && errno != ENOTDIR && errno != ENOENT) {
                error = "cannot read folder '" + PrintableName(itemPath) + "': " + std::strerror(errno);
                ok = false;
                break;
            }
            struct stat opened;
            if (sub < 0 || fstat(sub, &opened) != 0 || opened.st_dev != st.st_dev ||
                opened.st_ino != st.st_ino) {
                error = "folder '" + PrintableName(itemPath) + "' changed while it was scanned";
                if (sub >= 0)
                    close(sub);
                ok = false;
                break;
            }
            if (!(ok = ScanFolder(sub, itemPath, itemName, entries, notes, error)))
                break;
        } else if (S_ISREG(st.st_mode)) {
            entries.push_back({itemName, itemPath, static_cast<uint64_t>(st.st_size), st.st_dev, st.st_ino});
        } else {
            notes.push_back("skipping '" + PrintableName(itemPath) +
                            "': " + (S_ISLNK(st.st_mode) ? "a symbolic link" : "not a regular file"));
        }
    }
    closedir(listing);
    return ok;
}

}   // namespace

bool ScanPackTree(const std::string &directory, std::vector<PackEntry> &entries,
                  std::vector<std::string> &notes, std::string &error)
{
    entries.clear();
    int fd = open(directory.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat top;
    if (fd < 0 || fstat(fd, &top) != 0) {
        error = "cannot open '" + directory + "': " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    if (!S_ISDIR(top.st_mode)) {
        error = "'" + directory + "' is not a directory";
        close(fd);
        return false;
    }
    if (!ScanFolder(fd, directory, "", entries, notes, error))
        return false;
    std::sort(entries.begin(), entries.end(),
              [](const PackEntry &a, const PackEntry &b) { return a.name < b.name; });
    std::sort(notes.begin(), notes.end());
    return true;
}

bool OrderPackEntries(std::vector<PackEntry> &entries, const std::vector<std::string> &first,
                      std::string &error)
{
    std::vector<PackEntry> ordered;
    std::vector<bool> taken(entries.size(), false);
    for (const std::string &given : first) {
        std::string name = given;
        std::replace(name.begin(), name.end(), '/', '\\');
        auto found =
            std::find_if(entries.begin(), entries.end(), [&](const PackEntry &e) { return e.name == name; });
        if (found == entries.end()) {
            error = "--first '" + PrintableName(given) + "': no such file in the folder being packed";
            return false;
        }
        size_t index = static_cast<size_t>(found - entries.begin());
        if (taken[index]) {
            error = "--first '" + PrintableName(given) + "' is given more than once";
            return false;
        }
        taken[index] = true;
        ordered.push_back(*found);
    }
    for (size_t i = 0; i < entries.size(); i++)
        if (!taken[i])
            ordered.push_back(entries[i]);
    entries.swap(ordered);
    return true;
}

std::string FindCaseConflict(const std::vector<PackEntry> &entries)
{
    std::map<std::string, std::string> files;
    for (const PackEntry &entry : entries) {
        auto inserted = files.emplace(Lower(entry.name), entry.name);
        if (!inserted.second)
            return "'" + PrintableName(inserted.first->second) + "' and '" + PrintableName(entry.name) +
                   "' differ only in case; Windows would write one over the other";
    }
    for (const PackEntry &entry : entries) {
        std::string lower = Lower(entry.name);
        for (size_t cut = lower.find('\\'); cut != std::string::npos; cut = lower.find('\\', cut + 1)) {
            auto file = files.find(lower.substr(0, cut));
            if (file != files.end())
                return "'" + PrintableName(file->second) + "' is a file, but '" + PrintableName(entry.name) +
                       "' needs a folder of that name on Windows";
        }
    }
    return "";
}
