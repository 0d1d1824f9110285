// Linear RGBA8 -> GX RGBA8 tiles.
//
// One 4 x 4 tile, texel t = 4 * row + column, is 64 bytes:
//
//   texels        AR half (bytes 0..31)        GB half (bytes 32..63)
//   0  1  2  3    A0 R0 A1 R1 A2 R2 A3 R3      G0 B0 G1 B1 G2 B2 G3 B3
//   4  5  6  7    A4 R4 ...       ... A7 R7    G4 B4 ...       ... G7 B7
//   8  9 10 11    A8 R8 ...                    G8 B8 ...
//  12 13 14 15    A12 R12 ...     A15 R15      G12 B12 ...     G15 B15
//
// Tiles follow each other left to right, tile rows top to bottom.
#include "texmill.h"

extern "C" u8* texmill_tex_to_gx_RGBA8(const u8* src, u32 width, u32 height, u8* dst) {
  const u32 tiles_across = width / 4;
  const u32 tile_rows = height / 4;
  const size_t line = static_cast<size_t>(width) * 4;
  for (u32 row = 0; row < tile_rows; ++row) {
    const u8* tile = src + static_cast<size_t>(row) * 4 * line;
    for (u32 column = 0; column < tiles_across; ++column, tile += 16, dst += 64) {
      u8* ar = dst;
      u8* gb = dst + 32;
      const u8* p = tile;
      for (u32 j = 0; j < 4; ++j, p += line, ar += 8, gb += 8) {
        for (u32 k = 0; k < 4; ++k) {
          const u8 r = p[4 * k + 0];
          const u8 g = p[4 * k + 1];
          const u8 b = p[4 * k + 2];
          const u8 a = p[4 * k + 3];
          ar[2 * k + 0] = a;
          ar[2 * k + 1] = r;
          gb[2 * k + 0] = g;
          gb[2 * k + 1] = b;
        }
      }
    }
  }
  return dst;
}
