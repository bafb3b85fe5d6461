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
    kProfileNameSize = 64,
    kFoundPathSize = 256,
    kProfilePathSize = 260,
    kKeyMissing = -1
};

static const char kMainProgram[] = "varnik.exe";
static const char kProfileName[] = "varnik.ini";

// Reads section/key of the profile as an integer; kKeyMissing when the file,
// the section or the key is missing (or holds -1).
static int32_t ReadMarker(const char *profile, const char *section, const char *key)
{
    return (int32_t)GetPrivateProfileIntA(section, key, kKeyMissing, profile);
}

int32_t DetectExistingInstall(const char *path)
{
    char found[kFoundPathSize];
    char *filePart = NULL;
    if (SearchPathA(path, kMainProgram, NULL, kFoundPathSize, found, &filePart) == 0)
        return NoInstall;

    // path, a backslash unless it ends in one, and the profile's name. A path
    // too long for that cannot be read as a profile: the program is there but
    // unrecognised, so the user is asked before anything is overwritten.
    int32_t length = lstrlenA(path);
    int32_t needsBackslash = length == 0 || path[length - 1] != '\\';
    if (length + needsBackslash + (int32_t)sizeof kProfileName > kProfilePathSize)
        return UnrecognisedInstall;
    char profile[kProfilePathSize];
    lstrcpyA(profile, path);
    if (needsBackslash)
        lstrcatA(profile, "\\");
    lstrcatA(profile, kProfileName);

    if (ReadMarker(profile, "Varnik", "Swap_R&B") != kKeyMissing)
        return OlderInstall;
    if (ReadMarker(profile, "VarnikPlus", "UseMMX") != kKeyMissing)
        return CurrentInstall;
    return UnrecognisedInstall;
}

// The profile as read through the held folder, NUL-terminated.
static char profileText[kProfileBytes + 1];

// The trimmed text [start, end) copied into out (of kProfileNameSize
// bytes); an empty text when it does not fit.
static void TrimmedCopy(const char *start, const char *end, char *out)
{
    while (start < end && (*start == ' ' || *start == '\t'))
        ++start;
    while (end > start && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
        --end;
    const int32_t length = end - start < kProfileNameSize ? (int32_t)(end - start) : 0;
    lstrcpynA(out, start, length + 1);
}

// Reads section/key of profileText as the system's profile reader reads an
// integer: the first such key of a section of that name (letter case aside),
// its value's optional sign and leading digits (0 when none). kKeyMissing
// when there is no such key (or it holds -1).
static int32_t ReadHeldMarker(const char *section, const char *key)
{
    char name[kProfileNameSize];
    int32_t inSection = 0;
    for (const char *line = profileText; *line != '\0';) {
        const char *end = line;
        while (*end != '\0' && *end != '\n')
            ++end;
        const char *text = line;
        while (text < end && (*text == ' ' || *text == '\t'))
            ++text;
        const char *equals = text;
        while (equals < end && *equals != '=')
            ++equals;
        if (text < end && *text == '[') {
            const char *close = text;
            while (close < end && *close != ']')
                ++close;
            TrimmedCopy(text + 1, close, name);
            inSection = lstrcmpiA(name, section) == 0;
        } else if (inSection && text < end && *text != ';') {
            TrimmedCopy(text, equals, name);
            if (lstrcmpiA(name, key) == 0) {
                const char *value = equals < end ? equals + 1 : end;
                while (value < end && (*value == ' ' || *value == '\t'))
                    ++value;
                const int32_t negative = value < end && *value == '-';
                int32_t number = 0;
                for (value += negative; value < end && *value >= '0' && *value <= '9'; ++value)
                    number = number * 10 + (*value - '0');
                return negative ? -number : number;
            }
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
