#include "entry_name_cases.h"

namespace cases {

const std::vector<std::string> &LeavingNames()
{
    static const std::vector<std::string> names = {
        // Steps up, at the start and further in.
        "..\\canary.txt",
        "..\\VarnikPlus-canary\\inner.txt",
        "..\\..\\canary.txt",
        "sub\\..\\..\\..\\canary.txt",
        "sub\\..\\good1.txt",
        "a\\..",
        "..",
        // Components of dots and blanks, which the file system trims or
        // older systems take for steps up.
        ".",
        "...",
        ".. ",
        ".\\dot.txt",
        "sub\\.\\dot.txt",
        "...\\dots.txt",
        ".. \\blank.txt",
        " .\\x",
        "sub\\...\\x",
        // Components ending in a dot or a blank, which Windows drops.
        "dot.",
        "blank ",
        "dir.\\x.txt",
        "dir \\x.txt",
        // Roots, shares, drives and streams.
        "\\badinput-canary.txt",
        "\\",
        "\\\\server\\share\\unc.txt",
        "c:\\canary.txt",
        "c:canary.txt",
        "good1.txt:stream",
        "ads.txt::$DATA",
        // Forward slashes, and empty components.
        "sub/../../canary.txt",
        "/badinput-canary.txt",
        "a/b",
        "sub\\\\double.txt",
        "sub\\",
    };
    return names;
}

const std::vector<std::string> &DeviceNames()
{
    static const std::vector<std::string> names = {
        "NUL",      "nul.txt",  "sub\\NUL", "nul\\inside.txt", "nul .txt",  "Com1",
        "COM0",     "com9.x",   "com0.txt", "COM\xB9",         "COM\xB2",   "lpt\xB3",
        "LPT1.txt", "LPT0.log", "AUX",      "sub\\aux",        "con .log",  "CON",
        "con.txt",  "prn",      "CONIN$",   "CONOUT$",         "conout$.x", "sub\\CONOUT$",
    };
    return names;
}

const std::vector<std::string> &SafeNames()
{
    static const std::vector<std::string> names = {
        "ok.txt",   "a\\b\\c.bin",    ".hidden",  "a..b",   "v1..2\\x..txt",
        "a b\\..c", "with space.txt", "NULL.txt", "COM10",  "console.txt",
        "lpt.txt",  "sub\\AUXX",      "nul_.txt", "CONOUT", "auxiliary\\nul2.txt",
    };
    return names;
}

}   // namespace cases
