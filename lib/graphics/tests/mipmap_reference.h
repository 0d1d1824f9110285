// Naive reference of the mipmap chain for the tests: each level pixel by
// pixel from the one above, and the tiled chain texel by texel through
// offset_of().
#pragma once
#include "texmill_test_util.h"

namespace texmill_test {

// Linear chain of side `side` from level 0 (side x side RGBA8).
inline Bytes reference_chain(const Bytes& level0, u32 side) {
  Bytes chain = level0;
  size_t at = 0;
  for (u32 n = side; n > 1; n /= 2) {
    const u32 m = n / 2;
    auto px = [&](u32 x, u32 y, u32 c) { return u32(chain[at + (size_t(y) * n + x) * 4 + c]); };
    Bytes next(size_t(m) * m * 4);
    for (u32 y = 0; y < m; ++y)
      for (u32 x = 0; x < m; ++x)
        for (u32 c = 0; c < 4; ++c)
          next[(size_t(y) * m + x) * 4 + c] =
              u8((px(2 * x, 2 * y, c) + px(2 * x + 1, 2 * y, c) + px(2 * x, 2 * y + 1, c) +
                  px(2 * x + 1, 2 * y + 1, c)) / 4);
    at += size_t(n) * n * 4;
    chain.insert(chain.end(), next.begin(), next.end());
  }
  return chain;
}

// Tiled chain of a linear chain: levels of side 4 and up placed texel by
// texel, the 2 x 2 and 1 x 1 levels each in the corner of a zeroed tile.
inline Bytes reference_tiled(const Bytes& chain, u32 side) {
  Bytes out;
  size_t at = 0;
  for (u32 n = side; n >= 1; n /= 2) {
    const u32 w = n < 4 ? 4 : n;
    Bytes level(size_t(w) * w * 4, 0);
    for (u32 y = 0; y < n; ++y)
      for (u32 x = 0; x < n; ++x) {
        const u8* p = &chain[at + (size_t(y) * n + x) * 4];
        const size_t o = offset_of(x, y, w);
        level[o] = p[3];
        level[o + 1] = p[0];
        level[o + 32] = p[1];
        level[o + 33] = p[2];
      }
    out.insert(out.end(), level.begin(), level.end());
    at += size_t(n) * n * 4;
  }
  return out;
}

}  // namespace texmill_test
