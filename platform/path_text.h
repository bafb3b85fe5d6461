// Text in fixed buffers (paths, registry key names, captions): appending
// that never cuts a text short, and the one rule for naming a folder's
// child. A path cut short could name, and clear, another folder, so a text
// that does not fit is left out whole.
#ifndef PLATFORM_PATH_TEXT_H
#define PLATFORM_PATH_TEXT_H

#include <stdint.h>

// The buffer of one path: 259 characters and the final NUL.
enum {
    kPathSize = 260
};

// Appends text to the NUL-terminated buffer of capacity bytes. 1 when
// appended; 0, with the buffer unchanged, when the result would not fit.
int32_t AppendText(char *buffer, const char *text, int32_t capacity);

// The length of dir as a prefix of its children's paths: with exactly the
// one final backslash it has or is given (an empty dir gives 1, the
// backslash alone).
int32_t PathPrefixLength(const char *dir);

// Writes dir, a backslash unless dir already ends with one, and name into
// buffer of capacity bytes; buffer may be dir itself, and name may be empty
// (dir with its final backslash). Returns the joined path's length; 0, with
// buffer unchanged, when it would not fit.
int32_t JoinPath(char *buffer, int32_t capacity, const char *dir, const char *name);

#endif
