#include "pack_scan.h"

#include "text_out.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <map>
#include <sys/stat.h>

namespace {

struct Pending {
    std::string path;
    std::string name;   // "" for the packed folder itself
};

std::string Lower(const std::string &text)
{
    std::string out = text;
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

bool ScanPackTree(const std::string &directory, std::vector<PackEntry> &entries,
                  std::vector<std::string> &notes, std::string &error)
{
    entries.clear();
    struct stat top;
    if (stat(directory.c_str(), &top) != 0) {
        error = "cannot open '" + directory + "': " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(top.st_mode)) {
        error = "'" + directory + "' is not a directory";
        return false;
    }
    std::vector<Pending> folders{{directory, ""}};
    while (!folders.empty()) {
        Pending folder = folders.back();
        folders.pop_back();
        DIR *listing = opendir(folder.path.c_str());
        if (!listing) {
            error = "cannot read folder '" + PrintableName(folder.path) + "': " + std::strerror(errno);
            return false;
        }
        while (dirent *item = readdir(listing)) {
            std::string leaf = item->d_name;
            if (leaf == "." || leaf == "..")
                continue;
            std::string path = folder.path + "/" + leaf;
            struct stat st;
            if (lstat(path.c_str(), &st) != 0) {
                error = "cannot read '" + PrintableName(path) + "': " + std::strerror(errno);
                closedir(listing);
                return false;
            }
            if (leaf.find('\\') != std::string::npos) {
                error = "'" + PrintableName(path) + "': a backslash in a file name would split it into folders";
                closedir(listing);
                return false;
            }
            std::string name = folder.name.empty() ? leaf : folder.name + "\\" + leaf;
            if (S_ISDIR(st.st_mode)) {
                folders.push_back({path, name});
            } else if (S_ISREG(st.st_mode)) {
                entries.push_back({name, path, static_cast<uint64_t>(st.st_size), st.st_dev, st.st_ino});
            } else {
                notes.push_back("skipping '" + PrintableName(path) + "': " +
                                (S_ISLNK(st.st_mode) ? "a symbolic link" : "not a regular file"));
            }
        }
        closedir(listing);
    }
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
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const PackEntry &e) { return e.name == name; });
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
