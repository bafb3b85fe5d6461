// Recognising an earlier installation in a target directory.
//
// Both product generations keep their main program "varnik.exe" and their
// profile "varnik.ini" directly in the installation directory. The older
// generation, Varnik, has the key "Swap_R&B" in the section "Varnik"; the
// current one, VarnikPlus, has "UseMMX" in "VarnikPlus". These names belong
// to the installed products, not to this build's configuration.
#include "detect_install.h"
#include "folder_handle.h"

#include <windows.h>

enum {
    kProfileBytes = 16384,   // the part of a profile read through a held folder
    kKeyMissing = -1
};

static const char kMainProgram[] = "varnik.exe";
static const char kProfileName[] = "varnik.ini";

// The profile as read through the held folder, NUL-terminated.
static char profileText[kProfileBytes + 1];

// Skips blanks and tabs.
static const char *SkipBlanks(const char *text, const char *end)
{
    while (text < end && (*text == ' ' || *text == '\t'))
        ++text;
    return text;
}

static char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// 1 when [text, end) is name (ASCII, letter case aside) with blanks around
// it.
static int32_t IsName(const char *text, const char *end, const char *name)
{
    text = SkipBlanks(text, end);
    for (; *name != '\0'; ++text, ++name)
        if (text == end || Upper(*text) != Upper(*name))
            return 0;
    return SkipBlanks(text, end) == end;
}

// Reads section/key of profileText as the system's profile reader reads an
// integer: the first such key of a section of that name (letter case aside),
// its value's optional sign and leading digits (0 when none). kKeyMissing
// when there is no such key (or it holds -1).
static int32_t ReadHeldMarker(const char *section, const char *key)
{
    int32_t inSection = 0;
    for (const char *line = profileText; *line != '\0';) {
        const char *end = line;
        while (*end != '\0' && *end != '\n')
            ++end;
        const char *last = end > line && end[-1] == '\r' ? end - 1 : end;
        const char *text = SkipBlanks(line, last);
        const char *equals = text;
        while (equals < last && *equals != '=')
            ++equals;
        if (text < last && *text == '[') {
            const char *close = text;
            while (close < last && *close != ']')
                ++close;
            inSection = IsName(text + 1, close, section);
        } else if (inSection && IsName(text, equals, key)) {
            const char *value = SkipBlanks(equals + (equals < last), last);
            const int32_t negative = value < last && *value == '-';
            int32_t number = 0;
            for (value += negative; value < last && *value >= '0' && *value <= '9'; ++value)
                number = number * 10 + (*value - '0');
            return negative ? -number : number;
        }
        line = *end == '\0' ? end : end + 1;
    }
    return kKeyMissing;
}

int32_t DetectExistingInstallIn(HANDLE dir)
{
    HANDLE entry;
    if (OpenChildEntry(dir, kMainProgram, 0, 0, &entry) != kEntryHeld)
        return NoInstall;
    CloseHandle(entry);
    DWORD read = 0;
    profileText[0] = '\0';
    if (OpenChildFile(dir, kProfileName, &entry) == kEntryHeld) {
        if (!ReadFile(entry, profileText, kProfileBytes, &read, NULL))
            read = 0;
        profileText[read] = '\0';
        CloseHandle(entry);
    }
    if (ReadHeldMarker("Varnik", "Swap_R&B") != kKeyMissing)
        return OlderInstall;
    if (ReadHeldMarker("VarnikPlus", "UseMMX") != kKeyMissing)
        return CurrentInstall;
    return UnrecognisedInstall;
}

int32_t DetectExistingInstall(const char *path)
{
    HANDLE dir;
    if (HoldFolder(path, 0, &dir) != kEntryHeld)
        return NoInstall;
    const int32_t kind = DetectExistingInstallIn(dir);
    CloseHandle(dir);
    return kind;
}
