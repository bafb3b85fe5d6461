#include "product_ini.h"

#include "archive_input.h"
#include "text_out.h"

#include "setup_config_layout.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

namespace {

const int kTextMax = kSetupConfigTextSize - 1;   // characters, without the NUL
const int kSwitchMax = kSetupConfigSwitchSize - 1;

struct KeySpec {
    const char *name;
    ProductValue ProductIni::*member;
    int maxLength;   // characters
    bool optional;
};

const KeySpec kKeys[] = {
    {"titleText", &ProductIni::titleText, kSetupConfigTitleMax, false},
    {"productName", &ProductIni::productName, kTextMax, false},
    {"folderName", &ProductIni::folderName, kTextMax, false},
    {"exeBaseName", &ProductIni::exeBaseName, kTextMax - 4, false},   // and ".exe"
    {"helpFileName", &ProductIni::helpFileName, kTextMax, false},
    {"helpShortcutName", &ProductIni::helpShortcutName, kTextMax, false},
    {"defaultParentDir", &ProductIni::defaultParentDir, kTextMax, false},
    {"version", &ProductIni::version, kTextMax, false},
    {"company", &ProductIni::company, kTextMax, false},
    {"copyrightYear", &ProductIni::copyrightYear, 4, true},
    {"uninstallSwitch", &ProductIni::uninstallSwitch, kSwitchMax, false},
    {"desktopIcon", &ProductIni::desktopIcon, kTextMax, false},
    {"registerUninstall", &ProductIni::registerUninstall, kTextMax, false},
    {"uninstallIconIndex", &ProductIni::uninstallIconIndex, kTextMax, false},
    {"createHelpShortcut", &ProductIni::createHelpShortcut, kTextMax, false},
    {"fileCount", &ProductIni::fileCount, kTextMax, false},
};
const char kStyleKey[] = "templateStyle";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string Strip(const std::string &text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        begin++;
    while (end > begin && IsBlank(text[end - 1]))
        end--;
    return text.substr(begin, end - begin);
}

// The first byte outside printable ASCII, or -1.
int FirstUnprintable(const std::string &text)
{
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c > 0x7E)
            return static_cast<int>(i);
    }
    return -1;
}

bool ParseInt32(const std::string &text, int32_t &value)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        i++;
    if (i == text.size())
        return false;
    for (size_t j = i; j < text.size(); j++)
        if (!IsDigit(text[j]))
            return false;
    errno = 0;
    char *end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

// "1", "1.2", "1.2.3" or "1.2.3.4", each number 0 to 65535.
bool ParseVersion(const std::string &text, uint16_t numbers[4])
{
    int count = 0;
    size_t i = 0;
    while (true) {
        if (count == 4 || i >= text.size() || !IsDigit(text[i]))
            return false;
        uint32_t number = 0;
        while (i < text.size() && IsDigit(text[i])) {
            number = number * 10 + static_cast<uint32_t>(text[i] - '0');
            if (number > 65535)
                return false;
            i++;
        }
        numbers[count++] = static_cast<uint16_t>(number);
        if (i == text.size())
            break;
        if (text[i] != '.')
            return false;
        i++;
    }
    for (int k = count; k < 4; k++)
        numbers[k] = 0;
    return true;
}

std::string DefaultYear()
{
    time_t now = time(nullptr);
    const char *epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch && *epoch) {
        char *end = nullptr;
        errno = 0;
        long long parsed = std::strtoll(epoch, &end, 10);
        if (errno == 0 && *end == '\0' && parsed >= 0)
            now = static_cast<time_t>(parsed);
    }
    struct tm parts;
    char year[16] = "1970";
    if (gmtime_r(&now, &parts))
        std::snprintf(year, sizeof year, "%04d", parts.tm_year + 1900);
    return year;
}

bool EqualIgnoringCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

}   // namespace

std::string ProductIni::At(const ProductValue &value, const std::string &message) const
{
    return file + ":" + std::to_string(value.line) + ": " + message;
}

std::string ProposedDirectory(const ProductIni &ini)
{
    return ini.defaultParentDir.text + "\\" + ini.folderName.text;
}

bool ParseProductIni(const std::string &path, ProductIni &ini, std::vector<std::string> &errors)
{
    const size_t errorsBefore = errors.size();
    ini = ProductIni();
    ini.file = path;
    std::vector<uint8_t> bytes;
    std::string readError;
    if (!ReadWholeFile(path, bytes, readError)) {
        errors.push_back(readError);
        return false;
    }
    std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);

    auto error = [&](int line, const std::string &message) {
        errors.push_back(path + ":" + std::to_string(line) + ": " + message);
    };

    // Lines: key=value, [section], ;comment or blank.
    std::map<std::string, bool> seen;
    int lineNumber = 0;
    size_t position = 0;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        std::string line =
            text.substr(position, end == std::string::npos ? std::string::npos : end - position);
        position = end == std::string::npos ? text.size() : end + 1;
        lineNumber++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string stripped = Strip(line);
        if (stripped.empty() || stripped[0] == ';')
            continue;
        if (stripped[0] == '[') {
            if (stripped.back() != ']')
                error(lineNumber, "a section line must end with ']'");
            continue;
        }
        size_t equals = stripped.find('=');
        std::string key = Strip(stripped.substr(0, equals == std::string::npos ? 0 : equals));
        bool keyOk = equals != std::string::npos && !key.empty() && IsLetter(key[0]);
        for (char c : key)
            keyOk = keyOk && (IsLetter(c) || IsDigit(c));
        if (!keyOk) {
            error(lineNumber,
                  "not a 'key=value' line, a [section] or a ';' comment: '" + PrintableName(stripped) + "'");
            continue;
        }
        ProductValue value{Strip(stripped.substr(equals + 1)), lineNumber};
        int bad = FirstUnprintable(value.text);
        if (bad >= 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(value.text[bad]));
            error(lineNumber, key + " '" + PrintableName(value.text) + "' is not plain ASCII (byte " + hex +
                                  "; only characters 0x20 to 0x7E are allowed)");
            // Still counted as given, so that no "missing" follows.
        }
        if (key == kStyleKey) {
            ini.templateStyles.push_back(value);
            continue;
        }
        const KeySpec *spec = nullptr;
        for (const KeySpec &candidate : kKeys)
            if (key == candidate.name)
                spec = &candidate;
        if (!spec) {
            error(lineNumber, "unknown key '" + PrintableName(key) + "'");
            continue;
        }
        ProductValue &slot = ini.*(spec->member);
        if (seen[key]) {
            error(lineNumber,
                  "duplicate key '" + key + "' (first given on line " + std::to_string(slot.line) + ")");
            continue;
        }
        seen[key] = true;
        slot = value;
    }
    ini.lastLine = lineNumber;

    // Each key: present, not empty, not too long.
    for (const KeySpec &spec : kKeys) {
        ProductValue &value = ini.*(spec.member);
        if (!seen[spec.name]) {
            if (!spec.optional)
                error(0, "missing key '" + std::string(spec.name) + "'");
            continue;
        }
        if (value.text.empty()) {
            error(value.line, std::string(spec.name) + " is empty");
        } else if (value.text.size() > static_cast<size_t>(spec.maxLength)) {
            std::string what = std::string(spec.name) + " is " + std::to_string(value.text.size()) +
                               " characters long; at most " + std::to_string(spec.maxLength) + " fit";
            if (spec.member == &ProductIni::exeBaseName)
                what += " (with \".exe\" added)";
            error(value.line, what);
        }
    }
    if (ini.templateStyles.size() != kSetupConfigStyleCount) {
        int line = ini.templateStyles.size() > kSetupConfigStyleCount
                       ? ini.templateStyles[kSetupConfigStyleCount].line
                       : 0;
        error(line, "exactly " + std::to_string(kSetupConfigStyleCount) +
                        " templateStyle values are needed, found " +
                        std::to_string(ini.templateStyles.size()));
    }
    for (const ProductValue &style : ini.templateStyles) {
        if (style.text.empty())
            error(style.line, "templateStyle is empty");
        else if (style.text.size() > static_cast<size_t>(kTextMax))
            error(style.line, "templateStyle is " + std::to_string(style.text.size()) +
                                  " characters long; at most " + std::to_string(kTextMax) + " fit");
    }

    // The numbers.
    struct IntKey {
        const char *name;
        ProductValue ProductIni::*member;
        int32_t ProductIni::*result;
    };
    const IntKey ints[] = {
        {"desktopIcon", &ProductIni::desktopIcon, &ProductIni::desktopIconValue},
        {"registerUninstall", &ProductIni::registerUninstall, &ProductIni::registerUninstallValue},
        {"uninstallIconIndex", &ProductIni::uninstallIconIndex, &ProductIni::uninstallIconIndexValue},
        {"createHelpShortcut", &ProductIni::createHelpShortcut, &ProductIni::createHelpShortcutValue},
        {"fileCount", &ProductIni::fileCount, &ProductIni::fileCountValue},
    };
    for (const IntKey &key : ints) {
        const ProductValue &value = ini.*(key.member);
        if (!seen[key.name] || value.text.empty())
            continue;
        if (!ParseInt32(value.text, ini.*(key.result)))
            error(value.line, std::string(key.name) + " '" + PrintableName(value.text) +
                                  "' is not an integer (-2147483648 to 2147483647)");
    }
    if (seen["fileCount"] && ParseInt32(ini.fileCount.text, ini.fileCountValue) && ini.fileCountValue < 1)
        error(ini.fileCount.line, "fileCount is " + ini.fileCount.text + "; at least 1 is needed");

    if (seen["version"] && !ini.version.text.empty() && !ParseVersion(ini.version.text, ini.versionNumbers))
        error(ini.version.line, "version '" + PrintableName(ini.version.text) +
                                    "' is not of the form 1.2.3.4 (1 to 4 numbers, each 0 to 65535)");
    if (seen["copyrightYear"]) {
        const std::string &year = ini.copyrightYear.text;
        bool ok = year.size() == 4;
        for (char c : year)
            ok = ok && IsDigit(c);
        if (!ok)
            error(ini.copyrightYear.line,
                  "copyrightYear '" + PrintableName(year) + "' is not a year of four digits");
    } else {
        ini.copyrightYear.text = DefaultYear();
    }

    // The dialog's proposed directory fills a 260-byte buffer.
    if (seen["defaultParentDir"] && seen["folderName"]) {
        size_t length = ProposedDirectory(ini).size();
        if (length > static_cast<size_t>(kTextMax))
            error(std::max(ini.defaultParentDir.line, ini.folderName.line),
                  "defaultParentDir, a backslash and folderName make a directory of " +
                      std::to_string(length) + " characters; at most " + std::to_string(kTextMax) + " fit");
    }
    return errors.size() == errorsBefore;
}

void CheckProductFiles(const ProductIni &ini, const std::vector<std::string> &names,
                       std::vector<std::string> &errors)
{
    if (ini.fileCountValue >= 1 && names.size() != static_cast<size_t>(ini.fileCountValue))
        errors.push_back(ini.At(ini.fileCount, "fileCount is " + std::to_string(ini.fileCountValue) +
                                                   " but the folder holds " + std::to_string(names.size()) +
                                                   " file(s) to pack"));
    auto present = [&](const std::string &wanted) {
        for (const std::string &name : names)
            if (EqualIgnoringCase(name, wanted))
                return true;
        return false;
    };
    std::string program = ini.exeBaseName.text + ".exe";
    if (!present(program))
        errors.push_back(ini.At(ini.exeBaseName, "the program '" + PrintableName(program) +
                                                     "' (exeBaseName and \".exe\") is not in the folder"));
    if (!present(ini.helpFileName.text))
        errors.push_back(ini.At(ini.helpFileName, "the help file '" + PrintableName(ini.helpFileName.text) +
                                                      "' (helpFileName) is not in the folder"));
    else if (EqualIgnoringCase(program, ini.helpFileName.text))
        errors.push_back(ini.At(ini.helpFileName, "helpFileName names the program itself"));
}
