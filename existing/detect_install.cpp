// Recognising an earlier installation in a target directory.
//
// Both product generations keep their main program "varnik.exe" and their
// profile "varnik.ini" directly in the installation directory. The older
// generation, Varnik, has the key "Swap_R&B" in the section "Varnik"; the
// current one, VarnikPlus, has "UseMMX" in "VarnikPlus". These names belong
// to the installed products, not to this build's configuration.
#include "detect_install.h"

#include <windows.h>

enum {
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
