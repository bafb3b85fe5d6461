// Whether a file holds exactly the main program that the payload carries.
#ifndef PAYLOAD_PROGRAM_CHECK_H
#define PAYLOAD_PROGRAM_CHECK_H

#include <windows.h>
#include <stdint.h>

// Compares the file open on file (for reading, at its start) byte for byte
// with the payload's first record, the main program, decoded again from the
// program's own "ZAR" resource; the record must be named name. Returns:
//   1  the same bytes, and no more
//   0  any difference, a read that fails, or a record that cannot be decoded
int32_t FileIsFirstRecord(HANDLE file, const char *name);

#endif
