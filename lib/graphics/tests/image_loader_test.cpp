// texmill_load_image: pixel rules, padding, flip, the service calls and
// their order, the record on failure, and every allocation failing in turn.
#include <stdexcept>

#include "texmill_test_util.h"

namespace {

using namespace texmill_test;

class ImageLoader : public Services {};

TEST_F(ImageLoader, RefusesSilentlyWithoutTouchingAnything) {
  const u8 pixels[64] = {};
  GX_COLOUR_TYPE palette[256] = {};
  struct Case {
    const char* what;
    u16 w, h;
    const u8* data;
    int depth;
  };
  const Case cases[] = {
      {"depth 0", 4, 4, pixels, 0},        {"depth 5", 4, 4, pixels, 5},
      {"depth 8", 4, 4, pixels, 8},        {"depth 255", 4, 4, pixels, 255},
      {"depth -1", 4, 4, pixels, -1},
      {"null data", 4, 4, nullptr, RGB_24}, {"null data, depth 0", 4, 4, nullptr, 0},
      {"width 0", 0, 4, pixels, RGB_8},     {"height 0", 4, 0, pixels, RGB_8},
  };
  for (const Case& c : cases) {
    for (const GX_COLOUR_TYPE* pal : {static_cast<GX_COLOUR_TYPE*>(nullptr), palette}) {
      gx_standin_reset();
      GX_LOCAL_TEX_OBJ_TYPE rec = marked_record();
      const GX_LOCAL_TEX_OBJ_TYPE before = rec;
      u32 result = 1;
      const std::string out = stdout_of([&] {
        result = texmill_load_image(c.w, c.h, c.data, static_cast<RGB_ENUM_TYPE>(c.depth), &rec,
                                    pal, 0);
      });
      EXPECT_EQ(result, 0u) << c.what;
      EXPECT_EQ(out, "") << c.what;
      EXPECT_TRUE(same_bytes(rec, before)) << c.what;
      EXPECT_EQ(gx_standin_allocations(), 0u) << c.what;
      EXPECT_EQ(gx_standin_call_count(), 0u) << c.what;
    }
  }
}

// One pixel in, the texel at (0, 0) out.
struct PixelCase {
  const char* what;
  RGB_ENUM_TYPE depth;
  Bytes stored;
  Rgba expected;
};

class ImagePixels : public ImageLoader {
 protected:
  Rgba load_one(RGB_ENUM_TYPE depth, const Bytes& stored, const GX_COLOUR_TYPE* palette) {
    GX_LOCAL_TEX_OBJ_TYPE rec{};
    if (texmill_load_image(1, 1, stored.data(), depth, &rec, palette, 0) != 1)
      throw std::runtime_error("load failed");
    keep(rec);
    // The other fifteen texels of the tile are padding: transparent black.
    for (u32 y = 0; y < 4; ++y)
      for (u32 x = 0; x < 4; ++x)
        if (x || y) {
          EXPECT_EQ(texel_at(rec.data, x, y, 4), (Rgba{0, 0, 0, 0}));
        }
    return texel_at(rec.data, 0, 0, 4);
  }
};

TEST_F(ImagePixels, ExpansionRules) {
  const PixelCase cases[] = {
      {"332 255", RGB_8, {255}, {252, 252, 255, 255}},
      {"332 224", RGB_8, {224}, {252, 0, 0, 255}},
      {"332 28", RGB_8, {28}, {0, 252, 0, 255}},
      {"332 3", RGB_8, {3}, {0, 0, 255, 255}},
      {"332 73", RGB_8, {73}, {72, 72, 85, 255}},
      {"332 0", RGB_8, {0}, {0, 0, 0, 255}},
      // 16-bit: big-endian 5-5-5 word, red 10-14, green 5-9, blue 0-4.
      {"555 red", RGB_16, {0x7C, 0x00}, {248, 0, 0, 255}},
      {"555 green", RGB_16, {0x03, 0xE0}, {0, 248, 0, 255}},
      {"555 blue", RGB_16, {0x00, 0x1F}, {0, 0, 248, 255}},
      {"555 white", RGB_16, {0x7F, 0xFF}, {248, 248, 248, 255}},
      {"555 bit 15 unused", RGB_16, {0x80, 0x00}, {0, 0, 0, 255}},
      {"555 ones", RGB_16, {0x04, 0x21}, {8, 8, 8, 255}},
      {"555 byte order", RGB_16, {0x00, 0x7C}, {0, 24, 224, 255}},
      {"24-bit", RGB_24, {17, 34, 51}, {51, 34, 17, 255}},
      {"32-bit", RGB_32, {17, 34, 51, 68}, {68, 51, 34, 17}},
  };
  for (const PixelCase& c : cases) EXPECT_EQ(load_one(c.depth, c.stored, nullptr), c.expected) << c.what;
}

TEST_F(ImagePixels, PaletteEntryWhateverTheDepth) {
  GX_COLOUR_TYPE palette[256] = {};
  palette[2] = {10, 20, 30, 40};
  for (RGB_ENUM_TYPE depth : {RGB_8, RGB_16, RGB_24, RGB_32})
    EXPECT_EQ(load_one(depth, {2, 0, 0, 0}, palette), (Rgba{10, 20, 30, 40})) << depth;
}

// A w x h RGB_24 image whose pixel (x, y) is (x + 1, y + 1, 9, 255).
Bytes marked_rgb24(u32 w, u32 h) {
  Bytes b;
  for (u32 y = 0; y < h; ++y)
    for (u32 x = 0; x < w; ++x) {
      // Three push_backs: g++ 12 at -O3 for 32-bit PowerPC misreads an
      // initializer-list insert here as an overflow (-Wstringop-overflow).
      b.push_back(9);
      b.push_back(u8(y + 1));
      b.push_back(u8(x + 1));
    }
  return b;
}

TEST_F(ImageLoader, PadsToWholeTilesWithTransparentBlack) {
  struct Case {
    u16 w, h;
    u32 pw, ph;
  };
  for (const Case& c : {Case{3, 2, 4, 4}, Case{5, 2, 8, 4}, Case{4, 4, 4, 4}, Case{9, 5, 12, 8}}) {
    gx_standin_reset();
    const Bytes src = marked_rgb24(c.w, c.h);
    GX_LOCAL_TEX_OBJ_TYPE rec{};
    ASSERT_EQ(texmill_load_image(c.w, c.h, src.data(), RGB_24, &rec, nullptr, 0), 1u);
    keep(rec);
    EXPECT_EQ(rec.width, c.w);
    EXPECT_EQ(rec.height, c.h);
    EXPECT_EQ(gx_standin_block_size(rec.data), u64(c.pw) * c.ph * 4);
    for (u32 y = 0; y < c.ph; ++y)
      for (u32 x = 0; x < c.pw; ++x) {
        const Rgba want = x < c.w && y < c.h ? Rgba{u8(x + 1), u8(y + 1), 9, 255} : Rgba{0, 0, 0, 0};
        EXPECT_EQ(texel_at(rec.data, x, y, c.pw), want) << c.w << "x" << c.h << " (" << x << ", " << y << ")";
      }
  }
}

TEST_F(ImageLoader, FiveByTwoTexelPositions) {
  const Bytes src = marked_rgb24(5, 2);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_image(5, 2, src.data(), RGB_24, &rec, nullptr, 0), 1u);
  keep(rec);
  // Pixel (0, 1) is texel 4 of the first tile, pixel (4, 1) texel 4 of the second.
  EXPECT_EQ(rec.data[2 * 4 + 1], 1);        // red of texel 4, tile 0
  EXPECT_EQ(rec.data[32 + 2 * 4], 2);       // green
  EXPECT_EQ(rec.data[64 + 2 * 4 + 1], 5);   // red of texel 4, tile 1
  EXPECT_EQ(rec.data[64 + 32 + 2 * 4], 2);  // green
}

TEST_F(ImageLoader, FlipReversesTheStoredRows) {
  // Stored row i is grey level 10 * (i + 1).
  Bytes src;
  for (u8 i = 0; i < 4; ++i)
    for (int x = 0; x < 4; ++x) src.push_back(u8(10 * (i + 1)));
  const Bytes copy = src;
  struct Case {
    u8 flip;
    u8 top_row_red;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 3}, Case{2, 3}, Case{255, 3}}) {
    GX_LOCAL_TEX_OBJ_TYPE rec{};
    GX_COLOUR_TYPE palette[256] = {};
    for (int i = 0; i < 256; ++i) palette[i] = {u8(i), u8(i), u8(i), 255};
    ASSERT_EQ(texmill_load_image(4, 4, src.data(), RGB_8, &rec, palette, c.flip), 1u);
    keep(rec);
    for (u32 y = 0; y < 4; ++y) {
      const u32 stored = c.flip ? 3 - y : y;
      EXPECT_EQ(texel_at(rec.data, 2, y, 4).r, 10 * (stored + 1)) << "flip " << int(c.flip);
    }
  }
  EXPECT_EQ(src, copy) << "the caller's pixels were changed";
}

TEST_F(ImageLoader, ServiceCallsInOrderWithTheirArguments) {
  const Bytes src = marked_rgb24(4, 4);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_image(4, 4, src.data(), RGB_24, &rec, nullptr, 0), 1u);
  keep(rec);
  const auto log = calls();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].kind, GX_STANDIN_MEMALIGN);
  EXPECT_EQ(log[0].alignment, 32u);
  EXPECT_EQ(log[0].size, 64u);
  EXPECT_EQ(log[0].address, rec.data);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(rec.data) % 32, 0u);

  EXPECT_EQ(log[1].kind, GX_STANDIN_DC_FLUSH_RANGE);
  EXPECT_EQ(log[1].address, rec.data);
  EXPECT_EQ(log[1].length, 96u);
  EXPECT_EQ(log[1].checked_bytes, 64u);
  EXPECT_EQ(log[1].checksum, gx_standin_checksum(rec.data, 64)) << "block written after its flush";

  EXPECT_EQ(log[2].kind, GX_STANDIN_INIT_TEX_OBJ);
  EXPECT_EQ(log[2].address, &rec.texobj);
  EXPECT_EQ(log[2].image, rec.data);
  EXPECT_EQ(log[2].width, 4);
  EXPECT_EQ(log[2].height, 4);
  EXPECT_EQ(log[2].format, 6);
  EXPECT_EQ(log[2].wrap_s, 0);
  EXPECT_EQ(log[2].wrap_t, 0);
  EXPECT_EQ(log[2].mipmap, 0);
  EXPECT_EQ(rec.texobj.val[0], (4u << 16) | 4u) << "texture object not filled by the services";
  EXPECT_EQ(blocks_now(), 1u) << "only the texture block should remain";
}

TEST_F(ImageLoader, ReloadReplacesDataWithoutReleasingTheOldBlock) {
  const Bytes src = marked_rgb24(4, 4);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_image(4, 4, src.data(), RGB_24, &rec, nullptr, 0), 1u);
  u8* first = rec.data;
  keep(rec);
  ASSERT_EQ(texmill_load_image(4, 4, src.data(), RGB_24, &rec, nullptr, 0), 1u);
  keep(rec);
  EXPECT_NE(rec.data, first);
  EXPECT_EQ(blocks_now(), 2u);
}

TEST_F(ImageLoader, EveryAllocationFailureReturnsZeroAndReleasesAll) {
  const Bytes src = marked_rgb24(7, 5);
  const u32 failures = each_allocation_failure(
      "image", [&](GX_LOCAL_TEX_OBJ_TYPE* rec) { return texmill_load_image(7, 5, src.data(), RGB_24, rec, nullptr, 1); },
      "");
  EXPECT_GE(failures, 2u) << "the working image and the texture block can both fail";
}

}  // namespace
