// Linear RGBA8 -> GX RGBA8 tiles, against hand-worked bytes and against
// the naive per-texel reference offset_of().
#include <random>

#include "texmill_test_util.h"

namespace {

using namespace texmill_test;

constexpr u8 canary = 0xC3;

// A linear image whose every texel is distinct: R, G, B, A from (x, y).
Bytes numbered(u32 w, u32 h) {
  Bytes img(static_cast<size_t>(w) * h * 4);
  for (u32 y = 0; y < h; ++y)
    for (u32 x = 0; x < w; ++x) {
      u8* p = &img[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = u8(x);
      p[1] = u8(y);
      p[2] = u8(x * 7 + y);
      p[3] = u8(x ^ (y << 3));
    }
  return img;
}

// Tiles `src` into a buffer with canary bytes past its end; checks the
// returned end pointer and the canaries.
Bytes tile(const Bytes& src, u32 w, u32 h) {
  const size_t n = static_cast<size_t>(w) * h * 4;
  Bytes dst(n + 16, canary);
  u8* end = texmill_tex_to_gx_RGBA8(src.data(), w, h, dst.data());
  EXPECT_EQ(end, dst.data() + n);
  for (size_t i = n; i < dst.size(); ++i) EXPECT_EQ(dst[i], canary) << "written past the tiles";
  dst.resize(n);
  return dst;
}

TEST(Tiler, FourByFourTileBytes) {
  Bytes src(64);
  for (u32 p = 0; p < 16; ++p) {
    src[p * 4 + 0] = u8(p);
    src[p * 4 + 1] = u8(16 + p);
    src[p * 4 + 2] = u8(32 + p);
    src[p * 4 + 3] = u8(48 + p);
  }
  Bytes expected;
  for (u32 t = 0; t < 16; ++t) expected.insert(expected.end(), {u8(48 + t), u8(t)});
  for (u32 t = 0; t < 16; ++t) expected.insert(expected.end(), {u8(16 + t), u8(32 + t)});
  EXPECT_EQ(tile(src, 4, 4), expected);
}

TEST(Tiler, OpaqueRedPixel) {
  Bytes src(64, 0);
  src[0] = 255;  // texel 0: R 255, A 255
  src[3] = 255;
  const Bytes out = tile(src, 4, 4);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 255);
  EXPECT_EQ(out[32], 0);
  EXPECT_EQ(out[33], 0);
}

// Which source tile each 64-byte destination tile holds, for 8 x 4 and 8 x 8.
TEST(Tiler, TileOrderLeftToRightThenDown) {
  struct Case {
    u32 w, h;
    std::vector<std::pair<u32, u32>> tiles;  // (tile column, tile row) in output order
  };
  const Case cases[] = {{8, 4, {{0, 0}, {1, 0}}}, {8, 8, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}}};
  for (const Case& c : cases) {
    const Bytes out = tile(numbered(c.w, c.h), c.w, c.h);
    for (size_t i = 0; i < c.tiles.size(); ++i) {
      // Red of texel 0 is the x, green the y of the tile's top-left pixel.
      EXPECT_EQ(out[i * 64 + 1], c.tiles[i].first * 4) << c.w << "x" << c.h << " tile " << i;
      EXPECT_EQ(out[i * 64 + 32], c.tiles[i].second * 4) << c.w << "x" << c.h << " tile " << i;
    }
  }
}

TEST(Tiler, ZeroSizeWritesNothing) {
  Bytes dst(8, canary);
  const u8 src[4] = {1, 2, 3, 4};
  EXPECT_EQ(texmill_tex_to_gx_RGBA8(src, 0, 4, dst.data()), dst.data());
  EXPECT_EQ(texmill_tex_to_gx_RGBA8(src, 4, 0, dst.data()), dst.data());
  EXPECT_EQ(dst, Bytes(8, canary));
}

TEST(Tiler, ChainedLevelStartsWhereTheLastEnded) {
  const Bytes a = numbered(16, 16), b = numbered(8, 8);
  Bytes dst(1024 + 256, 0);
  u8* next = texmill_tex_to_gx_RGBA8(a.data(), 16, 16, dst.data());
  ASSERT_EQ(next, dst.data() + 1024);
  EXPECT_EQ(texmill_tex_to_gx_RGBA8(b.data(), 8, 8, next), dst.data() + 1280);
  EXPECT_EQ(Bytes(dst.begin() + 1024, dst.end()), tile(b, 8, 8));
}

// Property: every texel lands, all four channels, at the offset the
// reference gives, and every byte of the block is one texel's channel.
TEST(Tiler, EveryTexelAtItsReferenceOffsetExactlyOnce) {
  const std::pair<u32, u32> sizes[] = {{4, 4}, {4, 16}, {16, 4}, {12, 8}, {32, 32}, {64, 20}};
  for (const auto& [w, h] : sizes) {
    const Bytes src = numbered(w, h);
    const Bytes out = tile(src, w, h);
    std::vector<int> hits(out.size(), 0);
    for (u32 y = 0; y < h; ++y)
      for (u32 x = 0; x < w; ++x) {
        const size_t o = offset_of(x, y, w);
        ASSERT_LT(o + 33, out.size());
        const u8* p = &src[(static_cast<size_t>(y) * w + x) * 4];
        ASSERT_EQ(texel_at(out.data(), x, y, w), (Rgba{p[0], p[1], p[2], p[3]}))
            << w << "x" << h << " texel (" << x << ", " << y << ")";
        for (size_t k : {o, o + 1, o + 32, o + 33}) ++hits[k];
      }
    for (size_t i = 0; i < hits.size(); ++i) ASSERT_EQ(hits[i], 1) << w << "x" << h << " byte " << i;
  }
}

TEST(Tiler, RandomImagesMatchReference) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  for (int round = 0; round < 20; ++round) {
    const u32 w = 4 * (1 + rng() % 24), h = 4 * (1 + rng() % 24);
    Bytes src(static_cast<size_t>(w) * h * 4);
    for (u8& b : src) b = u8(rng());
    const Bytes out = tile(src, w, h);
    for (u32 y = 0; y < h; ++y)
      for (u32 x = 0; x < w; ++x) {
        const u8* p = &src[(static_cast<size_t>(y) * w + x) * 4];
        ASSERT_EQ(texel_at(out.data(), x, y, w), (Rgba{p[0], p[1], p[2], p[3]}))
            << w << "x" << h << " (" << x << ", " << y << ")";
      }
  }
}

}  // namespace
