// Which record names the setup program writes. One rule, shared by the
// installer and the vendor tools (zar pack refuses, zar test and extract
// report, what the installer would refuse). Portable: no platform headers.
#ifndef PAYLOAD_ENTRY_NAME_H
#define PAYLOAD_ENTRY_NAME_H

#include <stdint.h>

// 1 when name (a record's NUL-terminated relative path) may only lead to a
// file below the install directory, else 0. Refused: ':' anywhere (a drive
// or a stream), '/', a leading backslash (root or UNC path), an empty
// component, a component made of dots and blanks only (".", "..", and forms
// such as "..." or ".. " that the file system trims or older systems treat
// as steps up), a component ending in a dot or a blank (which Windows drops
// from names it is given), and a component that names a device.
int32_t EntryNameIsSafe(const char *name);

// 1 when the path component [start, end) names a device, which Windows opens
// instead of a file in whatever folder: the stem (the part before the first
// dot, less trailing blanks) is CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9
// (also with the superscript digits 1, 2, 3 of the ANSI code page), CONIN$
// or CONOUT$, in any case.
int32_t EntryComponentIsDevice(const char *start, const char *end);

#endif
