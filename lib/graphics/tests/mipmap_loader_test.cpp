// texmill_load_mipmap_image and texmill_load_mipmap_bmp: the refusals and
// their order, the block, flush, texture-object and LOD calls, the levels
// built from the final texel order, the heap budget of a 1024 x 1024 file,
// and every allocation failing in turn.
#include <functional>

#include "mipmap_reference.h"
#include "texmill_internal.h"

namespace {

using namespace texmill_test;

class MipmapLoader : public Services {
 protected:
  // Runs a load expected to fail with `line` (possibly empty) and no trace.
  template <typename F>
  void expect_refused(F load, const std::string& line, const std::string& what) {
    gx_standin_reset();
    GX_LOCAL_TEX_OBJ_TYPE rec = marked_record();
    const GX_LOCAL_TEX_OBJ_TYPE before = rec;
    u32 result = 1;
    const std::string out = stdout_of([&] { result = load(&rec); });
    EXPECT_EQ(result, 0u) << what;
    EXPECT_EQ(out, line) << what;
    EXPECT_TRUE(same_bytes(rec, before)) << what;
    EXPECT_EQ(blocks_now(), 0u) << what;
    EXPECT_EQ(gx_standin_call_count(), 0u) << what;
  }

  // Checks the four service calls of a mipmapped load of side `side`.
  void expect_calls(const GX_LOCAL_TEX_OBJ_TYPE& rec, u32 side, u32 block, f32 max_lod) {
    const auto log = calls();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].kind, GX_STANDIN_MEMALIGN);
    EXPECT_EQ(log[0].alignment, 32u);
    EXPECT_EQ(log[0].size, block);
    EXPECT_EQ(log[0].address, rec.data);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(rec.data) % 32, 0u);
    EXPECT_EQ(log[1].kind, GX_STANDIN_DC_FLUSH_RANGE);
    EXPECT_EQ(log[1].address, rec.data);
    EXPECT_EQ(log[1].length, block + 32);
    EXPECT_EQ(log[1].checked_bytes, block);
    EXPECT_EQ(log[1].checksum, gx_standin_checksum(rec.data, block)) << "written after the flush";
    EXPECT_EQ(log[2].kind, GX_STANDIN_INIT_TEX_OBJ);
    EXPECT_EQ(log[2].address, &rec.texobj);
    EXPECT_EQ(log[2].image, rec.data);
    EXPECT_EQ(log[2].width, side);
    EXPECT_EQ(log[2].height, side);
    EXPECT_EQ(log[2].format, 6);
    EXPECT_EQ(log[2].wrap_s, 1);
    EXPECT_EQ(log[2].wrap_t, 1);
    EXPECT_EQ(log[2].mipmap, 1);
    EXPECT_EQ(log[3].kind, GX_STANDIN_INIT_TEX_OBJ_LOD);
    EXPECT_EQ(log[3].address, &rec.texobj);
    EXPECT_EQ(log[3].min_filter, 5);
    EXPECT_EQ(log[3].mag_filter, 1);
    EXPECT_EQ(log[3].min_lod, 0.0f);
    EXPECT_EQ(log[3].max_lod, max_lod);
    EXPECT_EQ(log[3].lod_bias, 0.0f);
    EXPECT_EQ(log[3].bias_clamp, 0);
    EXPECT_EQ(log[3].edge_lod, 0);
    EXPECT_EQ(log[3].max_aniso, 1);
    EXPECT_EQ(rec.width, side);
    EXPECT_EQ(rec.height, side);
    EXPECT_EQ(blocks_now(), 1u) << "only the texture block should remain";
  }
};

TEST_F(MipmapLoader, ImageRefusalsInTheirOrder) {
  static const u8 pixels[4 * 16 * 16] = {};
  struct Case {
    u16 w, h;
    int depth;
    const u8* data;
    const char* line;
  };
  const char* square = "invalid image it needs to be square for mipmap! \n";
  const char* large = "image is to large to mipmap needs to be less the 1024 \n";
  const char* power = "image size needs to be a power of 2 \n";
  const char* format = "invalid image format \n";
  const Case cases[] = {
      {8, 4, RGB_24, pixels, square},      {2048, 1024, 5, nullptr, square},
      {2048, 2048, RGB_24, pixels, large}, {1025, 1025, 5, pixels, large},
      {12, 12, RGB_24, pixels, power},     {2, 2, RGB_24, pixels, power},
      {0, 0, RGB_24, pixels, power},       {12, 12, 5, pixels, power},
      {16, 16, 5, pixels, format},         {16, 16, 0, nullptr, format},
      {16, 16, 8, pixels, format},         {16, 16, 255, pixels, format},
      {16, 16, -1, pixels, format},
      {16, 16, RGB_32, nullptr, ""},
  };
  for (const Case& c : cases) {
    expect_refused(
        [&](GX_LOCAL_TEX_OBJ_TYPE* rec) {
          return texmill_load_mipmap_image(c.w, c.h, c.data, static_cast<RGB_ENUM_TYPE>(c.depth),
                                           rec, nullptr, 0);
        },
        c.line, std::to_string(c.w) + "x" + std::to_string(c.h) + " depth " + std::to_string(c.depth));
    EXPECT_EQ(gx_standin_allocations(), 0u);
  }
}

// A side x side RGB_32 image (A, B, G, R) with varied texels.
Bytes image32(u32 side) {
  Bytes b(size_t(side) * side * 4);
  for (size_t i = 0; i < b.size(); ++i) b[i] = u8(i * 13 + (i >> 7));
  return b;
}

// The linear level 0 that image32 expands to, with rows in texture order.
Bytes level0_of(const Bytes& img, u32 side, bool flip) {
  Bytes out(img.size());
  for (u32 y = 0; y < side; ++y)
    for (u32 x = 0; x < side; ++x) {
      const u8* s = &img[(size_t(flip ? side - 1 - y : y) * side + x) * 4];
      u8* t = &out[(size_t(y) * side + x) * 4];
      t[0] = s[3];
      t[1] = s[2];
      t[2] = s[1];
      t[3] = s[0];
    }
  return out;
}

TEST_F(MipmapLoader, ImageLoadsItsChain) {
  struct Case {
    u32 side, block;
    f32 max_lod;
  };
  for (const Case& c : {Case{4, 192, 2.0f}, Case{8, 448, 3.0f}, Case{64, 21952, 6.0f}}) {
    for (u8 flip : {0, 1}) {
      gx_standin_reset();
      const Bytes img = image32(c.side);
      GX_LOCAL_TEX_OBJ_TYPE rec{};
      u32 result = 0;
      const std::string out = stdout_of([&] {
        result = texmill_load_mipmap_image(u16(c.side), u16(c.side), img.data(), RGB_32, &rec,
                                           nullptr, flip);
      });
      ASSERT_EQ(result, 1u);
      EXPECT_EQ(out, "");
      expect_calls(rec, c.side, c.block, c.max_lod);
      // Levels are reduced from level 0 in texture order, after the flip.
      const Bytes want = reference_tiled(reference_chain(level0_of(img, c.side, flip), c.side), c.side);
      ASSERT_EQ(want.size(), c.block);
      EXPECT_TRUE(std::equal(want.begin(), want.end(), rec.data))
          << "side " << c.side << " flip " << int(flip);
      gx_standin_free(rec.data);
    }
  }
}

TEST_F(MipmapLoader, PaletteImage) {
  GX_COLOUR_TYPE palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = {u8(i), u8(255 - i), u8(i / 2), u8(i | 1)};
  Bytes idx(16 * 16);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = u8(i * 7);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_mipmap_image(16, 16, idx.data(), RGB_8, &rec, palette, 0), 1u);
  keep(rec);
  Bytes level0;
  for (u8 i : idx) level0.insert(level0.end(), {palette[i].r, palette[i].g, palette[i].b, palette[i].a});
  const Bytes want = reference_tiled(reference_chain(level0, 16), 16);
  EXPECT_TRUE(std::equal(want.begin(), want.end(), rec.data));
}

TEST_F(MipmapLoader, Image1024) {
  const Bytes img = image32(1024);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_mipmap_image(1024, 1024, img.data(), RGB_32, &rec, nullptr, 0), 1u);
  keep(rec);
  expect_calls(rec, 1024, 5592512u, 10.0f);
  EXPECT_EQ(calls()[1].length, 5592544u);
}

BmpFile square24(u32 w, u32 h) {
  BmpFile f;
  f.width = w;
  f.height = h;
  f.pixels = rows24(w, h, [](u32 x, u32 y) { return Rgba{u8(x * 3), u8(y * 5), u8(x ^ y), 255}; });
  return f;
}

TEST_F(MipmapLoader, BmpRefusalsInTheirOrder) {
  struct Case {
    BmpFile file;
    const char* line;
  };
  const char* height = "invalid bmp height needs to be a power of 2 \n";
  const char* width = "invalid bmp width needs to be a power of 2 \n";
  BmpFile compressed = square24(100, 100);
  compressed.compression = 1;
  BmpFile empty = square24(4, 4);
  empty.height = 0;
  const Case cases[] = {
      {square24(100, 100), height},
      {square24(256, 100), height},
      {square24(100, 256), width},
      {square24(2, 2), height},
      {square24(4, 2), height},
      {square24(2, 4), width},
      {square24(256, 128), "invalid bmp image needs to be square for mipmap! \n"},
      {square24(2048, 2048), "bmp image is to large to mipmap needs to be less the 1024 \n"},
      {compressed, "File should not be compressed !\n"},
      {empty, "BMP image has no pixels !\n"},
  };
  int i = 0;
  for (const Case& c : cases) {
    const std::string path = bmp_on_disk("mipref" + std::to_string(i++) + ".bmp", c.file);
    const int files_before = open_files();
    expect_refused([&](GX_LOCAL_TEX_OBJ_TYPE* rec) { return texmill_load_mipmap_bmp(path.c_str(), rec); },
                   c.line, path);
    if (files_before >= 0) {
      EXPECT_EQ(open_files(), files_before) << path << ": file left open";
    }
  }
  expect_refused([&](GX_LOCAL_TEX_OBJ_TYPE* rec) { return texmill_load_mipmap_bmp("/nonexistent/x.bmp", rec); },
                 "Failed to open file /nonexistent/x.bmp on SD card !\n", "absent file");
}

TEST_F(MipmapLoader, BmpLoadsItsChainFromTheBottomUpRows) {
  const BmpFile f = square24(64, 64);
  const std::string path = bmp_on_disk("mip64.bmp", f);
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  u32 result = 0;
  const std::string out = stdout_of([&] { result = texmill_load_mipmap_bmp(path.c_str(), &rec); });
  ASSERT_EQ(result, 1u) << out;
  keep(rec);
  EXPECT_EQ(out, "");
  expect_calls(rec, 64, 21952u, 6.0f);
  Bytes level0;
  for (u32 y = 0; y < 64; ++y)
    for (u32 x = 0; x < 64; ++x) level0.insert(level0.end(), {u8(x * 3), u8(y * 5), u8(x ^ y), 255});
  const Bytes want = reference_tiled(reference_chain(level0, 64), 64);
  EXPECT_TRUE(std::equal(want.begin(), want.end(), rec.data));
}

TEST_F(MipmapLoader, PaletteBmp) {
  BmpFile f;
  f.width = f.height = 4;
  f.bits_per_pixel = 8;
  f.colours_in_pal = 2;
  f.header_size = 108;
  f.palette = {0, 0, 200, 255, 100, 0, 0, 255};  // entry 0 red, entry 1 blue
  f.pixels = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};  // top half blue
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  ASSERT_EQ(texmill_load_mipmap_bmp(bmp_on_disk("mippal.bmp", f).c_str(), &rec), 1u);
  keep(rec);
  EXPECT_EQ(texel_at(rec.data, 0, 0, 4), (Rgba{0, 0, 100, 255}));
  EXPECT_EQ(texel_at(rec.data, 3, 3, 4), (Rgba{200, 0, 0, 255}));
  EXPECT_EQ(texel_at(rec.data + 64, 0, 0, 4), (Rgba{0, 0, 100, 255})) << "2 x 2 level, top";
  EXPECT_EQ(texel_at(rec.data + 64, 1, 1, 4), (Rgba{200, 0, 0, 255})) << "2 x 2 level, bottom";
  EXPECT_EQ(texel_at(rec.data + 128, 0, 0, 4), (Rgba{100, 0, 50, 255})) << "1 x 1 level";
}

// The heap budget of a 1024 x 1024 24-bit file: at most 12 MiB live at once
// through the module's allocations, the texture block included.
TEST_F(MipmapLoader, Bmp1024StaysWithinTwelveMiB) {
  const std::string path = bmp_on_disk("mip1024.bmp", square24(1024, 1024));
  GX_LOCAL_TEX_OBJ_TYPE rec{};
  gx_standin_reset();
  const u64 before = gx_standin_live_bytes();
  ASSERT_EQ(texmill_load_mipmap_bmp(path.c_str(), &rec), 1u);
  keep(rec);
  expect_calls(rec, 1024, 5592512u, 10.0f);
  EXPECT_EQ(calls()[1].length, 5592544u);
  const u64 peak = gx_standin_peak_bytes() - before;
  RecordProperty("peak_heap_bytes", std::to_string(peak));
  EXPECT_LE(peak, 12u * 1024 * 1024) << "peak " << peak << " bytes";
}

TEST_F(MipmapLoader, EveryAllocationFailureReturnsZeroAndReleasesAll) {
  const Bytes img = image32(16);
  const std::string rgb = bmp_on_disk("mipfail.bmp", square24(16, 16));
  BmpFile pal;
  pal.width = pal.height = 8;
  pal.bits_per_pixel = 8;
  pal.colours_in_pal = 1;
  pal.palette = {1, 2, 3, 4};
  pal.pixels = Bytes(64, 0);
  const std::string paletted = bmp_on_disk("mipfailpal.bmp", pal);
  struct Load {
    const char* what;
    std::function<u32(GX_LOCAL_TEX_OBJ_TYPE*)> run;
  };
  const Load loads[] = {
      {"image", [&](GX_LOCAL_TEX_OBJ_TYPE* r) { return texmill_load_mipmap_image(16, 16, img.data(), RGB_32, r, nullptr, 0); }},
      {"24-bit file", [&](GX_LOCAL_TEX_OBJ_TYPE* r) { return texmill_load_mipmap_bmp(rgb.c_str(), r); }},
      {"palette file", [&](GX_LOCAL_TEX_OBJ_TYPE* r) { return texmill_load_mipmap_bmp(paletted.c_str(), r); }},
  };
  for (const Load& l : loads) {
    const u32 failures = each_allocation_failure(l.what, l.run, "Not enough memory to load the texture !\n");
    EXPECT_GE(failures, 2u) << l.what;
  }
}

}  // namespace
