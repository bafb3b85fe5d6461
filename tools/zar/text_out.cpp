#include "text_out.h"

#include <cstdio>

std::string PrintableName(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void ReportError(const std::string &message)
{
    std::fprintf(stderr, "zar: %s\n", message.c_str());
}

std::string RecordLabel(uint32_t index, const std::string &name, uint32_t offset)
{
    return "record " + std::to_string(index) + " '" + PrintableName(name) + "' at offset " +
           std::to_string(offset);
}
