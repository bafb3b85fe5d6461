#include "varnik_text.h"

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Appends text to out at *used, never past size - 1; keeps it terminated.
void Append(char *out, size_t size, size_t *used, const char *text)
{
    while (*text && *used + 1 < size)
        out[(*used)++] = *text++;
    out[*used] = '\0';
}

}   // namespace

bool VarnikHasSwitch(const char *commandLine, const char *switchText)
{
    const char *p = commandLine;
    // The program name: up to the closing quote if quoted, else to a blank.
    if (*p == '"') {
        p++;
        while (*p && *p != '"')
            p++;
        if (*p == '"')
            p++;
    } else {
        while (*p && !IsBlank(*p))
            p++;
    }
    for (;;) {
        while (IsBlank(*p))
            p++;
        if (!*p)
            return false;
        const char *start = p;
        while (*p && !IsBlank(*p))
            p++;
        const char *s = switchText;
        const char *q = start;
        while (q < p && *s && Lower(*q) == Lower(*s)) {
            q++;
            s++;
        }
        if (q == p && !*s)
            return true;
    }
}

void VarnikComposeText(const char *productName, const char *switchText, const char *commandLine,
                       const char *currentDirectory, char *out, size_t size)
{
    if (size == 0)
        return;
    size_t used = 0;
    out[0] = '\0';
    Append(out, size, &used, "This is the sample product of ");
    Append(out, size, &used, productName);
    Append(out, size, &used, ", installed by its setup program.\r\n\r\n");
    Append(out, size, &used, "Command line: ");
    Append(out, size, &used, commandLine);
    Append(out, size, &used, "\r\nCurrent directory: ");
    Append(out, size, &used, currentDirectory);
    if (VarnikHasSwitch(commandLine, switchText)) {
        Append(out, size, &used, "\r\n\r\nStarted with ");
        Append(out, size, &used, switchText);
        Append(out, size, &used, ": ");
        Append(out, size, &used, productName);
        Append(out, size, &used,
               " would uninstall itself now. The sample product does not uninstall anything.");
    }
}
