// The record name rule: components are checked one at a time as the name
// is scanned, so nothing is copied and any length is fine.
#include "entry_name.h"

static int32_t SameText(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

int32_t EntryComponentIsDevice(const char *start, const char *end)
{
    const char *stem = start;
    while (stem < end && *stem != '.')
        ++stem;
    while (stem > start && stem[-1] == ' ')
        --stem;
    int32_t length = (int32_t)(stem - start);
    if (length < 3 || length > 7)
        return 0;
    char upper[8];
    for (int32_t i = 0; i < length; ++i) {
        char c = start[i];
        upper[i] = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    }
    upper[length] = '\0';
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *device : kDevices) {
        if (SameText(upper, device))
            return 1;
    }
    unsigned char digit = (unsigned char)upper[3];
    upper[3] = '\0';
    return length == 4 && (SameText(upper, "COM") || SameText(upper, "LPT")) &&
           ((digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3);
}

int32_t EntryNameIsSafe(const char *name)
{
    int32_t onlyDots = 1;   // the component so far holds nothing but dots/blanks
    const char *component = name;
    const char *p = name;
    for (;; ++p) {
        char c = *p;
        if (c == ':' || c == '/')
            return 0;
        if (c == '\\' || c == '\0') {
            // Empty, ".", "..", " ." and the like, and any component ending
            // in a dot or a blank, which Windows drops from a name it is
            // given (its tools then cannot remove the file).
            if (onlyDots || p[-1] == '.' || p[-1] == ' ')
                return 0;
            if (EntryComponentIsDevice(component, p))
                return 0;
            if (c == '\0')
                return 1;
            onlyDots = 1;
            component = p + 1;
            continue;
        }
        if (c != '.' && c != ' ')
            onlyDots = 0;
    }
}
