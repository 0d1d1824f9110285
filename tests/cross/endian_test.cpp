// Byte order on the console's side, checked wherever the tests run (the
// PowerPC build runs them big-endian): BMP header fields are taken as
// little-endian whatever the host, and an RGB_16 image in memory is read as
// big-endian words, as texmill.h says a console program stores them.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "texmill.h"

namespace {

bool host_is_big_endian() {
  const uint16_t probe = 0x0102;
  uint8_t first;
  memcpy(&first, &probe, 1);
  return first == 0x01;
}

void put_le(std::vector<uint8_t>& v, size_t at, uint32_t x, int bytes) {
  for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// Texel (x, y) of an RGBA8 tiled block of width w: A, R, G, B.
struct Texel {
  uint8_t a, r, g, b;
};

Texel texel(const uint8_t* block, uint32_t w, uint32_t x, uint32_t y) {
  const uint8_t* tile = block + 64 * ((y / 4) * (w / 4) + x / 4);
  const uint32_t t = 4 * (y % 4) + x % 4;
  return Texel{tile[2 * t], tile[2 * t + 1], tile[32 + 2 * t], tile[33 + 2 * t]};
}

class BmpOnHost : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!path_.empty()) remove(path_.c_str());
    if (tex_.data != nullptr) free(tex_.data);
  }

  // Writes bytes to a file of this test's own and loads it.
  u32 load(const std::vector<uint8_t>& bytes) {
    path_ = std::string(::testing::TempDir()) + "endian_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp";
    FILE* f = fopen(path_.c_str(), "wb");
    if (f == nullptr) return 2;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    fclose(f);
    if (!written) return 2;
    return texmill_load_bmp(path_.c_str(), &tex_);
  }

  std::string path_;
  GX_LOCAL_TEX_OBJ_TYPE tex_{};
};

// Every header field the loader uses has distinct bytes, so a field left in
// file order on a big-endian host gives a different size or a rejection.
TEST_F(BmpOnHost, HeaderFieldsAreLittleEndian) {
  const uint32_t w = 261, h = 3, row = (w * 3 + 3) / 4 * 4;  // 0x105; 784-byte rows
  const uint32_t offset = 54 + 6;  // a 6-byte gap the direct path skips
  std::vector<uint8_t> f(offset + row * h, 0);
  f[0] = 'B';
  f[1] = 'M';
  put_le(f, 2, static_cast<uint32_t>(f.size()), 4);
  put_le(f, 10, offset, 4);
  put_le(f, 14, 40, 4);
  put_le(f, 18, w, 4);
  put_le(f, 22, h, 4);
  put_le(f, 26, 1, 2);
  put_le(f, 28, 24, 2);
  put_le(f, 34, row * h, 4);
  // Bottom row stored first: pixel (0, 2) of the picture, then the top row's
  // first pixel (0, 0) and last pixel (260, 0), each stored B, G, R.
  const uint8_t bottom[] = {10, 20, 30}, top[] = {40, 50, 60}, top_last[] = {70, 80, 90};
  memcpy(&f[offset], bottom, 3);
  memcpy(&f[offset + 2 * row], top, 3);
  memcpy(&f[offset + 2 * row + 3 * (w - 1)], top_last, 3);

  ASSERT_EQ(load(f), 1u);
  EXPECT_EQ(tex_.width, w);
  EXPECT_EQ(tex_.height, h);
  const uint32_t pw = 264;
  const Texel t0 = texel(tex_.data, pw, 0, 0);
  EXPECT_EQ((std::vector<int>{t0.a, t0.r, t0.g, t0.b}), (std::vector<int>{255, 60, 50, 40}));
  const Texel tl = texel(tex_.data, pw, w - 1, 0);
  EXPECT_EQ((std::vector<int>{tl.a, tl.r, tl.g, tl.b}), (std::vector<int>{255, 90, 80, 70}));
  const Texel b0 = texel(tex_.data, pw, 0, 2);
  EXPECT_EQ((std::vector<int>{b0.a, b0.r, b0.g, b0.b}), (std::vector<int>{255, 30, 20, 10}));
}

// The colour-table size comes from offset and colours_in_pal: 0x104 and
// 0x41 entries of 4 bytes put the pixels at 54 + 260.
TEST_F(BmpOnHost, PaletteOffsetAndCountAreLittleEndian) {
  const uint32_t colours = 65, offset = 54 + 4 * colours;
  std::vector<uint8_t> f(offset + 4 * 2, 0);
  f[0] = 'B';
  f[1] = 'M';
  put_le(f, 2, static_cast<uint32_t>(f.size()), 4);
  put_le(f, 10, offset, 4);
  put_le(f, 14, 40, 4);
  put_le(f, 18, 2, 4);
  put_le(f, 22, 2, 4);
  put_le(f, 28, 8, 2);
  put_le(f, 34, 8, 4);
  put_le(f, 46, colours, 4);
  const uint8_t entry64[] = {1, 2, 3, 4};
  memcpy(&f[54 + 4 * 64], entry64, 4);
  f[offset + 4] = 64;  // top row, first pixel (rows are bottom first)

  ASSERT_EQ(load(f), 1u);
  const Texel t = texel(tex_.data, 4, 0, 0);
  EXPECT_EQ((std::vector<int>{t.a, t.r, t.g, t.b}), (std::vector<int>{4, 3, 2, 1}));
}

// 16-bit BMP pixels are little-endian words: bytes 0x00, 0x7C are pure red.
TEST_F(BmpOnHost, SixteenBitPixelsAreLittleEndianWords) {
  std::vector<uint8_t> f(54 + 4 * 4, 0);
  f[0] = 'B';
  f[1] = 'M';
  put_le(f, 10, 54, 4);
  put_le(f, 18, 1, 4);
  put_le(f, 22, 4, 4);
  put_le(f, 28, 16, 2);
  put_le(f, 34, 16, 4);
  f[54 + 3 * 4 + 1] = 0x7C;  // the top row, stored last
  ASSERT_EQ(load(f), 1u);
  const Texel t = texel(tex_.data, 4, 0, 0);
  EXPECT_EQ((std::vector<int>{t.a, t.r, t.g, t.b}), (std::vector<int>{255, 248, 0, 0}));
}

// RGB_16 in memory is word = s0 << 8 | s1: the bytes 0x7C, 0x00 are pure red
// and 0x00, 0x1F pure blue. On a big-endian host a u16 array written by the
// program itself has exactly those bytes and must load the same.
TEST(Rgb16InMemory, WordsAreBigEndian) {
  const uint8_t bytes[] = {0x7C, 0x00, 0x00, 0x1F, 0x03, 0xE0, 0x00, 0x00};
  GX_LOCAL_TEX_OBJ_TYPE tex{};
  ASSERT_EQ(texmill_load_image(4, 1, bytes, RGB_16, &tex, nullptr, 0), 1u);
  const Texel red = texel(tex.data, 4, 0, 0), blue = texel(tex.data, 4, 1, 0),
              green = texel(tex.data, 4, 2, 0);
  EXPECT_EQ((std::vector<int>{red.a, red.r, red.g, red.b}), (std::vector<int>{255, 248, 0, 0}));
  EXPECT_EQ((std::vector<int>{blue.r, blue.g, blue.b}), (std::vector<int>{0, 0, 248}));
  EXPECT_EQ((std::vector<int>{green.r, green.g, green.b}), (std::vector<int>{0, 248, 0}));

  if (host_is_big_endian()) {
    const uint16_t words[] = {0x7C00, 0x001F, 0x03E0, 0x0000};
    GX_LOCAL_TEX_OBJ_TYPE native{};
    ASSERT_EQ(texmill_load_image(4, 1, reinterpret_cast<const u8*>(words), RGB_16, &native,
                                 nullptr, 0),
              1u);
    EXPECT_EQ(memcmp(native.data, tex.data, 64), 0);
    free(native.data);
  }
  free(tex.data);
}

}  // namespace
