#include "safe_name.h"

#include <cctype>

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
        if (part == "." || part == "..")
            return "has a '" + part + "' component";
    }
    return "";
}

namespace {

bool IsDeviceName(const std::string &part)
{
    std::string base = part.substr(0, part.find('.'));
    for (char &c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Windows also ignores trailing spaces before the extension.
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '1' && base[3] <= '9')
        return true;
    return false;
}

}  // namespace

std::string PackNameReason(const std::string &name, int dirLength)
{
    std::string unsafe = UnsafeNameReason(name);
    if (!unsafe.empty())
        return unsafe;
    for (unsigned char c : name) {
        if (c < 0x20)
            return "contains a control character";
        if (c >= 0x80)
            return "contains a non-ASCII byte (names are written as ANSI text)";
        switch (c) {
        case '<': case '>': case '"': case '|': case '?': case '*':
            return std::string("contains '") + static_cast<char>(c) + "', which Windows does not allow in file names";
        default:
            break;
        }
    }
    for (const std::string &part : SplitName(name)) {
        if (part.back() == '.' || part.back() == ' ')
            return "component '" + part + "' ends in a dot or a space, which Windows drops";
        if (IsDeviceName(part))
            return "component '" + part + "' is a Windows device name";
    }
    size_t pathLength = static_cast<size_t>(dirLength) + 1 + name.size();
    if (pathLength > kInstallPathLimit)
        return "too long: the installed path would be " + std::to_string(pathLength) +
               " characters (limit " + std::to_string(kInstallPathLimit) + " with an install folder of " +
               std::to_string(dirLength) + " characters)";
    return "";
}
