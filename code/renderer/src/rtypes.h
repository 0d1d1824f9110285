// rtypes: the console's fixed-width types as the renderer's headers use them.
// Plain typedefs of the <stdint.h> types, so a program that also includes
// another library's identical typedefs still compiles (C11 and C++ allow a
// repeated typedef of the same type).
#ifndef RENDERER_RTYPES_H
#define RENDERER_RTYPES_H

#include <stdint.h>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef int16_t s16;
typedef int32_t s32;
typedef float f32;

#endif
