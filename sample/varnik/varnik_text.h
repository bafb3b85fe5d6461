// What the sample program shows: plain text composed from its command line
// and current directory. Portable, so it can be checked anywhere.
#ifndef SAMPLE_VARNIK_VARNIK_TEXT_H
#define SAMPLE_VARNIK_VARNIK_TEXT_H

#include <stddef.h>

// True when one of the arguments after the program name equals
// switchText, ignoring ASCII case. The program name may be quoted.
bool VarnikHasSwitch(const char *commandLine, const char *switchText);

// Writes the window text (lines separated by "\r\n") into out, cut to fit
// size bytes including the terminator.
void VarnikComposeText(const char *productName, const char *switchText, const char *commandLine,
                       const char *currentDirectory, char *out, size_t size);

#endif
