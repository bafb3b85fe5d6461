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
