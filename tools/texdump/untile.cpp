// Inverse of the GX RGBA8 tiling. One 4 x 4 tile is 64 bytes, texel
// t = 4 * row + column, tiles left to right then top to bottom:
//
//   texel grid        bytes 0..31 (AR)           bytes 32..63 (GB)
//    0  1  2  3       A0 R0 A1 R1 .. A3 R3       G0 B0 G1 B1 .. G3 B3
//    4  5  6  7       A4 R4 ..       .. A7 R7    G4 B4 ..       .. G7 B7
//    8  9 10 11       A8 R8 ..       .. A11 R11  ...
//   12 13 14 15       A12 R12 ..     .. A15 R15  G12 B12 ..  .. G15 B15
#include "untile.h"

uint32_t gx_rgba8_offset(uint32_t pw2_width, uint32_t x, uint32_t y) {
  uint32_t tile = (y / 4) * (pw2_width / 4) + x / 4;
  uint32_t texel = 4 * (y % 4) + x % 4;
  return tile * 64 + 2 * texel;
}

void gx_rgba8_untile(const uint8_t* tiled, uint32_t pw2_width, uint32_t width, uint32_t height,
                     std::vector<uint8_t>& out) {
  out.assign(size_t(width) * height * 4, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* t = tiled + gx_rgba8_offset(pw2_width, x, y);
      uint8_t* p = &out[(size_t(y) * width + x) * 4];
      p[0] = t[1];   // red
      p[1] = t[32];  // green
      p[2] = t[33];  // blue
      p[3] = t[0];   // alpha
    }
  }
}

uint64_t mipmap_chain_length(uint32_t side) {
  // Levels of side 4 and up take side * side * 4 bytes; the 2 x 2 and 1 x 1
  // levels take one 64-byte tile each.
  uint64_t len = 0;
  for (uint64_t n = side; n >= 4; n /= 2) len += n * n * 4;
  return len + 128;
}

bool mipmap_picture(const uint8_t* chain, uint64_t chain_len, uint32_t side, std::vector<uint8_t>& out,
                    uint32_t& pic_width, uint32_t& pic_height) {
  if (side < 2 || (side & (side - 1)) != 0 || side > 32768) return false;
  if (chain_len < mipmap_chain_length(side)) return false;
  pic_width = 2 * side - 1;
  pic_height = side;
  out.assign(size_t(pic_width) * pic_height * 4, 0);
  std::vector<uint8_t> level;
  uint32_t left = 0;
  for (uint32_t n = side; n >= 1; n /= 2) {
    uint32_t pw2 = n < 4 ? 4 : n;
    gx_rgba8_untile(chain, pw2, n, n, level);
    for (uint32_t y = 0; y < n; ++y) {
      for (uint32_t x = 0; x < n * 4; ++x) {
        out[(size_t(y) * pic_width + left) * 4 + x] = level[size_t(y) * n * 4 + x];
      }
    }
    chain += size_t(pw2) * pw2 * 4;
    left += n;
  }
  return true;
}
