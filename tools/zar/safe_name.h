// Rules for the relative paths stored in a payload archive.
#ifndef TOOLS_ZAR_SAFE_NAME_H
#define TOOLS_ZAR_SAFE_NAME_H

#include <string>
#include <vector>

enum {
    kInstallPathLimit = 253,   // longest target path the setup program writes
    kDefaultDirLength = 27     // "c:\program files\VarnikPlus"
};

// The rule the setup program applies before it writes a record: why it
// would refuse name, or "" when it writes it. Refused: empty, starting with a
// backslash, ':' anywhere (drive letters, alternate data streams), '/',
// empty components, components of dots and blanks only ("." and ".." among
// them), and Windows device names (CON, NUL, COM1.txt and the like).
std::string UnsafeNameReason(const std::string &name);

// What zar test and zar extract refuse: the setup program's rule above, and
// control characters (bytes below 0x20), which Windows does not allow in
// file names, so the setup program could not create the file either.
std::string WritableNameReason(const std::string &name);

// What zar pack refuses on top of that: characters Windows does not allow
// in file names (<>"|?* and control characters), bytes outside ASCII (the
// setup program writes names as ANSI text), components Windows would alter
// (a trailing dot or space), and names that make the target path longer than
// the setup program accepts for an install directory of dirLength characters.
std::string PackNameReason(const std::string &name, int dirLength);

// The name's components, split at backslashes.
std::vector<std::string> SplitName(const std::string &name);

#endif
