// texmill_pixels: expansion of source pixels into linear RGBA8 texels
// (R, G, B, A). Internal to the module. The expanders write into buffers
// the caller owns, read nothing outside the rows they are given and cannot
// fail.
#pragma once
#include "texmill.h"

namespace texmill_pixels {

// 3-3-2 byte: R, G = field x 36.0f, B = field x 85.
void from_332(u8 c, u8* texel);
// 5-5-5 word (bit 15 unused, red 10-14, green 5-9, blue 0-4): each x 8.0f.
void from_555(u32 word, u8* texel);

// Rows of an in-memory image into a linear RGBA8 image whose rows are
// dst_stride texels apart. Source row i is stored row i, or height - 1 - i
// when flip is not 0. With a palette each pixel is one index byte.
void expand_image(u32 width, u32 height, const u8* data, RGB_ENUM_TYPE depth,
                  const GX_COLOUR_TYPE* palette, u8 flip, u8* dst, u32 dst_stride);

// One stored BMP row of width pixels of bytes_per_pixel (1 to 4) bytes.
void expand_bmp_row(const u8* row, u32 width, u32 bytes_per_pixel, u8* dst);

}  // namespace texmill_pixels
