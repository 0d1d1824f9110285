// texmill_load_bmp on files built byte by byte: every refusal with its
// line, the direct and palette paths, row order and padding, the mended
// inputs (short image_size, short files, larger info headers), the service
// calls, and every allocation failing in turn.
#include <stdexcept>

#include "texmill_test_util.h"

namespace {

using namespace texmill_test;

class BmpLoader : public Services {
 protected:
  // Loads `path`, expecting success and exactly no console output.
  GX_LOCAL_TEX_OBJ_TYPE load(const std::string& path) {
    GX_LOCAL_TEX_OBJ_TYPE rec{};
    u32 result = 0;
    const std::string out = stdout_of([&] { result = texmill_load_bmp(path.c_str(), &rec); });
    EXPECT_EQ(result, 1u) << path << ": " << out;
    EXPECT_EQ(out, "");
    // Nothing below can look at the texels of a load that failed.
    if (!result) throw std::runtime_error("load failed: " + path);
    keep(rec);
    return rec;
  }
  // Expects `path` refused with exactly `line`, nothing left behind.
  void expect_refused(const std::string& path, const std::string& line, const char* what) {
    const int files_before = open_files();
    GX_LOCAL_TEX_OBJ_TYPE rec = marked_record();
    const GX_LOCAL_TEX_OBJ_TYPE before = rec;
    u32 result = 1;
    const std::string out = stdout_of([&] { result = texmill_load_bmp(path.c_str(), &rec); });
    EXPECT_EQ(result, 0u) << what;
    EXPECT_EQ(out, line) << what;
    EXPECT_TRUE(same_bytes(rec, before)) << what;
    EXPECT_EQ(blocks_now(), 0u) << what;
    if (files_before >= 0) {
      EXPECT_EQ(open_files(), files_before) << what << ": file left open";
    }
  }
};

// A well-formed 24-bit picture whose pixel (x, y) is colour(x, y).
Rgba sample(u32 x, u32 y) { return Rgba{u8(10 + x), u8(100 + y), u8(x * 16 + y), 255}; }

BmpFile picture24(u32 w, u32 h) {
  BmpFile f;
  f.width = w;
  f.height = h;
  f.pixels = rows24(w, h, sample);
  return f;
}

// Every texel of the padded texture: the picture, then transparent black.
void expect_texture(const GX_LOCAL_TEX_OBJ_TYPE& rec, u32 w, u32 h, Rgba (*colour)(u32, u32)) {
  const u32 pw = (w + 3) & ~3u, ph = (h + 3) & ~3u;
  ASSERT_EQ(rec.width, w);
  ASSERT_EQ(rec.height, h);
  ASSERT_EQ(gx_standin_block_size(rec.data), u64(pw) * ph * 4);
  for (u32 y = 0; y < ph; ++y)
    for (u32 x = 0; x < pw; ++x) {
      const Rgba want = x < w && y < h ? colour(x, y) : Rgba{0, 0, 0, 0};
      ASSERT_EQ(texel_at(rec.data, x, y, pw), want) << w << "x" << h << " (" << x << ", " << y << ")";
    }
}

TEST_F(BmpLoader, RefusalsWithTheirLine) {
  struct Case {
    const char* what;
    BmpFile file;
    std::string line;
  };
  auto with = [](auto change) {
    BmpFile f = picture24(4, 4);
    change(f);
    return f;
  };
  const Case cases[] = {
      {"compressed 8-bit", with([](BmpFile& f) { f.bits_per_pixel = 8; f.compression = 1; }),
       "File should not be compressed !\n"},
      {"compressed 4-bit: compression is tested first",
       with([](BmpFile& f) { f.bits_per_pixel = 4; f.compression = 2; }),
       "File should not be compressed !\n"},
      {"4-bit", with([](BmpFile& f) { f.bits_per_pixel = 4; }), "BMP colour depth of 4 not supported !\n"},
      {"1-bit", with([](BmpFile& f) { f.bits_per_pixel = 1; }), "BMP colour depth of 1 not supported !\n"},
      {"height 0", with([](BmpFile& f) { f.height = 0; }), "BMP image has no pixels !\n"},
      {"width 0", with([](BmpFile& f) { f.width = 0; }), "BMP image has no pixels !\n"},
      {"top-down", with([](BmpFile& f) { f.height = static_cast<u32>(-4); }),
       "BMP top-down files are not supported !\n"},
      {"width 65536", with([](BmpFile& f) { f.width = 65536; }),
       "BMP image of 65536 x 4 pixels is too large !\n"},
      {"height 70000", with([](BmpFile& f) { f.height = 70000; }),
       "BMP image of 4 x 70000 pixels is too large !\n"},
      {"65535 x 65535 overflows 32 bits", with([](BmpFile& f) { f.width = f.height = 65535; }),
       "BMP image of 65535 x 65535 pixels is too large !\n"},
      {"40000 x 30000 overflows 32 bits", with([](BmpFile& f) { f.width = 40000; f.height = 30000; }),
       "BMP image of 40000 x 30000 pixels is too large !\n"},
      {"palette with a 12-byte info header",
       with([](BmpFile& f) { f.header_size = 12; f.colours_in_pal = 2; f.palette = Bytes(8, 0); }),
       "BMP info header of 12 bytes not supported !\n"},
      {"palette entries of 0 bytes",
       with([](BmpFile& f) { f.colours_in_pal = 2; f.palette = Bytes(1, 0); }),
       "BMP colour table (1 bytes, 2 colours) not supported !\n"},
      {"palette entries of 5 bytes",
       with([](BmpFile& f) { f.colours_in_pal = 2; f.palette = Bytes(10, 0); }),
       "BMP colour table (10 bytes, 2 colours) not supported !\n"},
      {"pixel offset inside the info header",
       with([](BmpFile& f) { f.colours_in_pal = 2; f.offset = 50; }),
       "BMP colour table (0 bytes, 2 colours) not supported !\n"},
  };
  int i = 0;
  for (const Case& c : cases) {
    gx_standin_reset();
    expect_refused(bmp_on_disk("refused" + std::to_string(i++) + ".bmp", c.file), c.line, c.what);
    EXPECT_EQ(gx_standin_allocations(), 0u) << c.what << ": header refusals allocate nothing";
  }
}

TEST_F(BmpLoader, FileSizeAndMagic) {
  expect_refused(scratch_path("absent.bmp"),
                 "Failed to open file " + scratch_path("absent.bmp") + " on SD card !\n", "absent");
  Bytes small = picture24(4, 4).build();
  small.resize(55);
  write_file(scratch_path("55.bmp"), small);
  expect_refused(scratch_path("55.bmp"), "invalid bmp file size \n", "55 bytes");
  write_file(scratch_path("empty.bmp"), {});
  expect_refused(scratch_path("empty.bmp"), "invalid bmp file size \n", "empty");
  Bytes mb = picture24(4, 4).build();
  std::swap(mb[0], mb[1]);
  write_file(scratch_path("mb.bmp"), mb);
  expect_refused(scratch_path("mb.bmp"), "BMP header magic number is not BM !\n", "MB");

  // 56 bytes pass the size test: a 1 x 1 16-bit file without its row fill.
  BmpFile f;
  f.width = f.height = 1;
  f.bits_per_pixel = 16;
  f.pixels = {0x00, 0x7C};
  ASSERT_EQ(f.build().size(), 56u);
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("56.bmp", f));
  EXPECT_EQ(texel_at(rec.data, 0, 0, 4), (Rgba{248, 0, 0, 255}));
}

TEST_F(BmpLoader, SixByThree24BitWithItsCalls) {
  BmpFile f = picture24(6, 3);
  ASSERT_EQ(f.pixels.size(), 60u);  // rows of 18 bytes and 2 fill bytes
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("6x3.bmp", f));
  expect_texture(rec, 6, 3, sample);
  const auto log = calls();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].kind, GX_STANDIN_MEMALIGN);
  EXPECT_EQ(log[0].alignment, 32u);
  EXPECT_EQ(log[0].size, 128u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(rec.data) % 32, 0u);
  EXPECT_EQ(log[1].kind, GX_STANDIN_DC_FLUSH_RANGE);
  EXPECT_EQ(log[1].address, rec.data);
  EXPECT_EQ(log[1].length, 160u);
  EXPECT_EQ(log[1].checked_bytes, 128u);
  EXPECT_EQ(log[1].checksum, gx_standin_checksum(rec.data, 128));
  EXPECT_EQ(log[2].kind, GX_STANDIN_INIT_TEX_OBJ);
  EXPECT_EQ(log[2].address, &rec.texobj);
  EXPECT_EQ(log[2].image, rec.data);
  EXPECT_EQ(log[2].width, 6);
  EXPECT_EQ(log[2].height, 3);
  EXPECT_EQ(log[2].format, 6);
  EXPECT_EQ(log[2].wrap_s + log[2].wrap_t + log[2].mipmap, 0);
  EXPECT_EQ(blocks_now(), 1u);
}

TEST_F(BmpLoader, OddAndEvenSizesKeepRowOrderAndPadding) {
  const std::pair<u32, u32> sizes[] = {{1, 1}, {4, 4}, {5, 3}, {7, 2}, {8, 8}, {3, 9}, {13, 6}};
  for (const auto& [w, h] : sizes) {
    const GX_LOCAL_TEX_OBJ_TYPE rec =
        load(bmp_on_disk("p" + std::to_string(w) + "x" + std::to_string(h) + ".bmp", picture24(w, h)));
    expect_texture(rec, w, h, sample);
  }
}

// Direct-path pixels of each depth: stored bytes in, texel out.
TEST_F(BmpLoader, DirectPixelRules) {
  struct Case {
    const char* what;
    u16 bpp;
    Bytes stored;  // one row of pixels, fill added below
    std::vector<Rgba> expected;
  };
  const Case cases[] = {
      {"24-bit", 24, {10, 20, 30}, {{30, 20, 10, 255}}},
      {"32-bit", 32, {10, 20, 30, 40}, {{30, 20, 10, 40}}},
      {"8-bit without a colour table: 3-3-2", 8, {0xFF, 0xE0, 0x1C, 0x03, 0x25},
       {{252, 252, 255, 255}, {252, 0, 0, 255}, {0, 252, 0, 255}, {0, 0, 255, 255}, {36, 36, 85, 255}}},
      {"16-bit little-endian 5-5-5", 16, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x7C, 0x00, 0x21, 0x84},
       {{248, 0, 0, 255}, {0, 248, 0, 255}, {0, 0, 248, 255}, {0, 24, 224, 255}, {8, 8, 8, 255}}},
  };
  int i = 0;
  for (const Case& c : cases) {
    BmpFile f;
    f.width = static_cast<u32>(c.expected.size());
    f.height = 1;
    f.bits_per_pixel = c.bpp;
    f.pixels = c.stored;
    while (f.pixels.size() % 4) f.pixels.push_back(0xEE);
    if (c.bpp == 8) {  // a colour table the direct path passes over
      f.palette = Bytes(1024, 0x77);
    }
    const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("direct" + std::to_string(i++) + ".bmp", f));
    for (u32 x = 0; x < f.width; ++x) EXPECT_EQ(texel_at(rec.data, x, 0, 8), c.expected[x]) << c.what << " pixel " << x;
  }
}

// The 2 x 2 8-bit example: two colours, table of 4-byte entries at 54,
// pixels at 62; the entries' fourth byte is alpha.
TEST_F(BmpLoader, PaletteOfFourByteEntries) {
  BmpFile f;
  f.width = f.height = 2;
  f.bits_per_pixel = 8;
  f.colours_in_pal = 2;
  f.palette = {10, 20, 30, 0, 1, 2, 3, 4};
  f.pixels = {1, 0, 0, 0,   // bottom row: entry 1, entry 0, fill
              0, 1, 0, 0};  // top row: entry 0, entry 1, fill
  ASSERT_EQ(f.build().size(), 62u + 8u);
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("pal4.bmp", f));
  const Rgba e0{30, 20, 10, 0}, e1{3, 2, 1, 4}, none{0, 0, 0, 0};
  const Rgba want[4][4] = {{e0, e1, none, none}, {e1, e0, none, none}, {none, none, none, none},
                           {none, none, none, none}};
  for (u32 y = 0; y < 4; ++y)
    for (u32 x = 0; x < 4; ++x) EXPECT_EQ(texel_at(rec.data, x, y, 4), want[y][x]) << x << ", " << y;
}

TEST_F(BmpLoader, PaletteEntrySizes) {
  struct Case {
    const char* what;
    u32 entry_bytes;
    Bytes entry1;  // colour-table entry 1 as stored
    Rgba expected;
  };
  const Case cases[] = {
      {"3-byte entries", 3, {10, 20, 30}, {30, 20, 10, 255}},
      {"2-byte entries: 5-5-5", 2, {0x00, 0x7C}, {248, 0, 0, 255}},
      {"1-byte entries: 3-3-2", 1, {0x25}, {36, 36, 85, 255}},
  };
  int i = 0;
  for (const Case& c : cases) {
    BmpFile f;
    f.width = 3;
    f.height = 1;
    f.bits_per_pixel = 8;
    f.colours_in_pal = 3;
    f.palette.assign(3 * c.entry_bytes, 0);
    std::copy(c.entry1.begin(), c.entry1.end(), f.palette.begin() + c.entry_bytes);
    f.pixels = {1, 1, 1, 0};
    const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("entries" + std::to_string(i++) + ".bmp", f));
    EXPECT_EQ(texel_at(rec.data, 2, 0, 4), c.expected) << c.what;
  }
}

TEST_F(BmpLoader, PaletteFollowsTheDeclaredInfoHeader) {
  for (u32 header : {40u, 56u, 108u, 124u}) {
    BmpFile f;
    f.width = 2;
    f.height = 1;
    f.bits_per_pixel = 8;
    f.header_size = header;
    f.colours_in_pal = 2;
    f.palette = {10, 20, 30, 0, 40, 50, 60, 0};
    f.pixels = {1, 0, 0, 0};
    const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("hdr" + std::to_string(header) + ".bmp", f));
    EXPECT_EQ(texel_at(rec.data, 0, 0, 4), (Rgba{60, 50, 40, 0})) << header;
    EXPECT_EQ(texel_at(rec.data, 1, 0, 4), (Rgba{30, 20, 10, 0})) << header;
  }
}

TEST_F(BmpLoader, PaletteTakenWheneverColoursAreDeclared) {
  BmpFile f;
  f.width = 1;
  f.height = 1;
  f.bits_per_pixel = 24;  // still one index byte per pixel
  f.colours_in_pal = 1;
  f.palette = {7, 8, 9, 10};
  f.pixels = {0, 0, 0, 0};
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("pal24.bmp", f));
  EXPECT_EQ(texel_at(rec.data, 0, 0, 4), (Rgba{9, 8, 7, 10}));
}

TEST_F(BmpLoader, PaletteIndexOutsideTheTableIsRefused) {
  BmpFile f;
  f.width = f.height = 2;
  f.bits_per_pixel = 8;
  f.colours_in_pal = 2;
  f.palette = Bytes(8, 1);
  f.pixels = {0, 1, 0, 0, 1, 2, 0, 0};
  expect_refused(bmp_on_disk("index.bmp", f), "BMP colour index 2 outside the colour table of 2 colours !\n",
                 "index 2 of 2");
  f.pixels = {0, 1, 0, 9};  // a fill byte is an index too
  expect_refused(bmp_on_disk("fill.bmp", f), "BMP colour index 9 outside the colour table of 2 colours !\n",
                 "fill byte 9");
}

TEST_F(BmpLoader, PaletteFileEndingInsideItsIndicesRepeatsTheLastIndex) {
  BmpFile f;
  f.width = 4;
  f.height = 3;
  f.bits_per_pixel = 8;
  f.colours_in_pal = 3;
  f.palette = {0, 0, 10, 0, 0, 0, 20, 0, 0, 0, 30, 0};  // reds 10, 20, 30
  f.pixels = {1, 1, 1, 1, 2};  // bottom row, then one index of the middle row
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("shortpal.bmp", f));
  for (u32 x = 0; x < 4; ++x) {
    EXPECT_EQ(texel_at(rec.data, x, 2, 4).r, 20) << x;
    EXPECT_EQ(texel_at(rec.data, x, 1, 4).r, 30) << x;
    EXPECT_EQ(texel_at(rec.data, x, 0, 4).r, 30) << x;
  }
  f.pixels.clear();  // the file ends at its pixel offset: index 0 throughout
  const GX_LOCAL_TEX_OBJ_TYPE none = load(bmp_on_disk("nopix.bmp", f));
  for (u32 y = 0; y < 3; ++y)
    for (u32 x = 0; x < 4; ++x) EXPECT_EQ(texel_at(none.data, x, y, 4), (Rgba{10, 0, 0, 0}));
}

TEST_F(BmpLoader, ShortImageSizeUsesStandardRows) {
  for (long image_size : {0L, 10L, 54L, 59L}) {
    BmpFile f = picture24(6, 3);
    f.image_size = image_size;
    const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("size" + std::to_string(image_size) + ".bmp", f));
    expect_texture(rec, 6, 3, sample);
  }
}

TEST_F(BmpLoader, LargerImageSizeWidensRowsByItsPadding) {
  // image_size 72 for 6 x 3: padding (72 - 54) / 3 = 6, rows of 24 bytes.
  BmpFile f;
  f.width = 6;
  f.height = 3;
  for (u32 k = 0; k < 3; ++k) {
    for (u32 x = 0; x < 6; ++x) {
      const Rgba c = sample(x, 2 - k);
      f.pixels.insert(f.pixels.end(), {c.b, c.g, c.r});
    }
    f.pixels.insert(f.pixels.end(), 6, 0xEE);
  }
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("wide.bmp", f));
  expect_texture(rec, 6, 3, sample);
}

TEST_F(BmpLoader, FileEndingBeforeItsRowsGivesZeroBytes) {
  BmpFile f = picture24(5, 4);
  f.image_size = static_cast<long>(f.pixels.size());
  f.pixels.resize(2 * 16 + 7);  // two whole rows, then part of the third
  const GX_LOCAL_TEX_OBJ_TYPE rec = load(bmp_on_disk("short.bmp", f));
  // Rows 3 and 2 of the picture are in the file; row 1 has its first two
  // pixels and a byte of the third, row 0 nothing.
  for (u32 x = 0; x < 5; ++x) {
    EXPECT_EQ(texel_at(rec.data, x, 3, 8), sample(x, 3));
    EXPECT_EQ(texel_at(rec.data, x, 0, 8), (Rgba{0, 0, 0, 255})) << x;
  }
  EXPECT_EQ(texel_at(rec.data, 1, 1, 8), sample(1, 1));
  EXPECT_EQ(texel_at(rec.data, 2, 1, 8), (Rgba{0, 0, sample(2, 1).b, 255}));
  EXPECT_EQ(texel_at(rec.data, 3, 1, 8), (Rgba{0, 0, 0, 255}));

  f.pixels.clear();  // the file ends where its pixel data would begin
  f.palette = Bytes(8, 0x55);  // (bytes the direct path passes over)
  const GX_LOCAL_TEX_OBJ_TYPE gone = load(bmp_on_disk("gone.bmp", f));
  expect_texture(gone, 5, 4, [](u32, u32) { return Rgba{0, 0, 0, 255}; });
}

TEST_F(BmpLoader, SuccessfulLoadReplacesDataWithoutReleasingTheOldBlock) {
  const std::string path = bmp_on_disk("twice.bmp", picture24(4, 4));
  GX_LOCAL_TEX_OBJ_TYPE rec = load(path);
  u8* first = rec.data;
  ASSERT_EQ(texmill_load_bmp(path.c_str(), &rec), 1u);
  keep(rec);
  EXPECT_NE(rec.data, first);
  EXPECT_EQ(blocks_now(), 2u);
}

TEST_F(BmpLoader, EveryAllocationFailureReturnsZeroAndReleasesAll) {
  BmpFile pal;
  pal.width = 5;
  pal.height = 3;
  pal.bits_per_pixel = 8;
  pal.colours_in_pal = 2;
  pal.palette = Bytes(8, 3);
  pal.pixels = Bytes(24, 1);
  const std::string files[] = {bmp_on_disk("fail24.bmp", picture24(7, 5)), bmp_on_disk("failpal.bmp", pal)};
  for (const std::string& path : files) {
    const u32 failures = each_allocation_failure(
        path, [&](GX_LOCAL_TEX_OBJ_TYPE* rec) { return texmill_load_bmp(path.c_str(), rec); },
        "Not enough memory to load the texture !\n");
    EXPECT_GE(failures, 3u) << path << ": image, row and texture block";
  }
}

}  // namespace
