// Unit tests of texdump's own pieces: the PNG writer's checksums and stream
// structure, and the untiling against hand-made tiled blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "png-write.h"
#include "untile.h"

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

const uint8_t* bytes(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

TEST(PngChecksums, KnownVectors) {
  EXPECT_EQ(png_crc32(bytes("123456789"), 9), 0xCBF43926u);
  EXPECT_EQ(png_crc32(bytes("IEND"), 4), 0xAE426082u);
  EXPECT_EQ(png_adler32(bytes("Wikipedia"), 9), 0x11E60398u);
  EXPECT_EQ(png_adler32(nullptr, 0), 1u);
  // Long runs of 0xFF exercise the deferred modulo.
  std::vector<uint8_t> ff(100000, 0xFF);
  uint32_t a = 1, b = 0;
  for (uint8_t v : ff) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(png_adler32(ff.data(), ff.size()), (b << 16) | a);
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

// Splits a PNG into chunks, checking each chunk's CRC on the way.
std::vector<Chunk> chunks_of(const std::vector<uint8_t>& png) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<Chunk> out;
  EXPECT_GE(png.size(), 8u);
  EXPECT_EQ(std::memcmp(png.data(), sig, 8), 0);
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t len = be32(&png[at]);
    EXPECT_LE(at + 12 + len, png.size());
    if (at + 12 + len > png.size()) break;
    EXPECT_EQ(png_crc32(&png[at + 4], 4 + len), be32(&png[at + 8 + len])) << "chunk at " << at;
    out.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                   std::vector<uint8_t>(png.begin() + at + 8, png.begin() + at + 8 + len)});
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  return out;
}

// Inflates a zlib stream made only of stored blocks, checking every header.
std::vector<uint8_t> inflate_stored(const std::vector<uint8_t>& z, int& blocks) {
  std::vector<uint8_t> out;
  blocks = 0;
  EXPECT_EQ((z[0] << 8 | z[1]) % 31, 0);
  EXPECT_EQ(z[0] & 0x0F, 8);  // deflate
  size_t at = 2;
  for (bool last = false; !last;) {
    last = z.at(at) & 1;
    EXPECT_EQ(z[at] & 6, 0) << "not a stored block";
    size_t len = z.at(at + 1) | z.at(at + 2) << 8;
    size_t nlen = z.at(at + 3) | z.at(at + 4) << 8;
    EXPECT_EQ(len ^ 0xFFFF, nlen);
    EXPECT_LE(at + 5 + len, z.size());
    out.insert(out.end(), z.begin() + at + 5, z.begin() + at + 5 + len);
    at += 5 + len;
    ++blocks;
  }
  EXPECT_EQ(at + 4, z.size());
  EXPECT_EQ(be32(&z[at]), png_adler32(out.data(), out.size()));
  return out;
}

TEST(PngEncode, HeaderAndDataRoundTrip) {
  // 200 x 100 RGBA: 80100 bytes of scanlines, more than one stored block.
  const uint32_t w = 200, h = 100;
  std::vector<uint8_t> rgba(w * h * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i * 31 + i / 977);
  std::vector<uint8_t> png;
  ASSERT_TRUE(png_encode_rgba(rgba.data(), w, h, png));

  std::vector<Chunk> c = chunks_of(png);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].type, "IHDR");
  ASSERT_EQ(c[0].data.size(), 13u);
  EXPECT_EQ(be32(&c[0].data[0]), w);
  EXPECT_EQ(be32(&c[0].data[4]), h);
  EXPECT_EQ(std::vector<uint8_t>(c[0].data.begin() + 8, c[0].data.end()), (std::vector<uint8_t>{8, 6, 0, 0, 0}));
  EXPECT_EQ(c[1].type, "IDAT");
  EXPECT_EQ(c[2].type, "IEND");
  EXPECT_TRUE(c[2].data.empty());

  int blocks = 0;
  std::vector<uint8_t> raw = inflate_stored(c[1].data, blocks);
  EXPECT_EQ(blocks, 2);
  ASSERT_EQ(raw.size(), size_t(h) * (w * 4 + 1));
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* line = &raw[y * (w * 4 + 1)];
    ASSERT_EQ(line[0], 0) << "filter byte of row " << y;
    ASSERT_EQ(std::memcmp(line + 1, &rgba[y * w * 4], w * 4), 0) << "row " << y;
  }
}

TEST(PngEncode, RejectsEmptyPicture) {
  std::vector<uint8_t> png;
  uint8_t px[4] = {};
  EXPECT_FALSE(png_encode_rgba(px, 0, 1, png));
  EXPECT_FALSE(png_encode_rgba(px, 1, 0, png));
  EXPECT_TRUE(png_encode_rgba(px, 1, 1, png));
}

// The tiled form of a 4 x 4 image whose pixel p holds R p, G 16 + p,
// B 32 + p, A 48 + p: alpha/red pairs, then green/blue pairs.
std::vector<uint8_t> golden_tile() {
  std::vector<uint8_t> t;
  for (int p = 0; p < 16; ++p) {
    t.push_back(static_cast<uint8_t>(48 + p));
    t.push_back(static_cast<uint8_t>(p));
  }
  for (int p = 0; p < 16; ++p) {
    t.push_back(static_cast<uint8_t>(16 + p));
    t.push_back(static_cast<uint8_t>(32 + p));
  }
  return t;
}

TEST(Untile, GoldenTile) {
  std::vector<uint8_t> out;
  gx_rgba8_untile(golden_tile().data(), 4, 4, 4, out);
  ASSERT_EQ(out.size(), 64u);
  for (int p = 0; p < 16; ++p) {
    EXPECT_EQ(out[p * 4 + 0], p);
    EXPECT_EQ(out[p * 4 + 1], 16 + p);
    EXPECT_EQ(out[p * 4 + 2], 32 + p);
    EXPECT_EQ(out[p * 4 + 3], 48 + p);
  }
}

TEST(Untile, TileOrderAndCrop) {
  // 8 x 8 padded image, every texel's red byte holds its tile number and
  // alpha its texel number; a 5 x 6 crop must pick them from the right tiles.
  std::vector<uint8_t> tiled(8 * 8 * 4, 0);
  for (int tile = 0; tile < 4; ++tile)
    for (int t = 0; t < 16; ++t) {
      tiled[tile * 64 + 2 * t] = static_cast<uint8_t>(t);
      tiled[tile * 64 + 2 * t + 1] = static_cast<uint8_t>(tile);
    }
  std::vector<uint8_t> out;
  gx_rgba8_untile(tiled.data(), 8, 5, 6, out);
  ASSERT_EQ(out.size(), 5u * 6 * 4);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(out[(y * 5 + x) * 4 + 0], (y / 4) * 2 + x / 4) << x << "," << y;
      EXPECT_EQ(out[(y * 5 + x) * 4 + 3], 4 * (y % 4) + x % 4) << x << "," << y;
    }
  EXPECT_EQ(gx_rgba8_offset(8, 4, 1), 64u + 2 * 4);
  EXPECT_EQ(gx_rgba8_offset(8, 0, 4), 128u);
}

TEST(MipmapPicture, LevelsSideBySide) {
  EXPECT_EQ(mipmap_chain_length(2), 128u);
  EXPECT_EQ(mipmap_chain_length(4), 192u);
  EXPECT_EQ(mipmap_chain_length(8), 448u);
  EXPECT_EQ(mipmap_chain_length(1024), 5592404u + 108);

  // Side 4: the 4 x 4 level, then the 2 x 2 and 1 x 1 levels in padded tiles.
  std::vector<uint8_t> chain(192, 0);
  std::memcpy(chain.data(), golden_tile().data(), 64);
  const int small[4] = {0, 1, 4, 5};  // texels of the 2 x 2 level in its tile
  for (int i = 0; i < 4; ++i) {
    chain[64 + 2 * small[i]] = 255;                              // alpha
    chain[64 + 2 * small[i] + 1] = static_cast<uint8_t>(100 + i);  // red
  }
  chain[128] = 255;
  chain[129] = 200;
  chain[128 + 32] = 201;
  chain[128 + 33] = 202;

  std::vector<uint8_t> pic;
  uint32_t w = 0, h = 0;
  ASSERT_FALSE(mipmap_picture(chain.data(), 191, 4, pic, w, h));
  ASSERT_FALSE(mipmap_picture(chain.data(), 192, 6, pic, w, h));
  ASSERT_TRUE(mipmap_picture(chain.data(), chain.size(), 4, pic, w, h));
  ASSERT_EQ(w, 7u);
  ASSERT_EQ(h, 4u);
  auto px = [&](uint32_t x, uint32_t y) { return &pic[(y * w + x) * 4]; };
  EXPECT_EQ(px(3, 3)[0], 15);
  EXPECT_EQ(px(3, 3)[3], 63);
  EXPECT_EQ(px(4, 0)[0], 100);
  EXPECT_EQ(px(5, 0)[0], 101);
  EXPECT_EQ(px(4, 1)[0], 102);
  EXPECT_EQ(px(5, 1)[0], 103);
  EXPECT_EQ(px(5, 1)[3], 255);
  const uint8_t one[4] = {200, 201, 202, 255};
  EXPECT_EQ(std::memcmp(px(6, 0), one, 4), 0);
  const uint8_t clear[4] = {0, 0, 0, 0};
  for (uint32_t y = 2; y < 4; ++y)
    for (uint32_t x = 4; x < 7; ++x) EXPECT_EQ(std::memcmp(px(x, y), clear, 4), 0) << x << "," << y;
  EXPECT_EQ(std::memcmp(px(6, 1), clear, 4), 0);
}

}  // namespace
