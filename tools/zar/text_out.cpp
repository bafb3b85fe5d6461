#include "text_out.h"

#include <cstdio>

std::string PrintableName(const std::string &name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); i++) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        bool escapeLike = c == '\\' && i + 1 < name.size() && name[i + 1] == 'x';
        if (c < 0x20 || c >= 0x7F || escapeLike) {
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
