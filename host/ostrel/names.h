// names: what the upload driver makes of its two arguments. The program path
// gives the 16-byte name field of the upload header (the last at most 11
// characters before the first '.', then that dot and up to three more
// characters, NUL-filled); the port name is checked before anything opens it.
// The caller owns both buffers; nothing before the start of the path is read.
// Failure: false, and the caller prints its own message.
#pragma once
#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { NAMES_FIELD_SIZE = 16 };

// Fills field (16 bytes, zero-filled); false when the path has no '.'.
bool names_name_field(const char* path, char field[NAMES_FIELD_SIZE]);
// True for "COM" followed by at most three characters; outside Windows also
// for a device path (any name with a '/').
bool names_port_ok(const char* name);

#ifdef __cplusplus
}
#endif
