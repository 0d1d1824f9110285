/* Fixed-width types of the console libraries.
 * Every console header includes this one; nothing here allocates or fails.
 * Console data is big-endian; these types say nothing about byte order, so
 * code that reads or writes bytes converts explicitly. */
#ifndef CONSOLE_TYPES_H
#define CONSOLE_TYPES_H

#include <stdint.h>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef int16_t s16;
typedef int32_t s32;
typedef float f32;

#endif
