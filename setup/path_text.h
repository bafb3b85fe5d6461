// Text in fixed buffers (paths, registry key names, captions): appending
// that never cuts a text short. A path cut short could name, and clear,
// another folder, so a text that does not fit is left out whole.
#ifndef SETUP_PATH_TEXT_H
#define SETUP_PATH_TEXT_H

#include <stdint.h>

// Appends text to the NUL-terminated buffer of capacity bytes. 1 when
// appended; 0, with the buffer unchanged, when the result would not fit.
int32_t AppendText(char *buffer, const char *text, int32_t capacity);

#endif
