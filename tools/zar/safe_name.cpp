#include "safe_name.h"

#include "entry_name.h"
#include "text_out.h"

std::vector<std::string> SplitName(const std::string &name)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : name) {
        if (c == '\\') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

std::string UnsafeNameReason(const std::string &name)
{
    if (name.empty())
        return "empty name";
    if (name[0] == '\\')
        return "starts with a backslash";
    if (name.find(':') != std::string::npos)
        return "contains ':' (a drive or a stream name)";
    if (name.find('/') != std::string::npos)
        return "contains '/'";
    for (const std::string &part : SplitName(name)) {
        if (part.empty())
            return "has an empty path component";
        if (part.find_first_not_of(". ") == std::string::npos)
            return "has a '" + PrintableName(part) + "' component";
        if (EntryComponentIsDevice(part.data(), part.data() + part.size()))
            return "component '" + PrintableName(part) + "' is a Windows device name";
        if (part.back() == '.' || part.back() == ' ')
            return "component '" + PrintableName(part) + "' ends in a dot or a space, which Windows drops";
    }
    // The reasons above spell out the installer's own rule; it has the last word.
    if (!EntryNameIsSafe(name.c_str()))
        return "refused by the setup program";
    return "";
}

std::string WritableNameReason(const std::string &name)
{
    std::string unsafe = UnsafeNameReason(name);
    if (!unsafe.empty())
        return unsafe;
    for (unsigned char c : name)
        if (c < 0x20)
            return "contains a control character";
    return "";
}

std::string PackNameReason(const std::string &name, int dirLength)
{
    std::string unwritable = WritableNameReason(name);
    if (!unwritable.empty())
        return unwritable;
    for (unsigned char c : name) {
        if (c >= 0x80)
            return "contains a non-ASCII byte (names are written as ANSI text)";
        switch (c) {
        case '<':
        case '>':
        case '"':
        case '|':
        case '?':
        case '*':
            return std::string("contains '") + static_cast<char>(c) +
                   "', which Windows does not allow in file names";
        default:
            break;
        }
    }
    size_t pathLength = static_cast<size_t>(dirLength) + 1 + name.size();
    if (pathLength > kInstallPathLimit)
        return "too long: the installed path would be " + std::to_string(pathLength) + " characters (limit " +
               std::to_string(kInstallPathLimit) + " with an install folder of " + std::to_string(dirLength) +
               " characters)";
    return "";
}
