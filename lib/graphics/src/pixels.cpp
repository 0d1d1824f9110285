// Source pixels -> linear RGBA8 texels.
#include "texmill_pixels.h"

namespace texmill_pixels {
namespace {

constexpr f32 colour8 = 36.0f;   // 3-bit field -> 0..252
constexpr f32 colour16 = 8.0f;   // 5-bit field -> 0..248

// A field scaled in single precision and cut toward zero.
inline u8 scale(u32 field, f32 factor) {
  return static_cast<u8>(static_cast<s32>(static_cast<f32>(field) * factor));
}

inline void put(u8* texel, u8 r, u8 g, u8 b, u8 a) {
  texel[0] = r;
  texel[1] = g;
  texel[2] = b;
  texel[3] = a;
}

}  // namespace

void from_332(u8 c, u8* texel) {
  put(texel, scale(c >> 5, colour8), scale((c >> 2) & 7u, colour8),
      static_cast<u8>((c & 3u) * 85u), 255);
}

void from_555(u32 word, u8* texel) {
  put(texel, scale((word >> 10) & 31u, colour16), scale((word >> 5) & 31u, colour16),
      scale(word & 31u, colour16), 255);
}

void expand_image(u32 width, u32 height, const u8* data, RGB_ENUM_TYPE depth,
                  const GX_COLOUR_TYPE* palette, u8 flip, u8* dst, u32 dst_stride) {
  const u32 bytes_per_pixel = palette ? 1u : static_cast<u32>(depth);
  const size_t src_line = static_cast<size_t>(width) * bytes_per_pixel;
  for (u32 i = 0; i < height; ++i) {
    const u32 stored = flip ? height - 1 - i : i;
    const u8* s = data + stored * src_line;
    u8* t = dst + static_cast<size_t>(i) * dst_stride * 4;
    if (palette) {
      for (u32 j = 0; j < width; ++j, t += 4) {
        const GX_COLOUR_TYPE& e = palette[s[j]];
        put(t, e.r, e.g, e.b, e.a);
      }
      continue;
    }
    switch (depth) {
      case RGB_8:
        for (u32 j = 0; j < width; ++j, t += 4) from_332(s[j], t);
        break;
      case RGB_16:  // big-endian word, as the console stores it
        for (u32 j = 0; j < width; ++j, s += 2, t += 4)
          from_555(static_cast<u32>(s[0]) << 8 | s[1], t);
        break;
      case RGB_24:  // B, G, R
        for (u32 j = 0; j < width; ++j, s += 3, t += 4) put(t, s[2], s[1], s[0], 255);
        break;
      case RGB_32:  // A, B, G, R
        for (u32 j = 0; j < width; ++j, s += 4, t += 4) put(t, s[3], s[2], s[1], s[0]);
        break;
    }
  }
}

void expand_bmp_row(const u8* row, u32 width, u32 bytes_per_pixel, u8* dst) {
  switch (bytes_per_pixel) {
    case 1:
      for (u32 c = 0; c < width; ++c, dst += 4) from_332(row[c], dst);
      break;
    case 2:  // little-endian word
      for (u32 c = 0; c < width; ++c, row += 2, dst += 4)
        from_555(row[0] | static_cast<u32>(row[1]) << 8, dst);
      break;
    case 3:  // B, G, R
      for (u32 c = 0; c < width; ++c, row += 3, dst += 4) put(dst, row[2], row[1], row[0], 255);
      break;
    case 4:  // B, G, R, A
      for (u32 c = 0; c < width; ++c, row += 4, dst += 4)
        put(dst, row[2], row[1], row[0], row[3]);
      break;
    default:
      break;
  }
}

}  // namespace texmill_pixels
