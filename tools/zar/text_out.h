// Small helpers for zar's messages.
#ifndef TOOLS_ZAR_TEXT_OUT_H
#define TOOLS_ZAR_TEXT_OUT_H

#include <cstdint>
#include <string>

// A name taken from an archive or from a folder being packed, as every zar
// message shows it: each byte below 0x20, 0x7F and each byte above it
// becomes \xNN (two upper-case hex digits), so no name can move the cursor,
// clear the screen, start a new line or change colours on a terminal. A
// backslash followed by 'x' becomes \x5C, so that in what is shown "\x"
// always starts an escape; every other character stands for itself
// (backslashes between folders included).
std::string PrintableName(const std::string &name);

// Prints "zar: " + message + newline on stderr.
void ReportError(const std::string &message);

// "record 3 'templates\a.bmp' at offset 1234"
std::string RecordLabel(uint32_t index, const std::string &name, uint32_t offset);

#endif
