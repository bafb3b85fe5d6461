// Small helpers for zar's messages.
#ifndef TOOLS_ZAR_TEXT_OUT_H
#define TOOLS_ZAR_TEXT_OUT_H

#include <cstdint>
#include <string>

// A name as it may be shown on a terminal: control characters and bytes
// outside ASCII become \xNN.
std::string PrintableName(const std::string &name);

// Prints "zar: " + message + newline on stderr.
void ReportError(const std::string &message);

// "record 3 'templates\a.bmp' at offset 1234"
std::string RecordLabel(uint32_t index, const std::string &name, uint32_t offset);

#endif
