// BMP files written at test time by Pillow and ImageMagick, in 8-bit
// palette, 24-bit and 32-bit, odd sizes and power-of-two squares, loaded
// by both BMP loaders and checked against the pictures the tools were given
// (make_pictures.py writes them next to the files).
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "mipmap_reference.h"

namespace {

using namespace texmill_test;

struct Entry {
  std::string name;
  u32 width = 0, height = 0;
  std::string loader, result;
};

Bytes read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RealFiles : public Services {
 protected:
  // Runs the generator for `tool`; an empty list means it could not run.
  std::vector<Entry> generate(const std::string& tool, std::string* dir) {
    *dir = scratch_path(tool);
    std::string cmd = std::string(TEXMILL_PYTHON) + " '" + TEXMILL_MAKE_PICTURES + "' " + tool +
                      " '" + *dir + "'";
    if (tool == "imagemagick") cmd += std::string(" ") + TEXMILL_CONVERT;
    if (std::system(cmd.c_str()) != 0) {
      ADD_FAILURE() << "generator failed: " << cmd;
      return {};
    }
    std::vector<Entry> entries;
    std::ifstream manifest(*dir + "/manifest");
    Entry e;
    while (manifest >> e.name >> e.width >> e.height >> e.loader >> e.result) entries.push_back(e);
    EXPECT_FALSE(entries.empty()) << "no pictures written by " << tool;
    return entries;
  }

  void check(const std::string& dir, const Entry& e) {
    SCOPED_TRACE(e.name);
    const std::string path = dir + "/" + e.name + ".bmp";
    const Bytes want = read_all(dir + "/" + e.name + ".rgba");
    ASSERT_EQ(want.size(), size_t(e.width) * e.height * 4);
    const bool mipmap = e.loader == "mipmap";
    GX_LOCAL_TEX_OBJ_TYPE rec = marked_record();
    const GX_LOCAL_TEX_OBJ_TYPE before = rec;
    u32 result = 0;
    const std::string out = stdout_of([&] {
      result = mipmap ? texmill_load_mipmap_bmp(path.c_str(), &rec) : texmill_load_bmp(path.c_str(), &rec);
    });
    if (e.result == "refused") {
      EXPECT_EQ(result, 0u);
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
      EXPECT_TRUE(same_bytes(rec, before));
      EXPECT_EQ(blocks_now(), 0u);
      return;
    }
    ASSERT_EQ(result, 1u) << out;
    EXPECT_EQ(out, "");
    EXPECT_EQ(rec.width, e.width);
    EXPECT_EQ(rec.height, e.height);
    EXPECT_EQ(blocks_now(), 1u);
    if (mipmap) {
      const Bytes tiled = reference_tiled(reference_chain(want, e.width), e.width);
      ASSERT_EQ(gx_standin_block_size(rec.data), tiled.size());
      EXPECT_TRUE(std::equal(tiled.begin(), tiled.end(), rec.data));
    } else {
      const u32 pw = (e.width + 3) & ~3u, ph = (e.height + 3) & ~3u;
      ASSERT_EQ(gx_standin_block_size(rec.data), u64(pw) * ph * 4);
      for (u32 y = 0; y < ph; ++y)
        for (u32 x = 0; x < pw; ++x) {
          Rgba w{0, 0, 0, 0};
          if (x < e.width && y < e.height) {
            const u8* p = &want[(size_t(y) * e.width + x) * 4];
            w = Rgba{p[0], p[1], p[2], p[3]};
          }
          ASSERT_EQ(texel_at(rec.data, x, y, pw), w) << "(" << x << ", " << y << ")";
        }
    }
    gx_standin_free(rec.data);
  }

  void run(const std::string& tool) {
    std::string dir;
    for (const Entry& e : generate(tool, &dir)) check(dir, e);
  }
};

bool can_run(const char* program) { return access(program, X_OK) == 0; }

TEST_F(RealFiles, Pillow) {
  if (!can_run(TEXMILL_PYTHON)) GTEST_SKIP() << TEXMILL_PYTHON << " not found: Pillow files not tested";
  const std::string probe = std::string(TEXMILL_PYTHON) + " -c 'import PIL' 2>/dev/null";
  if (std::system(probe.c_str()) != 0)
    GTEST_SKIP() << "Pillow missing for " << TEXMILL_PYTHON << " (Debian package python3-pil)";
  run("pillow");
}

TEST_F(RealFiles, ImageMagick) {
  if (!can_run(TEXMILL_PYTHON)) GTEST_SKIP() << TEXMILL_PYTHON << " not found: ImageMagick files not tested";
  if (!can_run(TEXMILL_CONVERT))
    GTEST_SKIP() << TEXMILL_CONVERT << " not found (Debian package imagemagick)";
  run("imagemagick");
}

}  // namespace
