// Mipmap chain helpers: level count, chain size, the 2 x 2 reduction and
// the tiled chain, against tables and the naive reference.
#include <random>

#include "mipmap_reference.h"
#include "texmill_internal.h"

namespace {

using namespace texmill_test;

constexpr u8 canary = 0x5A;

TEST(Mipmap, DepthAndSizeTables) {
  struct Row {
    u32 side;
    u8 levels;
    u32 linear;
  };
  // Linear size of a power-of-two side s: 4 (s^2 + (s/2)^2 + ... + 1) = 4 (4 s^2 - 1) / 3.
  auto chain = [](u32 s) { return 4 * (4 * s * s - 1) / 3; };
  const Row rows[] = {{0, 0, 0},           {1, 1, 4},           {2, 2, 20},          {4, 3, 84},
                      {8, 4, 340},         {16, 5, 1364},       {256, 9, chain(256)}, {512, 10, chain(512)},
                      {1024, 11, chain(1024)}};
  for (const Row& r : rows) {
    EXPECT_EQ(texmill_get_mipmap_depth(r.side), r.levels) << r.side;
    EXPECT_EQ(texmill_get_mipmap_size(r.side), r.linear) << r.side;
  }
  EXPECT_EQ(texmill_get_mipmap_size(256), 349524u);
  EXPECT_EQ(texmill_get_mipmap_size(1024), 5592404u);
  // Not a power of two: significant bits, and the halving sum.
  EXPECT_EQ(texmill_get_mipmap_depth(12), 4);
  EXPECT_EQ(texmill_get_mipmap_size(3), 3u * 3 * 4 + 4);
}

// The reduction of a 2 x 2 level into the buffer behind it.
Bytes reduce2(const Bytes& level0) {
  Bytes chain(level0);
  chain.resize(20 + 4, canary);
  texmill_create_mipmap(chain.data(), 2);
  EXPECT_EQ(Bytes(chain.begin(), chain.begin() + 16), level0) << "level 0 was written";
  EXPECT_EQ(chain[20], canary) << "written past the chain";
  return Bytes(chain.begin() + 16, chain.begin() + 20);
}

TEST(Mipmap, AverageDropsTheFractionPerChannel) {
  // R 10, 20, 30, 41 -> 25; G 0, 0, 0, 3 -> 0; B 1, 2, 3, 4 -> 2; A 255, 255, 255, 254 -> 254.
  const Bytes level0 = {10, 0, 1, 255, 20, 0, 2, 255, 30, 0, 3, 255, 41, 3, 4, 254};
  EXPECT_EQ(reduce2(level0), (Bytes{25, 0, 2, 254}));
  EXPECT_EQ(reduce2(Bytes(16, 255)), Bytes(4, 255)) << "sums of 1020 must not wrap";
}

TEST(Mipmap, BlocksLandInTheNextLevelsRowOrder) {
  // Level 0 of side 4; each 2 x 2 block holds one value in every channel.
  Bytes chain(84 + 4, canary);
  for (u32 y = 0; y < 4; ++y)
    for (u32 x = 0; x < 4; ++x)
      for (u32 c = 0; c < 4; ++c) chain[(y * 4 + x) * 4 + c] = u8(40 * (2 * (y / 2) + x / 2) + c);
  texmill_create_mipmap(chain.data(), 4);
  // Columns 2-3 of rows 0-1 -> pixel 1; columns 0-1 of rows 2-3 -> pixel 2.
  for (u32 p = 0; p < 4; ++p) EXPECT_EQ(chain[64 + p * 4], 40 * p) << "pixel " << p;
  EXPECT_EQ(chain[80], (0 + 40 + 80 + 120) / 4) << "the 1 x 1 level";
  EXPECT_EQ(chain[84], canary);
}

TEST(Mipmap, ChainMatchesReferenceAtEverySide) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  for (u32 side = 2; side <= 256; side *= 2) {
    Bytes level0(size_t(side) * side * 4);
    for (u8& b : level0) b = u8(rng());
    const Bytes want = reference_chain(level0, side);
    ASSERT_EQ(want.size(), texmill_get_mipmap_size(side));
    Bytes chain(level0);
    chain.resize(want.size() + 8, canary);
    texmill_create_mipmap(chain.data(), side);
    EXPECT_EQ(Bytes(chain.begin(), chain.begin() + want.size()), want) << "side " << side;
    EXPECT_EQ(Bytes(chain.end() - 8, chain.end()), Bytes(8, canary)) << "side " << side;
  }
}

// Tiled chain: sizes, the offsets of the padded tiles, and every byte
// against the texel-by-texel reference.
TEST(Mipmap, TiledChainLayout) {
  struct Case {
    u32 side, tiled, tile2x2;
  };
  for (const Case& c : {Case{2, 128, 0}, Case{4, 192, 64}, Case{8, 448, 320}, Case{16, 1472, 1344},
                        Case{64, 21952, 21824}}) {
    Bytes level0(size_t(c.side) * c.side * 4);
    for (size_t i = 0; i < level0.size(); ++i) level0[i] = u8(i * 31 + 7);
    const Bytes chain = reference_chain(level0, c.side);
    ASSERT_EQ(texmill_get_mipmap_size(c.side) + 108, c.tiled);
    Bytes dst(c.tiled + 16, canary);
    texmill_convert_mipmap(chain.data(), c.side, dst.data());
    EXPECT_EQ(Bytes(dst.end() - 16, dst.end()), Bytes(16, canary)) << "side " << c.side;
    dst.resize(c.tiled);
    EXPECT_EQ(dst, reference_tiled(chain, c.side)) << "side " << c.side;

    // The 2 x 2 level at texels 0, 1, 4, 5 of its tile, the 1 x 1 at texel
    // 0 of the next; every other byte of both tiles is zero, alpha too.
    const size_t two = chain.size() - 20;
    for (u32 t = 0; t < 16; ++t) {
      const bool in2 = t == 0 || t == 1 || t == 4 || t == 5;
      const Rgba got2 = texel_at(dst.data() + c.tile2x2, t % 4, t / 4, 4);
      const Rgba got1 = texel_at(dst.data() + c.tile2x2 + 64, t % 4, t / 4, 4);
      if (in2) {
        const u8* p = &chain[two + ((t / 4) * 2 + t % 4) * 4];
        EXPECT_EQ(got2, (Rgba{p[0], p[1], p[2], p[3]})) << "side " << c.side << " texel " << t;
      } else {
        EXPECT_EQ(got2, (Rgba{0, 0, 0, 0})) << "side " << c.side << " texel " << t;
      }
      const u8* q = &chain[two + 16];
      EXPECT_EQ(got1, (t == 0 ? Rgba{q[0], q[1], q[2], q[3]} : Rgba{0, 0, 0, 0}))
          << "side " << c.side << " texel " << t;
    }
  }
}

}  // namespace
