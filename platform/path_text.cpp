#include "path_text.h"

#include <windows.h>

int32_t AppendText(char *buffer, const char *text, int32_t capacity)
{
    int32_t used = lstrlenA(buffer);
    if (used + lstrlenA(text) >= capacity)
        return 0;
    lstrcpyA(buffer + used, text);
    return 1;
}

int32_t PathPrefixLength(const char *dir)
{
    const int32_t length = lstrlenA(dir);
    return length > 0 && dir[length - 1] == '\\' ? length : length + 1;
}

int32_t JoinPath(char *buffer, int32_t capacity, const char *dir, const char *name)
{
    const int32_t dirLength = lstrlenA(dir);
    const int32_t prefix = PathPrefixLength(dir);
    const int32_t length = prefix + lstrlenA(name);
    if (length >= capacity)
        return 0;
    if (buffer != dir)
        lstrcpyA(buffer, dir);
    buffer[dirLength] = '\\';
    lstrcpyA(buffer + prefix, name);
    return length;
}
