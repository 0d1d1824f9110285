// Mipmap chain: level count, chain size, 2 x 2 reduction and tiling.
//
// Linear chain of side s: the levels s, s/2, ..., 1 back to back, each a
// linear RGBA8 image. Tiled chain: the levels of side 4 and up tiled in
// place (same offsets), then the 2 x 2 and 1 x 1 levels each padded into
// one 4 x 4 tile (top-left corner, transparent black elsewhere), so the
// tiled chain is the linear size + 108 bytes.
#include <cstring>

#include "texmill_internal.h"

namespace {

bool is_power_of_two(u32 v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

extern "C" {

u8 texmill_get_mipmap_depth(u32 stride) {
  u8 mipmap = 0;
  while (stride != 0) {
    stride >>= 1;
    ++mipmap;
  }
  return mipmap;
}

u32 texmill_get_mipmap_size(u32 stride) {
  u32 total_size = 0;
  while (stride != 0) {
    total_size += stride * stride * 4;
    stride >>= 1;
  }
  return total_size;
}

void texmill_create_mipmap(u8* data, u32 width) {
  if (width < 2 || !is_power_of_two(width)) return;
  // Each pass reads one level and writes the next one directly behind it.
  for (; width >= 2; width /= 2) {
    const size_t line = static_cast<size_t>(width) * 4;
    u8* next = data + line * width;
    u8* out = next;
    for (u32 y = 0; y < width; y += 2) {
      const u8* top = data + y * line;
      const u8* bottom = top + line;
      for (u32 x = 0; x < width; x += 2, out += 4) {
        const u8* a = top + x * 4;
        const u8* b = bottom + x * 4;
        for (u32 c = 0; c < 4; ++c) {
          const u32 sum = static_cast<u32>(a[c]) + a[c + 4] + b[c] + b[c + 4];
          out[c] = static_cast<u8>(sum >> 2);
        }
      }
    }
    data = next;
  }
}

void texmill_convert_mipmap(const u8* data_src, u32 stride, u8* data_dst) {
  if (stride < 2 || !is_power_of_two(stride)) return;
  while (stride != 2) {
    data_dst = texmill_tex_to_gx_RGBA8(data_src, stride, stride, data_dst);
    data_src += static_cast<size_t>(stride) * stride * 4;
    stride /= 2;
  }
  u8 padding_grid[64];
  std::memset(padding_grid, 0, sizeof padding_grid);
  std::memcpy(padding_grid, data_src, 8);            // 2 x 2 level, row 0
  std::memcpy(padding_grid + 16, data_src + 8, 8);   // row 1
  texmill_tex_to_gx_RGBA8(padding_grid, 4, 4, data_dst);
  std::memset(padding_grid, 0, sizeof padding_grid);
  std::memcpy(padding_grid, data_src + 16, 4);       // 1 x 1 level
  texmill_tex_to_gx_RGBA8(padding_grid, 4, 4, data_dst + 64);
}

}  // extern "C"
